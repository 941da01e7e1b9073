// Platform services of the Win32 GUI program.
#pragma once

#include "host_platform_services.h"
#include "win32_dialog_host.h"

using Win32PlatformServices = HostPlatformServices<Win32DialogHost>;
