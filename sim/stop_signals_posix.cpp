#include "stop_signals_posix.h"

#include <cerrno>
#include <system_error>

namespace cnc_sim {

namespace {

volatile sig_atomic_t g_stopRequested = 0;

void OnStopSignal(int) {
    g_stopRequested = 1;
}

void Install(int signal, void (*handler)(int), struct sigaction& previous) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    if (::sigaction(signal, &action, &previous) != 0) {
        throw std::system_error(errno, std::generic_category(), "sigaction() failed");
    }
}

}  // namespace

StopSignals::StopSignals() {
    g_stopRequested = 0;
    sigset_t stops;
    sigemptyset(&stops);
    sigaddset(&stops, SIGINT);
    sigaddset(&stops, SIGTERM);
    if (const int error = ::pthread_sigmask(SIG_BLOCK, &stops, &previousMask_); error != 0) {
        throw std::system_error(error, std::generic_category(), "pthread_sigmask() failed");
    }
    waitMask_ = previousMask_;
    sigdelset(&waitMask_, SIGINT);
    sigdelset(&waitMask_, SIGTERM);
    Install(SIGINT, OnStopSignal, previousInt_);
    Install(SIGTERM, OnStopSignal, previousTerm_);
    // A script that has read the slave path may close our stdout; later writes to a closed
    // pipe must fail with EPIPE, not kill the process before the report is written.
    Install(SIGPIPE, SIG_IGN, previousPipe_);
}

StopSignals::~StopSignals() {
    ::sigaction(SIGPIPE, &previousPipe_, nullptr);
    ::sigaction(SIGTERM, &previousTerm_, nullptr);
    ::sigaction(SIGINT, &previousInt_, nullptr);
    ::pthread_sigmask(SIG_SETMASK, &previousMask_, nullptr);
}

bool StopSignals::Requested() const {
    return g_stopRequested != 0;
}

}  // namespace cnc_sim
