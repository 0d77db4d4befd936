// What the systems' ways of committing an output share: the object's life and the temporary
// name.
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
    close_folder();
}

OutputCommit::OutputCommit(OutputCommit&& other) noexcept
    : temporary_(std::move(other.temporary_)), final_(std::move(other.final_)),
      kept_(std::move(other.kept_)), folder_path_(std::move(other.folder_path_)),
      folder_(other.folder_), pending_(other.pending_), replaces_(other.replaces_),
      staged_output_(other.staged_output_), error_(other.error_) {
    other.temporary_.clear();
    other.folder_ = -1;
    other.pending_ = false;
    other.staged_output_ = -1;
}

OutputCommit& OutputCommit::operator=(OutputCommit&& other) noexcept {
    if (this != &other) {
        remove_temporary();
        close_staged_output();
        close_folder();
        temporary_ = std::move(other.temporary_);
        final_ = std::move(other.final_);
        kept_ = std::move(other.kept_);
        folder_path_ = std::move(other.folder_path_);
        folder_ = other.folder_;
        pending_ = other.pending_;
        replaces_ = other.replaces_;
        staged_output_ = other.staged_output_;
        error_ = other.error_;
        other.temporary_.clear();
        other.folder_ = -1;
        other.pending_ = false;
        other.staged_output_ = -1;
    }
    return *this;
}

File OutputCommit::adopt(std::FILE* file, std::filesystem::path temporary,
                         const std::filesystem::path& final_path, bool replaces) {
    temporary_ = std::move(temporary);
    final_ = final_path;
    replaces_ = replaces;
    pending_ = true;
    return File(file);
}

bool ends_in_folder(const std::filesystem::path& path) {
    const std::filesystem::path file_name = path.filename();
    return file_name.empty() || file_name == "." || file_name == "..";
}

std::filesystem::path temporary_name_beside(const std::filesystem::path& final_path,
                                            bool short_form) {
    if (ends_in_folder(final_path))
        return {};
    std::filesystem::path name = ".";
    if (!short_form) {
        name += final_path.filename();
        name += ".";
    }
    const std::array<char, 6> letters = temporary_name_letters();
    name += "korvix-" + std::string(letters.begin(), letters.end());
    return final_path.parent_path() / name;
}

} // namespace korvix
