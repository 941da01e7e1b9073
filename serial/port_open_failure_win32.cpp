#include "port_open_failure.h"

#include "platform_types.h"

int TakePortOpenError() {
    return static_cast<int>(GetLastError());
}

// The message the operator has always had on Windows says all there is.
std::string DescribePortOpenFailure(std::int32_t, int) {
    return {};
}

std::string DescribeLineSettingsFailure(std::int32_t, const std::string&, int) {
    return {};
}
