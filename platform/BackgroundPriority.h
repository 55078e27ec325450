// Lets a long analysis yield the processor to the window thread, the X
// server and everything the user is working with, so that on a machine
// with few cores the menus still answer while a big log is read.
#pragma once

namespace gnsslog {

// Lowers the scheduling priority of the calling thread (and of threads it
// starts later, which inherit it). Best effort: does nothing where the
// system has no such notion or refuses.
void lowerThisThreadsPriority() noexcept;

}  // namespace gnsslog
