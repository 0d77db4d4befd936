// How a run's output reaches its name. A regular file, existing or new, is written under a
// temporary name in the output's own folder and renamed over the output only when the run has
// succeeded, so that a failed or interrupted run leaves an existing output byte for byte as it was
// and makes no new one. Devices, FIFOs, and a writable output whose folder takes no new file are
// written directly under their name. One source file per system implements the class
// (output_commit_posix.cpp, output_commit_windows.cpp).
#pragma once

#include "owned_file.h"

#include <cstdint>
#include <filesystem>

namespace korvix {

class OutputCommit {
public:
    OutputCommit() = default; // the output is written directly under its name
    ~OutputCommit();          // removes a temporary file that was not committed
    OutputCommit(OutputCommit&& other) noexcept;
    OutputCommit& operator=(OutputCommit&& other) noexcept;
    OutputCommit(const OutputCommit&) = delete;
    OutputCommit& operator=(const OutputCommit&) = delete;

    // Creates a new, empty file in the folder of `final_path` under a name that tells what it is
    // (".out.gdb.korvix-Ab3x9Z" beside "out.gdb"), open for binary writing, and has it removed
    // when a signal to stop (SIGINT, SIGTERM, SIGHUP; on Windows Ctrl+C, Ctrl+Break, the
    // console's close) ends korvix. `existing` is a descriptor of the output that the new file
    // replaces, whose permissions it takes, or -1 when there is no output yet. Returns nothing
    // when the folder does not take the new file.
    File create_temporary(const std::filesystem::path& final_path, int existing);

    // Whether the output is written under a temporary name.
    bool pending() const { return !temporary_.empty(); }

    // The run succeeded: closes `output`; when it was written under a temporary name, flushes it
    // to the disk before and then puts it in the output's place. False when any of this fails:
    // the temporary file is then removed, and the output's name is left as it was.
    bool commit(File& output);

    // The run failed: closes `output` and removes the temporary file it was written to.
    void discard(File& output);

private:
    // What each system does: flushes the file's bytes to the disk; renames the closed temporary
    // file over the output (false when it is not in place); removes the temporary file.
    static bool flush_to_disk(std::FILE* file);
    bool put_in_place();
    void remove_temporary();
    // The temporary file just made, registered for removal: this object's from now on.
    File adopt(std::FILE* file, std::filesystem::path temporary,
               const std::filesystem::path& final_path, bool replaces);

    std::filesystem::path temporary_; // empty when the output is written directly
    std::filesystem::path final_;
    bool replaces_ = false; // an output existed when the run began
};

// 64 bits that differ from one process to the next and from one call to the next: the system's
// random bytes where it gives them, else its process number and clock (one per system).
std::uint64_t unpredictable_bits();

// A temporary name in the folder of `final_path`: ".out.gdb.korvix-Ab3x9Z" beside "out.gdb", or,
// `short_form`, ".korvix-Ab3x9Z" for an output whose name leaves no room for more. Empty when
// `final_path` ends in no file name ("maps/", ".", "..").
std::filesystem::path temporary_name_beside(const std::filesystem::path& final_path,
                                            bool short_form);

} // namespace korvix
