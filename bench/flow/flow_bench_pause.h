// The real length of the tool's 1-ms pauses, taken with the same call the paced sender uses.
#pragma once

#include <vector>

// Milliseconds each of count calls of SystemPlatformServices().Sleep(1) really took.
std::vector<double> TimeOneMillisecondPauses(int count);
