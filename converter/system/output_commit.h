// How a run's output reaches its name. A regular file, existing or new, is written to a temporary
// file in the output's own folder and put in the output's place only when the run has succeeded,
// so that a failed or interrupted run leaves an existing output byte for byte as it was and makes
// no new one. An existing output whose folder takes no new file, or does not let korvix replace
// it, is written to a temporary file in the system's temporary folder instead, whose bytes are
// copied over the output only when the run has succeeded. Devices and FIFOs are written directly
// under their name. One source file per system implements the class (output_commit_posix.cpp,
// output_commit_windows.cpp).
#pragma once

#include "owned_file.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

namespace korvix {

class OutputCommit {
public:
    OutputCommit() = default; // the output is written directly under its name
    ~OutputCommit();          // removes a temporary file that was not committed
    OutputCommit(OutputCommit&& other) noexcept;
    OutputCommit& operator=(OutputCommit&& other) noexcept;
    OutputCommit(const OutputCommit&) = delete;
    OutputCommit& operator=(const OutputCommit&) = delete;

    // Creates a new, empty file in the folder of `final_path`, open for binary writing, to be put
    // in the output's place, and has it removed when a signal to stop ends korvix: on POSIX
    // systems SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM, SIGVTALRM, SIGPROF or
    // SIGXCPU, each unless korvix was started to ignore it; on Windows any console control event.
    // The file has a name that tells what it is (".out.gdb.korvix-Ab3x9Z" beside "out.gdb"), or,
    // on Linux where the file system makes them, no name at all until the commit gives it one
    // (O_TMPFILE). On POSIX systems the folder is opened once, here, and every later step is taken
    // in that open folder, wherever it is moved or whatever its name comes to lead to. `existing`
    // is a descriptor of the output that the new file replaces, whose permissions (and on Linux
    // extended attributes, ACLs among them) it takes, or -1 when there is no output yet. Returns
    // nothing when the folder does not take the new file, or does not hold `existing` under that
    // name; error() then tells why.
    File create_temporary(const std::filesystem::path& final_path, int existing);

    // Creates a new, empty file in the system's temporary folder, readable by its owner alone,
    // whose bytes are copied over the open output `existing` when the run has succeeded: for an
    // output that korvix may write but not replace. Takes `existing` over: it is closed with this
    // object. Returns nothing when no such file can be made; error() then tells why.
    File create_staged(const std::filesystem::path& final_path, int existing);

    // Why the last create_temporary, create_staged or commit failed.
    const std::error_code& error() const { return error_; }

    // Whether a failed temporary file in the output's folder leaves another way: the folder
    // refuses new files by its permissions, lies on a file system mounted read-only, or does not
    // let korvix replace the output.
    static bool refused_by_folder(const std::error_code& error);

    // Whether the output is written to a temporary file.
    bool pending() const { return pending_; }

    // The run succeeded: flushes the output to the disk when it is a temporary file and then puts
    // it in the output's place: renamed over it, or its bytes copied over those of the output;
    // closes it. From then on until korvix ends, a signal to stop no longer ends it: the output is
    // whole and the run has succeeded. False when any of this fails, error() then telling why:
    // the temporary file is then removed and the output's name left as it was, unless a copy over
    // the output failed part of the way (kept_path() then names the temporary file, which holds
    // the only whole copy of the output).
    bool commit(File& output);

    // The run failed: closes `output` and removes the temporary file it was written to.
    void discard(File& output);

    // The temporary file left behind by a failed copy over the output, or empty.
    const std::filesystem::path& kept_path() const { return kept_; }

private:
    // What each system does: flushes the file's bytes to the disk; puts the temporary file
    // `output` in the output's place and closes it (false, error_ telling why, when it is not in
    // place: the file is then removed, or left open for discard() to remove); copies the bytes of
    // the temporary file over the output; removes the temporary file.
    bool flush_to_disk(std::FILE* file);
    bool put_in_place(File& output);
    bool copy_over_output(std::FILE* file);
    void remove_temporary();
    void close_staged_output();
    void close_folder();
    // The temporary file just made: this object's from now on.
    File adopt(std::FILE* file, std::filesystem::path temporary,
               const std::filesystem::path& final_path, bool replaces);

    // The temporary file's name (on POSIX systems in folder_; empty while it has none) and the
    // output's (on POSIX systems its name in folder_).
    std::filesystem::path temporary_;
    std::filesystem::path final_;
    std::filesystem::path kept_;
    std::filesystem::path folder_path_; // where folder_ was opened, for the name of a kept file
    int folder_ = -1;                   // POSIX systems: the temporary file's folder, open; else -1
    bool pending_ = false;
    bool replaces_ = false;  // an output existed when the run began
    int staged_output_ = -1; // the output that a staged file's bytes are copied over, or -1
    std::error_code error_;
};

// Called, when set, at the moment the output is in place, with the signals to stop held back: a
// test raises one there to see that it no longer ends the run.
extern void (*output_in_place_hook)();

// Called, when set, just before a temporary file in the output's folder is put in the output's
// place: a test renames the folder there, repoints a link to it or takes its write permission.
extern void (*output_placing_hook)();

// 64 bits that differ from one process to the next and from one call to the next: the system's
// random bytes where it gives them, else its process number and clock (one per system).
std::uint64_t unpredictable_bits();

// A temporary name in the folder of `final_path`: ".out.gdb.korvix-Ab3x9Z" beside "out.gdb", or,
// `short_form`, ".korvix-Ab3x9Z" for an output whose name leaves no room for more. Empty when
// `final_path` ends in no file name (ends_in_folder).
std::filesystem::path temporary_name_beside(const std::filesystem::path& final_path,
                                            bool short_form);

// Whether a name ends in no file name and so names a folder, whatever lies there: it ends in a
// folder separator ("maps/"; on Windows also "maps\"), in "." or "..", or is a root ("/").
bool ends_in_folder(const std::filesystem::path& path);

#ifdef _WIN32
// The path of the open file itself ("\\?\C:\maps\out.gdb"), wherever the links and drive
// letters of the name it was opened by lead; empty when the system cannot tell it.
std::wstring final_path_of(void* handle);
#endif

} // namespace korvix
