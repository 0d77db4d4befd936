#include "gpx_driver.h"

#include "command_line.h"
#include "file_names.h"
#include "gpx_conversions.h"
#include "platform.h"
#include "run_driver.h"
#include "run_messages.h"
#include "track_to_route.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace korvix {

namespace {

// expat is given the input in pieces of at most this many bytes, so that its own buffer, which
// holds a piece and what is left unparsed of the one before, stays small.
constexpr ByteCount feed_size = ByteCount{64} * 1024;

class StreamDriver final : public GpxDriver {
public:
    explicit StreamDriver(RunContext& run) : run_(run) {}

    void walk(GpxWalk& walk) override {
        XmlReader reader(walk);
        walk.attach(reader);
        if (!reader.ready()) {
            out_of_memory_ = true;
            return;
        }
        InputStream& in = run_.in;
        bool going = true;
        while (going && !run_.failed() && in.ensure(1)) {
            const ByteCount piece = std::min(in.available(), feed_size);
            going = reader.feed(in.data(), static_cast<std::size_t>(piece), false);
            in.consume(piece);
        }
        if (going && !run_.failed())
            reader.feed(nullptr, 0, true);
        error_ = reader.error();
    }

    const XmlError& error() const { return error_; }
    bool out_of_memory() const { return out_of_memory_; }

private:
    RunContext& run_;
    XmlError error_;
    bool out_of_memory_ = false;
};

void walk_option(StreamDriver& driver, RunContext& run, GpxMemory& memory) {
    switch (run.settings.mode) {
    case ConversionMode::track_all_points:
    case ConversionMode::track_via_points:
        convert_gpx_routes_to_tracks(driver, run, memory,
                                     run.settings.mode == ConversionMode::track_all_points);
        break;
    case ConversionMode::route_from_track_user_vias:
    case ConversionMode::route_from_track_hidden_vias:
        convert_gpx_tracks_to_routes(
            driver, run, memory, run.settings.mode == ConversionMode::route_from_track_hidden_vias);
        break;
    case ConversionMode::route_user_vias:
    case ConversionMode::route_hidden_vias:
        mark_gpx_route_points(driver, run, memory,
                              run.settings.mode == ConversionMode::route_hidden_vias);
        break;
    }
}

// Whether the input changed while the run read it, as on a GDB file (run_driver.cpp): its size or
// last change, or what the stream read behind the first track against what was read ahead.
bool gpx_input_changed(const RunContext& run, std::uint64_t version_at_start) {
    if (!run.checks_read_ahead || run.whole_input == nullptr)
        return false;
    if (run.whole_input->version() != version_at_start)
        return true;
    return run.read_ahead && !run.failed() && !run.read_ahead_check.holds();
}

} // namespace

int convert_gpx(RunContext& run, GpxMemory& memory, Console& success) {
    if (run.settings.output_named_gdb) {
        run.console.say(rules::gpx_needs_gpx_name_text);
        run.console.say(usage_text);
        return exit_usage;
    }
    const std::uint64_t version_at_start =
        run.whole_input != nullptr ? run.whole_input->version() : 0;
    StreamDriver driver(run);
    walk_option(driver, run, memory);
    run.out.flush();
    if (gpx_input_changed(run, version_at_start)) {
        run.console.say("Input file changed during the run\n");
        return exit_failed;
    }
    if (run.failed()) {
        say_run_failure(run.console, run.failure);
        return exit_failed;
    }
    if (driver.out_of_memory()) {
        run.console.say(not_enough_memory_text);
        return exit_failed;
    }
    if (driver.error().failed) {
        run.console.say(refusal_message(driver.error()).c_str());
        return exit_failed;
    }
    if (run.settings.fit)
        say_fit_result(run, success);
    return exit_completed;
}

} // namespace korvix
