#include "live/SameFile.h"

#include <sys/stat.h>

namespace gnsslog {

bool sameExistingFile(const std::string& a, const std::string& b)
{
    struct stat first {};
    struct stat second {};
    return !a.empty() && !b.empty() && ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

}  // namespace gnsslog
