// The exact optimum of korvix's reductions beside what korvix keeps, route by route and track by
// track of a GDB file:
//
//   korvix_optimum_reference [--points N,...|none] [--tolerance M,...|none] [--exhaustive]
//                            [--known TSV] FILE
//
// The points are those that korvix collects: the file is converted with -T in memory by korvix's
// own run (every route becomes a track of the points that -T collects, the tracks stay), and each
// track of the result is read as -V and -W read a track (track_points.h). For each count N
// (default 50, 100, 250) it prints the optimum's distance (the smallest largest distance of any
// reduction of at most N points, optimum.h), korvix's (simplify_points, as the run calls it), their
// ratio and korvix's count; for each tolerance M (default 5, 10, 25 m) the fewest points within
// M and korvix's. Tracks of no more points than N are left out of N's lines. --exhaustive checks
// every leg instead of those in the wedges (slow: for checking the wedges). --known takes the
// optimum of each case from an earlier output of the same file where it has it (to measure
// another korvix quickly). One tab-separated line a case, then a summary.
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
#include <ctime>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace korvix;

// The optimum of one case: its distance in metres and its count.
struct Known {
    double metres;
    std::size_t kept;
};

struct Options {
    std::vector<std::uint32_t> counts{50, 100, 250};
    std::vector<double> tolerances{5, 10, 25};
    bool exhaustive = false;
    const char* file = nullptr;
    // The optimum of earlier runs, by "points" or "tolerance", name, points collected and N or M.
    std::map<std::string, Known> known;
};

template <class T> bool parse_list(const char* text, std::vector<T>& values) {
    values.clear();
    if (std::string(text) == "none")
        return true;
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

// The optimum of each case of an earlier output: its distance and count, by the case's first four
// columns.
bool read_known(const char* path, std::map<std::string, Known>& known) {
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        std::vector<std::string> column;
        for (std::size_t at = 0;;) {
            const std::size_t tab = line.find('\t', at);
            column.push_back(line.substr(at, tab - at));
            if (tab == std::string::npos)
                break;
            at = tab + 1;
        }
        const bool counts = column[0] == "points" && column.size() >= 9;
        const bool within = column[0] == "tolerance" && column.size() >= 8;
        if (!counts && !within)
            continue;
        const std::string key = column[0] + '\t' + column[1] + '\t' + column[2] + '\t' + column[3];
        known[key] =
            counts
                ? Known{std::atof(column[4].c_str()), std::strtoul(column[8].c_str(), nullptr, 10)}
                : Known{std::atof(column[6].c_str()), std::strtoul(column[4].c_str(), nullptr, 10)};
    }
    return static_cast<bool>(in.eof());
}

bool parse(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--exhaustive") {
            o.exhaustive = true;
        } else if (arg == "--known" && i + 1 < argc) {
            if (!read_known(argv[++i], o.known))
                return false;
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
    double milliseconds = 0;      // processor time of the reduction
    optimum::Reduction reduction; // the points kept, by their index among those collected
};

Kept korvix_keeps(const PointBuffer& points, std::uint32_t most, double metres,
                  PointSimplifier& scratch) {
    auto copy = std::make_unique<PointBuffer>(points);
    Kept k;
    const std::clock_t start = std::clock();
    k.metres = simplify_points(*copy, most, metres, scratch);
    k.milliseconds = 1000.0 * static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
    k.count = copy->count;
    for (std::uint32_t i = 0, at = 0; i < copy->count; ++i, ++at) {
        while (at < points.count && (points.latitude[at] != copy->latitude[i] ||
                                     points.longitude[at] != copy->longitude[i]))
            ++at;
        k.reduction.kept.push_back(at);
    }
    k.reduction.error = optimum::reduction_error(points, k.reduction.kept);
    return k;
}

struct Summary {
    std::vector<double> ratios;
    std::uint32_t farther = 0; // more than 1 % above the optimum
    std::uint32_t fewer = 0;   // fewer points than allowed, farther than the optimum
    std::uint32_t cases = 0;
    std::uint32_t above = 0; // tolerances: more points than the fewest
};

std::string key_of(const char* what, const char* name, std::uint32_t collected, double n) {
    char numbers[64];
    std::snprintf(numbers, sizeof numbers, "\t%u\t%g", collected, n);
    std::string key = what;
    key.append("\t").append(name).append(numbers);
    return key;
}

// The optimum of a case: known from an earlier run, or computed.
template <class Compute>
Known optimum_of(const Options& o, const std::string& key, Compute compute) {
    const auto found = o.known.find(key);
    return found != o.known.end() ? found->second : compute();
}

void measure_track(const char* name, const PointBuffer& points, const Options& o,
                   PointSimplifier& scratch, Summary& counts, Summary& tolerances) {
    for (const std::uint32_t n : o.counts) {
        if (points.count <= n)
            continue;
        const Kept k = korvix_keeps(points, n, 0, scratch);
        const Known best = optimum_of(o, key_of("points", name, points.count, n), [&] {
            const optimum::Reduction r =
                optimum::smallest_error(points, n, !o.exhaustive, &k.reduction);
            return Known{optimum::metres_of(r.error), r.kept.size()};
        });
        const double ratio = best.metres > 0 ? k.metres / best.metres : 1;
        std::printf("points\t%s\t%u\t%u\t%.4f\t%.4f\t%.4f\t%u\t%zu\t%.2f\n", name, points.count, n,
                    best.metres, k.metres, ratio, k.count, best.kept, k.milliseconds);
        counts.ratios.push_back(ratio);
        counts.farther += ratio > 1.01;
        counts.fewer += k.count < n && ratio > 1;
        ++counts.cases;
    }
    for (const double m : o.tolerances) {
        const Known best = optimum_of(o, key_of("tolerance", name, points.count, m), [&] {
            const optimum::Reduction r =
                optimum::fewest_within(points, korvix_tolerance(m), !o.exhaustive);
            return Known{optimum::metres_of(r.error), r.kept.size()};
        });
        const Kept k = korvix_keeps(points, 0, m, scratch);
        std::printf("tolerance\t%s\t%u\t%g\t%zu\t%u\t%.4f\t%.4f\t%.2f\n", name, points.count, m,
                    best.kept, k.count, best.metres, k.metres, k.milliseconds);
        tolerances.above += k.count > best.kept;
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
    std::printf(
        "points\tname\tcollected\tN\toptimum m\tkorvix m\tratio\tkorvix kept\toptimum "
        "kept\tkorvix ms\ntolerance\tname\tcollected\tM\toptimum kept\tkorvix kept\toptimum "
        "m\tkorvix m\tkorvix ms\n");
    if (!for_each_track(routes_as_tracks(bytes), [&](const char* name, const PointBuffer& p) {
            measure_track(name, p, o, *scratch, counts, tolerances);
        })) {
        std::fprintf(stderr, "%s: not a GDB file\n", o.file);
        return 1;
    }
    print_summary(counts, tolerances);
    return 0;
}
