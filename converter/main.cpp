#include "platform.h"
#include "run_driver.h"
#include "run_messages.h"

#include <cstdio>
#include <new>
#include <string>
#include <string_view>
#include <vector>

int main(int argc, char** argv) {
    korvix::prepare_standard_streams();
    int status = korvix::exit_failed;
    try {
        const std::vector<std::string> text = korvix::program_arguments(argc, argv);
        const std::vector<std::string_view> arguments(text.begin(), text.end());
        status = korvix::run_korvix(arguments, stdout);
    } catch (const std::bad_alloc&) {
        // Only the arguments are allocated outside the run's memory, before any file is opened.
        std::fputs(korvix::not_enough_memory_text, stdout);
    }
    korvix::hold_own_console(stdout);
    return status;
}
