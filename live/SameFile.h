// Whether two paths name one file, however they are written or linked: a
// live run must never archive into the file it follows.
#pragma once

#include <string>

namespace gnsslog {

// Both exist and are the same file (device and inode): through a symbolic
// link, a hard link or another spelling of the path.
bool sameExistingFile(const std::string& a, const std::string& b);

}  // namespace gnsslog
