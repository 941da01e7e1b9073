#include "prompt_scheduling_posix.h"

#include <sched.h>

namespace cnc_sim {

bool RunPromptly() {
    sched_param param{};
    param.sched_priority = sched_get_priority_min(SCHED_FIFO);
    // Reset on fork: nothing the simulator starts inherits it.
    return sched_setscheduler(0, SCHED_FIFO | SCHED_RESET_ON_FORK, &param) == 0;
}

}  // namespace cnc_sim
