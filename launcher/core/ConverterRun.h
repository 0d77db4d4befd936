#pragma once

#include "ConverterProcess.h"
#include "RunFeedback.h"

#include <array>
#include <chrono>
#include <functional>
#include <string_view>

namespace runkorvix {

// One run of the converter as the dialog drives it: start, then Pump from the dialog's own event
// loop until the run has ended, so that the dialog keeps repainting meanwhile. The output is
// read as it comes, so that the converter never waits on a full pipe.
class ConverterRun {
public:
    // `echo` gets the converter's output unchanged as it comes (the launcher writes it to its own
    // standard output); it may be empty.
    ConverterRun(IConverterProcess& process, std::function<void(std::string_view)> echo);

    // 0, or the system's error number for a failed start (IConverterProcess::Start).
    int Start(const std::string& program, const std::vector<std::string>& arguments,
              const std::string& workingDir);

    // Waits at most `timeout` for output, then reads as long as output keeps coming, for about
    // as long again at most. Returns false once the converter has ended: Result() is complete.
    bool Pump(std::chrono::milliseconds timeout);

    // Ends the run before the converter's end: the converter is asked to stop now and forced to
    // kStopGrace later if it has not ended by then; Pump goes on until it has. Result().stopped
    // tells it afterwards. Nothing happens once the converter has ended.
    void Stop();
    // For a run whose pump was left before the converter ended (the dialog's event loop was
    // quit): stops it and pumps it to its end.
    void Finish();

    const RunResult& Result() const { return m_result; }
    // The bytes of the input that korvix has traced so far (OutputReader::Traced).
    std::uint64_t BytesTraced() const { return m_reader.Traced(); }

private:
    // While stopping: asks again until the request was delivered, and forces the end once the
    // grace is over.
    void PressStop();

    IConverterProcess& m_process;
    std::function<void(std::string_view)> m_echo;
    OutputReader m_reader;
    RunResult m_result;
    bool m_running = false;
    std::chrono::steady_clock::time_point m_stopAsked{};
    bool m_stopDelivered = false;
    bool m_forced = false;
    std::array<char, std::size_t{64} * 1024> m_buffer{};
};

} // namespace runkorvix
