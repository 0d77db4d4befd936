#include "ConverterStopPosix.h"

#include "ConverterProcess.h"

#include <atomic>
#include <cerrno>
#include <ctime>
#include <sys/wait.h>

namespace runkorvix {

namespace {

constexpr int kStopSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The converter under way, for the handler; 0 for none.
std::atomic<pid_t> running_converter{0};
static_assert(std::atomic<pid_t>::is_always_lock_free);

sigset_t StopSignalSet() {
    sigset_t set;
    sigemptyset(&set);
    for (const int signal : kStopSignals) {
        sigaddset(&set, signal);
    }
    return set;
}

extern "C" void EndConverterThenLauncher(int signal) {
    const pid_t converter = running_converter.exchange(0);
    if (converter > 0) {
        EndAndReap(converter);
    }
    struct sigaction fallback = {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    sigaction(signal, &fallback, nullptr);
    // Blocked until the handler returns; then it ends the launcher as it would have at first.
    raise(signal);
}

// Handles each stop signal that would end the launcher, the others blocked meanwhile; one
// handled already stays so.
void HandleStopSignals() {
    struct sigaction handler = {};
    handler.sa_handler = EndConverterThenLauncher;
    handler.sa_mask = StopSignalSet();
    for (const int signal : kStopSignals) {
        struct sigaction current = {};
        if (sigaction(signal, nullptr, &current) == 0 && (current.sa_flags & SA_SIGINFO) == 0 &&
            current.sa_handler == SIG_DFL) {
            sigaction(signal, &handler, nullptr);
        }
    }
}

} // namespace

StopSignalsBlocked::StopSignalsBlocked() {
    const sigset_t stops = StopSignalSet();
    pthread_sigmask(SIG_BLOCK, &stops, &m_previous);
}

StopSignalsBlocked::~StopSignalsBlocked() {
    pthread_sigmask(SIG_SETMASK, &m_previous, nullptr);
}

void ForwardStopsTo(pid_t converter) {
    if (converter > 0) {
        HandleStopSignals();
    }
    running_converter.store(converter);
}

void EndAndReap(pid_t converter) {
    kill(converter, SIGTERM);
    // The grace counted in steps: a signal handler has no clock of the C++ library.
    constexpr long kStepNs = 10'000'000;
    const timespec step{0, kStepNs};
    constexpr auto kSteps = std::chrono::nanoseconds(kStopGrace).count() / kStepNs;
    for (long steps = 0; steps < kSteps; ++steps) {
        const pid_t reaped = waitpid(converter, nullptr, WNOHANG);
        if (reaped == converter || (reaped < 0 && errno != EINTR)) {
            return; // ended, or reaped already
        }
        nanosleep(&step, nullptr);
    }
    kill(converter, SIGKILL);
    while (waitpid(converter, nullptr, 0) < 0 && errno == EINTR) {
    }
}

} // namespace runkorvix
