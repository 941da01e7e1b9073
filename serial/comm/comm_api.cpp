#include "comm_api.h"

#include <atomic>

#include "comm_dcb_text.h"
#include "line_modelled_comm.h"
#include "quiet_line_comm.h"

namespace {

std::atomic<CommApi*> g_installed{nullptr};

}  // namespace

BOOL CommApi::BuildCommDCB(const char* text, DCB* dcb) {
    return ParseCommDCB(text, dcb);
}

CommApi& SystemComm() {
    static QuietLineComm quiet(PlatformComm());
    static LineModelledComm comm(quiet);
    return comm;
}

CommApi& Comm() {
    CommApi* installed = g_installed.load(std::memory_order_acquire);
    return installed != nullptr ? *installed : SystemComm();
}

CommApi* SetComm(CommApi* comm) {
    return g_installed.exchange(comm, std::memory_order_acq_rel);
}
