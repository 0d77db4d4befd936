#include "route_rewrite.h"

#include "route_walk.h"

namespace korvix {

namespace {

// Moves a route body behind its name, rewriting the class block of every route point.
void copy_route(RunContext& run, BodyRemainder& body, ClassRewrite rewrite) {
    auto no_use = [](std::uint64_t, std::int32_t, std::int32_t) {};
    walk_route({run.in, &run.out, run.layout}, body, rewrite, no_use);
    body.move_rest(&run.out);
}

} // namespace

void rewrite_record(RunContext& run, const RecordHeader& header, ClassRewrite rewrite) {
    write_record_header(run.out, run.in, header);
    BodyRemainder body(run.in, header.body_length());
    body.take(copy_string(run.in, &run.out)); // the name
    if (header.type == waypoint_record) {
        rewrite_waypoint_class({run.in, &run.out, run.layout}, body, rewrite);
        body.move_rest(&run.out);
    } else {
        copy_route(run, body, rewrite);
    }
}

} // namespace korvix
