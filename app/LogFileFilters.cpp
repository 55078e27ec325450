#include "app/LogFileFilters.h"

#include <string_view>

#include "log/formats/Formats.h"

namespace gnsslog {

namespace {

// Usual extensions by format name; a format missing here gets no filter
// of its own (All files still shows its logs).
struct FormatExtensions {
    std::string_view name;
    const char* patterns;
};
constexpr FormatExtensions kExtensions[] = {
    {"navcom", "*.pvt1b *.pvt *.bin *.nc"},
    {"nmea", "*.nmea *.nme *.gps *.txt *.log"},
    {"ubx", "*.ubx *.bin"},
    {"pos", "*.pos"},
    {"sbf", "*.sbf"},
    {"novatel", "*.gps *.asc *.bin *.dat"},
};

QString filterOf(const InputFormat& format)
{
    for (const FormatExtensions& entry : kExtensions) {
        if (entry.name == format.name()) {
            const std::string_view caption = format.caption();
            return QStringLiteral("%1 logs (%2)")
                .arg(QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())),
                     QString::fromLatin1(entry.patterns));
        }
    }
    return {};
}

}  // namespace

QStringList logFileFilters(const InputFormat& current)
{
    QStringList filters;
    if (const QString own = filterOf(current); !own.isEmpty()) {
        filters.push_back(own);
    }
    for (const InputFormat* format : inputFormats()) {
        if (format != &current) {
            if (const QString other = filterOf(*format); !other.isEmpty()) {
                filters.push_back(other);
            }
        }
    }
    filters.push_back(QStringLiteral("All files (*)"));
    return filters;
}

}  // namespace gnsslog
