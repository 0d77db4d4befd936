#pragma once
// The converter's end when the launcher is ended by a signal, on POSIX systems: korvix would
// otherwise convert on with no one to tell, or be left as an orphan.

#include <csignal>
#include <sys/types.h>

namespace runkorvix {

// Blocks the signals that end the launcher (SIGTERM, SIGINT, SIGHUP) in this thread for as long
// as it lives, so that the converter's process and the handler's knowledge of it begin and end
// together.
class StopSignalsBlocked {
public:
    StopSignalsBlocked();
    ~StopSignalsBlocked();
    StopSignalsBlocked(const StopSignalsBlocked&) = delete;
    StopSignalsBlocked& operator=(const StopSignalsBlocked&) = delete;

    // The signal mask from before, which the converter starts with.
    const sigset_t& Previous() const { return m_previous; }

private:
    sigset_t m_previous;
};

// From now on SIGTERM, SIGINT and SIGHUP (those that would end the launcher: not one that it
// ignores, as under nohup) end the converter `converter` (EndAndReap) before they end the
// launcher as they would have. 0: no converter runs. Called with StopSignalsBlocked.
void ForwardStopsTo(pid_t converter);

// Ends the converter as on the user's interrupt: SIGTERM, on which korvix removes its unfinished
// output; SIGKILL when it has not ended kStopGrace later. Then reaps it. Safe in a signal handler.
void EndAndReap(pid_t converter);

} // namespace runkorvix
