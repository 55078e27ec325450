#include "app/LogFileFilters.h"

#include <string_view>

#include "log/formats/Formats.h"

namespace gnsslog {

namespace {

// A format registered without patterns gets no filter of its own (All
// files still shows its logs).
QString filterOf(const InputFormat& format)
{
    const FormatRegistration* registration = findFormatRegistration(format);
    if (registration == nullptr || registration->fileExtensions.empty()) {
        return {};
    }
    const std::string_view caption = format.caption();
    const std::string_view patterns = registration->fileExtensions;
    return QStringLiteral("%1 logs (%2)")
        .arg(QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())),
             QString::fromLatin1(patterns.data(), static_cast<qsizetype>(patterns.size())));
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
