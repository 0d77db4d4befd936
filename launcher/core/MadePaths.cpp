#include "MadePaths.h"

#include "position_word.h"

namespace runkorvix {

class MadePaths::Reader : public korvix::PathVisitor {
public:
    Reader(MadePaths& paths, korvix::PathKind kind) : m_paths(paths), m_kind(kind) {}
    void path(const korvix::PathSeen& seen) override {
        if (seen.kind != m_kind) {
            return;
        }
        MadePath made{std::string(seen.name), {}};
        made.positions.reserve(seen.points.count);
        for (std::uint32_t i = 0; i < seen.points.count; ++i) {
            made.positions.push_back(
                korvix::position_word(seen.points.latitude[i], seen.points.longitude[i]));
        }
        m_paths.Put(std::move(made));
    }

private:
    MadePaths& m_paths;
    korvix::PathKind m_kind;
};

MadePaths::MadePaths(std::string output, korvix::PathKind kind)
    : m_thread([this, output = std::move(output), kind] { Read(output, kind); }) {}

MadePaths::~MadePaths() {
    {
        const std::lock_guard<std::mutex> hold(m_lock);
        m_dropped = true;
        m_paths.clear();
    }
    m_changed.notify_all();
    m_thread.join();
}

void MadePaths::Read(const std::string& output, korvix::PathKind kind) {
    Reader reader(*this, kind);
    // Its route points are the generated routes' vias, and a track's points are read whole.
    const bool whole =
        korvix::read_file_paths(output, korvix::TrackPoints::all_points, reader).whole();
    {
        const std::lock_guard<std::mutex> hold(m_lock);
        m_ended = true;
        m_whole = whole;
    }
    m_changed.notify_all();
}

// The reader hands paths over in batches: the taker is woken once a batch is full (or the file
// read), not for every path, as a file of many short routes would have the two threads wake each
// other for every one.
void MadePaths::Put(MadePath path) {
    std::unique_lock<std::mutex> hold(m_lock);
    m_changed.wait(hold, [this] { return m_dropped || m_held < kMostHeld || m_paths.empty(); });
    if (m_dropped) {
        return;
    }
    m_held += path.positions.size();
    m_paths.push_back(std::move(path));
    const bool full = m_paths.size() >= kBatch || m_held >= kMostHeld / 2;
    hold.unlock();
    if (full) {
        m_changed.notify_all();
    }
}

// The paths handed over so far, taken at once; false when the file holds no more.
bool MadePaths::Take() {
    if (!m_taken.empty()) {
        return true;
    }
    std::unique_lock<std::mutex> hold(m_lock);
    m_changed.wait(hold, [this] { return m_ended || !m_paths.empty(); });
    m_taken.swap(m_paths);
    m_held = 0;
    hold.unlock();
    m_changed.notify_all();
    return !m_taken.empty();
}

const MadePath* MadePaths::Peek() {
    return Take() ? &m_taken.front() : nullptr;
}

std::optional<MadePath> MadePaths::Next() {
    if (!Take()) {
        return std::nullopt;
    }
    MadePath path = std::move(m_taken.front());
    m_taken.pop_front();
    return path;
}

bool MadePaths::Whole() {
    m_taken.clear();
    std::unique_lock<std::mutex> hold(m_lock);
    m_dropped = true;
    m_paths.clear();
    m_changed.notify_all();
    m_changed.wait(hold, [this] { return m_ended; });
    return m_whole;
}

} // namespace runkorvix
