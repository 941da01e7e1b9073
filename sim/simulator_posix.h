// cnc-sim from parsed options to exit status.
#pragma once

#include "options.h"

namespace cnc_sim {

int RunSimulator(const Options& options);

}  // namespace cnc_sim
