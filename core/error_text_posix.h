// The operator's words for what the system said, where the C library's would be English.
#pragma once

#include <string>

// A short Korean phrase for the common errno values met with files and devices, the C
// library's own text for the rest.
std::string ErrorText(int error);
