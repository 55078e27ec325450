#include "tools/report/options/CLocaleNumber.h"

#include <charconv>

namespace gnsslog {

bool parseCLocaleDouble(const std::string& text, double& value) noexcept
{
    const char* first = text.data();
    const char* last = first + text.size();
    if (first != last && *first == '+') {
        ++first;  // from_chars takes no plus sign
    }
    const auto result = std::from_chars(first, last, value);
    return result.ec == std::errc() && result.ptr == last && first != last;
}

}  // namespace gnsslog
