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

// The routes (or tracks) of a run's output, read on a thread of their own while the input is
// read, and handed over in the order of the file: the two files are walked at once, and only
// the routes not yet matched with the input's tracks are held.
namespace runkorvix {

struct MadePath {
    std::string name;
    std::vector<std::uint64_t> positions; // position words (position_word.h)
};

class MadePaths {
public:
    // Starts reading the file `output`, keeping its paths of the kind `kind`.
    MadePaths(std::string output, korvix::PathKind kind);
    ~MadePaths();
    MadePaths(const MadePaths&) = delete;
    MadePaths& operator=(const MadePaths&) = delete;

    // The next path of the kind, waiting for it; none when the file holds no more.
    std::optional<MadePath> Next();
    // The first path still held, waiting for it; null when the file holds no more.
    const MadePath* Peek();
    // Takes no more and waits for the end of the file: whether korvix reads it whole.
    bool Whole();

private:
    class Reader;
    void Put(MadePath path);
    bool Take();
    void Read(const std::string& output, korvix::PathKind kind);

    // At most this many positions are held; the reader waits while they are.
    static constexpr std::size_t kMostHeld = std::size_t{1} << 22;
    // The taker is woken for this many paths at a time.
    static constexpr std::size_t kBatch = 256;
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::deque<MadePath> m_paths;
    std::size_t m_held = 0;
    bool m_ended = false;
    bool m_whole = false;
    bool m_dropped = false; // no more is taken: the reader reads on to the end, keeping nothing
    std::deque<MadePath> m_taken; // handed over, the taker's own
    std::thread m_thread;
};

} // namespace runkorvix
