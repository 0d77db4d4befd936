#include "PathStream.h"

#include "position_word.h"

namespace runkorvix {

class PathStream::Reader : public korvix::PathVisitor {
public:
    Reader(PathStream& paths, std::optional<korvix::PathKind> kind)
        : m_paths(paths), m_kind(kind) {}
    void path(const korvix::PathSeen& seen) override {
        if (m_kind && seen.kind != *m_kind) {
            return;
        }
        StreamedPath path{seen.kind, seen.index, std::string(seen.name), std::move(m_spare)};
        path.positions.resize(seen.points.count);
        for (std::uint32_t i = 0; i < seen.points.count; ++i) {
            path.positions[i] =
                korvix::position_word(seen.points.latitude[i], seen.points.longitude[i]);
        }
        m_paths.Put(std::move(path), m_spare);
    }

private:
    PathStream& m_paths;
    std::vector<std::uint64_t> m_spare;
    std::optional<korvix::PathKind> m_kind;
};

PathStream::PathStream(std::string name, korvix::TrackPoints routePoints,
                       std::optional<korvix::PathKind> kind)
    : m_thread(
          [this, name = std::move(name), routePoints, kind] { Read(name, routePoints, kind); }) {}

PathStream::~PathStream() {
    {
        const std::lock_guard<std::mutex> hold(m_lock);
        m_dropped = true;
        m_paths.clear();
    }
    m_changed.notify_all();
    m_thread.join();
}

void PathStream::Read(const std::string& name, korvix::TrackPoints routePoints,
                      std::optional<korvix::PathKind> kind) {
    Reader reader(*this, kind);
    const bool whole = korvix::read_file_paths(name, routePoints, reader).whole();
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
void PathStream::Put(StreamedPath path, std::vector<std::uint64_t>& spare) {
    std::unique_lock<std::mutex> hold(m_lock);
    m_changed.wait(hold, [this] { return m_dropped || m_held < kMostHeld || m_paths.empty(); });
    if (m_dropped) {
        spare = std::move(path.positions);
        return;
    }
    if (!m_spares.empty()) {
        spare = std::move(m_spares.back());
        m_spares.pop_back();
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
bool PathStream::Take() {
    if (!m_taken.empty()) {
        return true;
    }
    std::unique_lock<std::mutex> hold(m_lock);
    m_changed.wait(hold, [this] { return m_ended || !m_paths.empty(); });
    m_taken.swap(m_paths);
    m_held = 0;
    // At most a batch's worth of spares: those of a few long paths are not held for many short.
    for (std::vector<std::uint64_t>& positions : m_recycled) {
        if (m_spares.size() < kBatch) {
            m_spares.push_back(std::move(positions));
        }
    }
    m_recycled.clear();
    hold.unlock();
    m_changed.notify_all();
    return !m_taken.empty();
}

const StreamedPath* PathStream::Peek() {
    return Take() ? &m_taken.front() : nullptr;
}

std::optional<StreamedPath> PathStream::Next() {
    if (!Take()) {
        return std::nullopt;
    }
    StreamedPath path = std::move(m_taken.front());
    m_taken.pop_front();
    return path;
}

void PathStream::Recycle(std::vector<std::uint64_t> positions) {
    if (m_recycled.size() < kBatch) {
        m_recycled.push_back(std::move(positions));
    }
}

bool PathStream::Whole() {
    m_taken.clear();
    std::unique_lock<std::mutex> hold(m_lock);
    m_dropped = true;
    m_paths.clear();
    m_changed.notify_all();
    m_changed.wait(hold, [this] { return m_ended; });
    return m_whole;
}

} // namespace runkorvix
