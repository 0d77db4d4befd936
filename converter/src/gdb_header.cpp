#include "gdb_header.h"

#include <cstring>

namespace korvix {

namespace {

constexpr char file_signature[] = "MsRcf";
constexpr char application_signature[] = "MapSource";
constexpr std::uint32_t uninterpreted_header_bytes = 14;
constexpr int header_strings = 3;

bool read_signature(RunContext& run, const char* expected) {
    TextDestination scratch = run.scratch.destination();
    read_string(run.in, &scratch);
    return !run.in.failed() && std::strcmp(run.scratch.text, expected) == 0;
}

} // namespace

bool check_and_copy_header(RunContext& run) {
    if (!read_signature(run, file_signature))
        return false;
    write_string(run.out, file_signature);
    copy_bytes(run.in, &run.out, uninterpreted_header_bytes);
    for (int i = 0; i < header_strings; ++i)
        copy_bytes(run.in, &run.out, 0);
    if (!read_signature(run, application_signature))
        return false;
    write_string(run.out, application_signature);
    return true;
}

} // namespace korvix
