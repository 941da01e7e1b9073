// The simulator measures the tool: when it looks at its line decides when the tool's bytes
// count as arrived. On a loaded machine an ordinary process may wait tens of milliseconds
// for a processor, and the modelled wire would then fall behind the tool's own count.
#pragma once

namespace cnc_sim {

// Asks for the lowest real-time priority, so that the simulator runs the moment its line
// has something for it; it sleeps between looks, so it takes little. True when granted
// (root, or CAP_SYS_NICE); otherwise the simulator runs as before.
bool RunPromptly();

}  // namespace cnc_sim
