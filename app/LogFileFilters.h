// The open-file dialog's filters: one per log format with the file name
// extensions its logs usually have, the current parsing mode's first, and
// "All files" last.
#pragma once

#include <QStringList>

namespace gnsslog {

class InputFormat;

QStringList logFileFilters(const InputFormat& current);

}  // namespace gnsslog
