#include "run_messages.h"

namespace korvix {

const char* failure_message(Failure failure) {
    switch (failure) {
    case Failure::end_of_input:
        return "Unexpected end of input file\n";
    case Failure::input_read_failed:
        return "Can't read input file\n";
    case Failure::record_too_short:
        return "Record shorter than its fields - input file corrupt\n";
    case Failure::output_write_failed:
        return "Can't write output file\n";
    case Failure::input_changed:
        return "Input file changed during the run\n";
    case Failure::none:
        break;
    }
    return "";
}

} // namespace korvix
