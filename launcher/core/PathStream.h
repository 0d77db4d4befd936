#pragma once

#include "file_paths.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// The routes and tracks of a GPS file, read on a thread of their own and handed over in the order
// of the file: the picture of a run reads its input and its output each so, at once, while it
// matches the two, and only the paths not yet taken are held.
namespace runkorvix {

struct StreamedPath {
    korvix::PathKind kind = korvix::PathKind::route;
    std::uint64_t index = 0; // among the file's routes, or among its tracks
    std::string name;
    std::vector<std::uint64_t> positions; // position words (position_word.h)
};

class PathStream {
public:
    // Starts reading the file `name`, a route's points as `routePoints` says, keeping its paths of
    // the kind `kind`, or all.
    PathStream(std::string name, korvix::TrackPoints routePoints,
               std::optional<korvix::PathKind> kind);
    ~PathStream();
    PathStream(const PathStream&) = delete;
    PathStream& operator=(const PathStream&) = delete;

    // The next path, waiting for it; none when the file holds no more.
    std::optional<StreamedPath> Next();
    // The first path still held, waiting for it; null when the file holds no more.
    const StreamedPath* Peek();
    // Gives the positions of a path taken back, for the reader to fill again: a file of many
    // paths then costs no new memory for each.
    void Recycle(std::vector<std::uint64_t> positions);
    // Takes no more and waits for the end of the file: whether korvix reads it whole.
    bool Whole();

private:
    class Reader;
    // Hands `path` over; gives a spare of the positions given back in `spare`, if there is one.
    void Put(StreamedPath path, std::vector<std::uint64_t>& spare);
    bool Take();
    void Read(const std::string& name, korvix::TrackPoints routePoints,
              std::optional<korvix::PathKind> kind);

    // At most this many positions are held; the reader waits while they are.
    static constexpr std::size_t kMostHeld = std::size_t{1} << 22;
    // The taker is woken for this many paths at a time.
    static constexpr std::size_t kBatch = 256;
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::deque<StreamedPath> m_paths;
    std::size_t m_held = 0;
    bool m_ended = false;
    bool m_whole = false;
    bool m_dropped = false; // no more is taken: the reader reads on to the end, keeping nothing
    std::vector<std::vector<std::uint64_t>> m_spares;   // given back, for the reader
    std::deque<StreamedPath> m_taken;                   // handed over, the taker's own
    std::vector<std::vector<std::uint64_t>> m_recycled; // given back, not yet to the reader
    std::thread m_thread;
};

} // namespace runkorvix
