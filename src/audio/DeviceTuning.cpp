#include "audio/DeviceTuning.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace korvel::audio {

void DeviceTuning::raiseCurrentThread()
{
    // Linux keeps a nice value per thread; without CAP_SYS_NICE or an rlimit this fails quietly.
    const auto tid = static_cast<id_t>(syscall(SYS_gettid));
    const int now = getpriority(PRIO_PROCESS, tid);
    (void)setpriority(PRIO_PROCESS, tid, now - 5);
}

} // namespace korvel::audio
