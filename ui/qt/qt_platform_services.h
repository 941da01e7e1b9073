// Platform services of the Qt GUI program.
#pragma once

#include "host_platform_services.h"
#include "qt_dialog_host.h"

using QtPlatformServices = HostPlatformServices<QtDialogHost>;
