#include "ConverterRun.h"

namespace runkorvix {

ConverterRun::ConverterRun(IConverterProcess& process, std::function<void(std::string_view)> echo)
    : m_process(process), m_echo(std::move(echo)) {}

int ConverterRun::Start(const std::string& program, const std::vector<std::string>& arguments,
                        const std::string& workingDir) {
    const int error = m_process.Start(program, arguments, workingDir);
    m_running = error == 0;
    return error;
}

bool ConverterRun::Pump(std::chrono::milliseconds timeout) {
    if (!m_running) {
        return false;
    }
    if (m_result.stopped) {
        PressStop();
    }
    const auto until = std::chrono::steady_clock::now() + 2 * timeout;
    std::chrono::milliseconds wait = timeout;
    do {
        const ReadResult read = m_process.Read(m_buffer, wait);
        if (read.end) {
            m_reader.Finish();
            m_result.messages = m_reader.Messages();
            m_result.records = m_reader.Records();
            m_result.reductions = m_reader.Reduced();
            m_result.fates = m_reader.Fates();
            m_result.fit = m_reader.Fit();
            m_result.status = m_process.Wait();
            m_running = false;
            return false;
        }
        if (read.size == 0) {
            return true;
        }
        const std::string_view output(m_buffer.data(), read.size);
        if (m_echo) {
            m_echo(output);
        }
        m_reader.Take(output);
        wait = std::chrono::milliseconds(0);
    } while (std::chrono::steady_clock::now() < until);
    return true;
}

void ConverterRun::Stop() {
    if (!m_running || m_result.stopped) {
        return;
    }
    m_result.stopped = true;
    m_stopAsked = std::chrono::steady_clock::now();
    PressStop();
}

void ConverterRun::PressStop() {
    if (!m_stopDelivered) {
        m_stopDelivered = m_process.Interrupt();
    }
    if (!m_forced && std::chrono::steady_clock::now() - m_stopAsked >= kStopGrace) {
        m_process.Kill();
        m_forced = true;
    }
}

void ConverterRun::Finish() {
    Stop();
    while (Pump(std::chrono::milliseconds(50))) {
    }
}

} // namespace runkorvix
