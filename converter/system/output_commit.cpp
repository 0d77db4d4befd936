// What the systems' ways of committing an output share: the object's life, the commit and the
// discard, and the temporary name.
#include "output_commit.h"

#include <array>
#include <cstdint>
#include <string>
#include <utility>

namespace korvix {

namespace {

// Two runs started at the same moment get different names from the system's random bytes, or
// from their process numbers and the clock; a name that is taken is followed by another anyway.
// (std::random_device would cost the process some 160 KB of memory for the same.)
std::uint64_t name_seed() {
    return unpredictable_bits() ^ reinterpret_cast<std::uintptr_t>(&unpredictable_bits);
}

// Six letters and digits for a temporary name, different at each call and, by their seed, in
// each process.
std::array<char, 6> temporary_name_letters() {
    static constexpr char alphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    constexpr std::uint64_t letters = sizeof alphabet - 1;
    static std::uint64_t state = name_seed();
    // SplitMix64: each step gives 64 well mixed bits, of which the six letters take 36.
    state += 0x9E3779B97F4A7C15U;
    std::uint64_t bits = state;
    bits = (bits ^ (bits >> 30)) * 0xBF58476D1CE4E5B9U;
    bits = (bits ^ (bits >> 27)) * 0x94D049BB133111EBU;
    bits ^= bits >> 31;
    std::array<char, 6> name;
    for (char& letter : name) {
        letter = alphabet[bits % letters];
        bits /= letters;
    }
    return name;
}

} // namespace

OutputCommit::~OutputCommit() {
    remove_temporary();
    close_staged_output();
}

OutputCommit::OutputCommit(OutputCommit&& other) noexcept
    : temporary_(std::move(other.temporary_)), final_(std::move(other.final_)),
      kept_(std::move(other.kept_)), replaces_(other.replaces_),
      staged_output_(other.staged_output_), error_(other.error_) {
    other.temporary_.clear();
    other.staged_output_ = -1;
}

OutputCommit& OutputCommit::operator=(OutputCommit&& other) noexcept {
    if (this != &other) {
        remove_temporary();
        close_staged_output();
        temporary_ = std::move(other.temporary_);
        final_ = std::move(other.final_);
        kept_ = std::move(other.kept_);
        replaces_ = other.replaces_;
        staged_output_ = other.staged_output_;
        error_ = other.error_;
        other.temporary_.clear();
        other.staged_output_ = -1;
    }
    return *this;
}

bool OutputCommit::commit(File& output) {
    std::FILE* file = output.release();
    if (!pending())
        return std::fclose(file) == 0;
    if (staged_output_ != -1) {
        // A copy that failed before it changed the output leaves the temporary file to be
        // removed; one that failed part of the way has kept it.
        const bool copied = std::fflush(file) == 0 && copy_over_output(file);
        std::fclose(file);
        close_staged_output();
        remove_temporary();
        return copied;
    }
    bool written = std::fflush(file) == 0 && flush_to_disk(file);
    written = std::fclose(file) == 0 && written;
    if (written && put_in_place())
        return true;
    remove_temporary();
    return false;
}

File OutputCommit::adopt(std::FILE* file, std::filesystem::path temporary,
                         const std::filesystem::path& final_path, bool replaces) {
    temporary_ = std::move(temporary);
    final_ = final_path;
    replaces_ = replaces;
    return File(file);
}

void OutputCommit::discard(File& output) {
    output.reset();
    remove_temporary();
}

std::filesystem::path temporary_name_beside(const std::filesystem::path& final_path,
                                            bool short_form) {
    const std::filesystem::path file_name = final_path.filename();
    if (file_name.empty() || file_name == "." || file_name == "..")
        return {};
    std::filesystem::path name = ".";
    if (!short_form) {
        name += file_name;
        name += ".";
    }
    const std::array<char, 6> letters = temporary_name_letters();
    name += "korvix-" + std::string(letters.begin(), letters.end());
    return final_path.parent_path() / name;
}

} // namespace korvix
