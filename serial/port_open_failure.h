// Why the port of a test did not open, in the operator's words.
#pragma once

#include <cstdint>
#include <string>

// The native error the failed open left behind; to be taken at once, before another call
// can change it.
int TakePortOpenError();

// One line that names the device tried and the reason it did not open (no such device and
// what maps the number to it, no permission and how to get it, held by another program
// and which, not a serial device), or empty where the platform has nothing to add to the
// port's own message (Windows). Looks at the device without opening it. Empty too while a
// scripted device stands in for the system's ports.
std::string DescribePortOpenFailure(std::int32_t comId, int error);

// One line that names the device and the line settings it did not take (settingsText as
// given to BuildCommDCB; error the native error of the refusal, or 0 when the text itself
// could not be read), or empty where the platform has nothing to add (Windows, a scripted
// device).
std::string DescribeLineSettingsFailure(std::int32_t comId, const std::string& settingsText,
                                        int error);
