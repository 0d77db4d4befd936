// The exact optimum of korvix's reductions beside what korvix keeps, route by route and track by
// track of a GDB file:
//
//   korvix_optimum_reference [--points N,...] [--tolerance M,...] [--exhaustive] FILE
//
// The points are those that korvix collects: the file is converted with -T in memory by korvix's
// own run (every route becomes a track of the points that -T collects, the tracks stay), and each
// track of the result is read as -V and -W read a track (track_points.h). For each count N
// (default 50, 100, 250) it prints the optimum's distance (the smallest largest distance of any
// reduction of at most N points, optimum.h), korvix's (simplify_points, as the run calls it), their
// ratio and korvix's count; for each tolerance M (default 5, 10, 25 m) the fewest points within
// M and korvix's. Tracks of no more points than N are left out of N's lines. --exhaustive checks
// every leg instead of those in the wedges (slow: for checking the wedges). One tab-separated line
// a case, then a summary.
#include "gdb_fields.h"
#include "gdb_header.h"
#include "leg_distance.h"
#include "optimum.h"
#include "point_simplify.h"
#include "record_walk.h"
#include "run_driver.h"
#include "track_points.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace korvix;

struct Options {
    std::vector<std::uint32_t> counts{50, 100, 250};
    std::vector<double> tolerances{5, 10, 25};
    bool exhaustive = false;
    const char* file = nullptr;
};

template <class T> bool parse_list(const char* text, std::vector<T>& values) {
    values.clear();
    for (const char* at = text; *at != 0;) {
        char* end = nullptr;
        const double value = std::strtod(at, &end);
        if (end == at || !(value > 0))
            return false;
        values.push_back(static_cast<T>(value));
        at = *end == ',' ? end + 1 : end;
        if (*end != ',' && *end != 0)
            return false;
    }
    return !values.empty();
}

bool parse(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--exhaustive") {
            o.exhaustive = true;
        } else if (arg == "--points" && i + 1 < argc) {
            if (!parse_list(argv[++i], o.counts))
                return false;
        } else if (arg == "--tolerance" && i + 1 < argc) {
            if (!parse_list(argv[++i], o.tolerances))
                return false;
        } else if (o.file == nullptr && arg[0] != '-') {
            o.file = argv[i];
        } else {
            return false;
        }
    }
    return o.file != nullptr;
}

// A tolerance in metres as korvix's reduction takes it (point_simplify.cpp): squared, a hair
// under it.
double korvix_tolerance(double metres) {
    const double semicircles = metres / metres_per_semicircle * (1 - 1e-9);
    return semicircles * semicircles;
}

// What korvix keeps of the points, and the largest distance it prints.
struct Kept {
    std::uint32_t count = 0;
    double metres = 0;
};

Kept korvix_keeps(const PointBuffer& points, std::uint32_t most, double metres,
                  PointSimplifier& scratch) {
    auto copy = std::make_unique<PointBuffer>(points);
    const double error = simplify_points(*copy, most, metres, scratch);
    return {copy->count, error};
}

struct Summary {
    std::vector<double> ratios;
    std::uint32_t farther = 0; // more than 1 % above the optimum
    std::uint32_t fewer = 0;   // fewer points than allowed, farther than the optimum
    std::uint32_t cases = 0;
    std::uint32_t above = 0; // tolerances: more points than the fewest
};

void measure_track(const char* name, const PointBuffer& points, const Options& o,
                   PointSimplifier& scratch, Summary& counts, Summary& tolerances) {
    for (const std::uint32_t n : o.counts) {
        if (points.count <= n)
            continue;
        const optimum::Reduction best = optimum::smallest_error(points, n, !o.exhaustive);
        const double optimum_metres = optimum::metres_of(best.error);
        const Kept k = korvix_keeps(points, n, 0, scratch);
        const double ratio = optimum_metres > 0 ? k.metres / optimum_metres : 1;
        std::printf("points\t%s\t%u\t%u\t%.3f\t%.3f\t%.4f\t%u\t%zu\n", name, points.count, n,
                    optimum_metres, k.metres, ratio, k.count, best.kept.size());
        counts.ratios.push_back(ratio);
        counts.farther += ratio > 1.01;
        counts.fewer += k.count < n && ratio > 1;
        ++counts.cases;
    }
    for (const double m : o.tolerances) {
        const optimum::Reduction best =
            optimum::fewest_within(points, korvix_tolerance(m), !o.exhaustive);
        const Kept k = korvix_keeps(points, 0, m, scratch);
        std::printf("tolerance\t%s\t%u\t%g\t%zu\t%u\t%.3f\t%.3f\n", name, points.count, m,
                    best.kept.size(), k.count, optimum::metres_of(best.error), k.metres);
        tolerances.above += k.count > best.kept.size();
        ++tolerances.cases;
    }
    std::fflush(stdout);
}

void print_summary(const Summary& counts, const Summary& tolerances) {
    std::vector<double> r = counts.ratios;
    std::sort(r.begin(), r.end());
    if (!r.empty())
        std::printf("summary points: %u cases, ratio median %.4f, 90th percentile %.4f, largest "
                    "%.4f; %u more than 1 %% above the optimum; %u with fewer points and farther\n",
                    counts.cases, r[r.size() / 2], r[r.size() * 9 / 10], r.back(), counts.farther,
                    counts.fewer);
    std::printf("summary tolerance: %u cases, %u with more points than the fewest\n",
                tolerances.cases, tolerances.above);
}

// The file with every route made a track of the points that -T collects.
std::vector<std::uint8_t> routes_as_tracks(const std::vector<std::uint8_t>& bytes) {
    auto memory = reserve_run_memory();
    RunSettings settings;
    settings.mode = ConversionMode::track_all_points;
    MemoryRun run = convert_memory(bytes, settings, *memory);
    if (run.status != exit_completed)
        std::fprintf(stderr, "korvix -T: %s", run.console.c_str());
    return std::move(run.output);
}

// Calls visit(name, points) for each track record of a GDB file in memory.
template <class Visit> bool for_each_track(const std::vector<std::uint8_t>& bytes, Visit visit) {
    RunFailure failure;
    InputStream in(failure, bytes);
    std::vector<std::uint8_t> header;
    OutputStream out(failure, header);
    auto scratch = std::make_unique<ScratchText>();
    const auto version = check_and_copy_header(in, out, *scratch);
    if (!version)
        return false;
    const VersionLayout layout = version_layout(*version);
    MemoryBytes whole(bytes);
    auto points = std::make_unique<PointBuffer>();
    walk_records_ahead(whole, in.offset(), 0, [&](const RecordHeader& h, auto) {
        if (h.type != track_record)
            return;
        RunFailure read_failure;
        InputStream body(read_failure, std::span(bytes).subspan(static_cast<std::size_t>(
                                           h.offset + record_header_width)));
        Console quiet;
        char name[256] = {};
        const TextDestination destination{name, sizeof name};
        read_track_body(body, nullptr, layout, h.body_length(), *points, quiet, &destination);
        if (!read_failure.failed())
            visit(name, *points);
    });
    return true;
}

} // namespace

int main(int argc, char** argv) {
    Options o;
    if (!parse(argc, argv, o)) {
        std::fprintf(stderr, "usage: korvix_optimum_reference [--points N,...] [--tolerance "
                             "M,...] [--exhaustive] FILE\n");
        return 2;
    }
    std::ifstream file(o.file, std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file), {}};
    auto scratch = std::make_unique<PointSimplifier>();
    Summary counts;
    Summary tolerances;
    std::printf("points\tname\tcollected\tN\toptimum m\tkorvix m\tratio\tkorvix kept\toptimum "
                "kept\ntolerance\tname\tcollected\tM\toptimum kept\tkorvix kept\toptimum m\tkorvix "
                "m\n");
    if (!for_each_track(routes_as_tracks(bytes), [&](const char* name, const PointBuffer& p) {
            measure_track(name, p, o, *scratch, counts, tolerances);
        })) {
        std::fprintf(stderr, "%s: not a GDB file\n", o.file);
        return 1;
    }
    print_summary(counts, tolerances);
    return 0;
}
