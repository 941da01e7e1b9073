// A device that goes away during a test (a pulled USB adapter, a machine whose end of the
// line closed) fails every call from then on. The engine looks at a failed call's device
// once, and a lost port ends the test through its normal end path instead of leaving the
// sender to poll a dead line for ever.
#pragma once

#include <cstdint>

// Passes result on; when it reports a failure and the port's device is gone, marks the test's
// port as lost.
std::int32_t NotePortResult(std::int32_t result);

// The sender and the poller go on only while the operator has not stopped the test and the
// port is still there.
bool TestMayGoOn();
