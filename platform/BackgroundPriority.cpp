#include "platform/BackgroundPriority.h"

#if defined(__linux__)
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace gnsslog {

namespace {

// A nice value of 10 gives a busy thread about a tenth of the weight of an
// ordinary one, so interactive work runs first, yet the analysis still
// gets every processor the user leaves idle.
constexpr int kBackgroundNice = 10;

}  // namespace

void lowerThisThreadsPriority() noexcept
{
#if defined(__linux__)
    // On Linux the nice value belongs to the thread, and a thread's own id
    // names it.
    const int current = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
    if (current < kBackgroundNice) {
        setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), kBackgroundNice);
    }
#endif
}

}  // namespace gnsslog
