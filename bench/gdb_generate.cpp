// Writes a large, valid MapSource GDB file for the benchmark: a pool of waypoints, then
// routes through them (every via is one of the waypoints, and each route point carries the link
// points of the leg to the next via), with tracks of altitude and time mixed in, until the file has
// the requested size. Coordinates lie around London (longitudes on both sides of the prime
// meridian) and around Quito (latitudes on both sides of the equator). The records follow the
// layouts of GDB version 1 or, with --version 3, those of version 3 (MapSource 6, BaseCamp):
// route points closed by their link flag and 10 bytes, routes by their colour, track points
// with temperatures.
//
//   korvix_gdb_generate [--size MB] [--tracks PERCENT] [--seed N] [--version 1|3]
//                       [--waypoints N] [--vias N] [--links N] [--autoroutes] OUTFILE
//
// --vias and --links fix the vias of every route and the link points of every leg (many small
// routes, as GPS users plan them); --autoroutes writes routes as BaseCamp saves the routes it
// calculates along roads (version 3, application BaseCamp): route points with a country code and
// the 16 bytes behind a route point tail flag of 1, legs of many link points without altitudes.
// The same arguments always give the same file.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// splitmix64: small, fast and the same on every platform.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // An integer from low to high inclusive.
    int between(int low, int high) {
        return low + static_cast<int>(next() % static_cast<std::uint64_t>(high - low + 1));
    }
    // A number in [0, 1).
    double unit() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }
    bool chance(double p) { return unit() < p; }

private:
    std::uint64_t state_;
};

// GDB coordinates are semicircles: 2^31 of them make 180 degrees.
std::int32_t semicircles(double degrees) {
    return static_cast<std::int32_t>(std::lround(degrees * 2147483648.0 / 180.0));
}

struct Position {
    std::int32_t latitude;
    std::int32_t longitude;
};

struct Bounds {
    Position max{INT32_MIN, INT32_MIN};
    Position min{INT32_MAX, INT32_MAX};
    void add(Position p) {
        max.latitude = std::max(max.latitude, p.latitude);
        max.longitude = std::max(max.longitude, p.longitude);
        min.latitude = std::min(min.latitude, p.latitude);
        min.longitude = std::min(min.longitude, p.longitude);
    }
};

struct Region {
    double latitude;
    double longitude;
    double spread; // degrees either side of the centre
};

// London straddles the prime meridian, Quito the equator.
constexpr Region regions[] = {{51.50, 0.00, 0.40}, {0.00, -78.50, 0.40}};
constexpr int region_count = 2;

// Appends GDB fields to a record body.
class Body {
public:
    void u8(std::uint8_t value) { bytes_.push_back(value); }
    void i32(std::int32_t value) {
        const auto bits = static_cast<std::uint32_t>(value);
        for (int shift = 0; shift < 32; shift += 8)
            bytes_.push_back(static_cast<std::uint8_t>(bits >> shift));
    }
    void f64(double value) {
        std::uint64_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        for (int shift = 0; shift < 64; shift += 8)
            bytes_.push_back(static_cast<std::uint8_t>(bits >> shift));
    }
    void str(const std::string& text) {
        bytes_.insert(bytes_.end(), text.begin(), text.end());
        bytes_.push_back(0);
    }
    void raw(const std::uint8_t* bytes, std::size_t count) {
        bytes_.insert(bytes_.end(), bytes, bytes + count);
    }
    // A position and its altitude: presence byte 0, or 1 and an 8-byte value.
    void position(Position p, bool with_altitude, double altitude) {
        i32(p.latitude);
        i32(p.longitude);
        u8(with_altitude ? 1 : 0);
        if (with_altitude)
            f64(altitude);
    }
    const Bytes& bytes() const { return bytes_; }
    void clear() { bytes_.clear(); }

private:
    Bytes bytes_;
};

// The 27-byte class block of a waypoint and of a route point: class byte, detail, subclass byte.
constexpr std::uint8_t class_block[27] = {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                                          0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                          0xFF, 0xFF, 0xFF, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF};
// Behind a waypoint's comment: proximity flag, display, colour, icon, city, state and the rest.
constexpr std::uint8_t waypoint_tail[30] = {0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                                            0x00, 0x12, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
// Behind the class block of a route point.
constexpr std::uint8_t route_point_tail[19] = {0x00, 0x03};
// Version 3: behind each route point, and behind the last one: no links, colour 14, "".
constexpr std::uint8_t route_point_end[10] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
constexpr std::uint8_t route_end[10] = {0x00, 0x00, 0x00, 0x00, 0x0E};
constexpr std::uint8_t zeros[16] = {};

struct Waypoint {
    std::string name;
    Position position;
    std::uint8_t class_byte;
    std::uint8_t subclass;
    int region;
};

// How the routes are shaped.
struct RouteShape {
    int vias = 0;  // 0: 20 to 60
    int links = 0; // 0: 40 to 150 per leg
    bool autoroutes = false;
};

class Generator {
public:
    Generator(std::FILE* file, std::uint64_t seed, int version, RouteShape shape)
        : file_(file), random_(seed), version_(version), shape_(shape) {}

    bool failed() const { return failed_; }
    std::uint64_t written() const { return written_; }

    void header() {
        const std::string creator = "korvix-bench";
        const std::string date = "Dec 07 2026";
        const std::string time = "12:00:00";
        Body h;
        h.str("MsRcf");
        h.i32(2); // the 'D' record: version letter 'k' is version 1, 'm' version 3
        h.u8('D');
        h.u8(version_ == 3 ? 'm' : 'k');
        h.u8(0);
        h.i32(
            static_cast<std::int32_t>(2 + creator.size() + 1 + date.size() + 1 + time.size() + 1));
        h.u8('A');
        h.u8(0x5D); // application version
        h.u8(0x02);
        h.str(creator);
        h.str(date);
        h.str(time);
        h.str(shape_.autoroutes ? "BaseCamp" : "MapSource");
        emit(h.bytes());
    }

    void waypoints(int count) {
        for (int i = 0; i < count; ++i) {
            Waypoint w;
            w.region = i % region_count;
            const Region& r = regions[w.region];
            w.position = {semicircles(r.latitude + (random_.unit() * 2 - 1) * r.spread),
                          semicircles(r.longitude + (random_.unit() * 2 - 1) * r.spread)};
            // Via classes 10 and 12 (with their subclasses) for the rewrites, and user vias.
            const int kind = random_.between(0, 4);
            w.class_byte = kind < 2 ? 10 : kind == 2 ? 12 : 0;
            w.subclass = w.class_byte == 10 ? 31 : w.class_byte == 12 ? 33 : 0xFF;
            w.name = "WP" + std::to_string(10000 + i);
            pool_.push_back(w);

            Body b;
            b.str(w.name);
            write_class_block(b, w.class_byte, w.subclass);
            b.position(w.position, random_.chance(0.5), random_.between(0, 2000) / 10.0);
            b.str(random_.chance(0.3) ? "Waypoint " + std::to_string(i) : "");
            b.raw(waypoint_tail, sizeof waypoint_tail);
            if (version_ == 3)
                b.raw(zeros, 9); // the fields that version 3 adds
            record('W', b);
        }
    }

    // A route through 20 to 60 vias of one region, each leg carrying 40 to 150 link points from
    // its via to the next: never more than 9000 link points, so no route is truncated.
    void route(int number) {
        const std::vector<const Waypoint*> path = route_vias();
        const bool altitudes = !shape_.autoroutes && random_.chance(0.5);
        // The legs first, so that the route's bounds can be written ahead of them.
        Bounds route_bounds;
        const std::vector<std::vector<Position>> legs = route_legs(path, route_bounds);

        Body b;
        b.str("Route " + std::to_string(number));
        b.u8(0); // route flag bytes
        b.u8(0);
        b.position(route_bounds.max, false, 0);
        b.position(route_bounds.min, false, 0);
        b.i32(static_cast<std::int32_t>(path.size()));
        for (std::size_t v = 0; v < path.size(); ++v) {
            b.str(path[v]->name);
            if (shape_.autoroutes) {
                write_autoroute_class_block(b, path[v]->class_byte, path[v]->subclass);
                b.u8(1); // the route point tail flag, and the 16 bytes behind it
                b.raw(zeros, 16);
                b.raw(route_point_tail + 1, sizeof route_point_tail - 1);
            } else {
                write_class_block(b, path[v]->class_byte, path[v]->subclass);
                b.raw(route_point_tail, sizeof route_point_tail);
            }
            if (v + 1 == path.size()) {
                b.i32(0); // the last via has no link points
                b.u8(1);  // and no link bounds
                if (version_ == 3)
                    b.raw(route_point_end, sizeof route_point_end);
                break;
            }
            write_links(b, legs[v], altitudes);
        }
        if (version_ == 3)
            b.raw(route_end, sizeof route_end);
        else
            b.u8(0);
        record('R', b);
    }

    // The vias of a route: waypoints of one region, no two in a row the same.
    std::vector<const Waypoint*> route_vias() {
        const int region = random_.between(0, region_count - 1);
        const int vias = shape_.vias > 0 ? shape_.vias : random_.between(20, 60);
        std::vector<const Waypoint*> path;
        while (static_cast<int>(path.size()) < vias) {
            // Waypoint i lies in region i % region_count.
            const int slot = random_.between(0, static_cast<int>(pool_.size()) / region_count - 1);
            const Waypoint& w = pool_[static_cast<std::size_t>(slot) * region_count +
                                      static_cast<std::size_t>(region)];
            if (path.empty() || path.back() != &w)
                path.push_back(&w);
        }
        return path;
    }

    // The link points of each leg: from its via to the next along a straight line, with a GPS's
    // scatter of up to 2000 semicircles (some 19 m) between; their bounds added to `bounds`.
    std::vector<std::vector<Position>> route_legs(const std::vector<const Waypoint*>& path,
                                                  Bounds& bounds) {
        std::vector<std::vector<Position>> legs(path.size() - 1);
        for (std::size_t v = 0; v + 1 < path.size(); ++v) {
            const Position from = path[v]->position;
            const Position to = path[v + 1]->position;
            const int links = shape_.links > 0 ? shape_.links : random_.between(40, 150);
            for (int k = 0; k < links; ++k) {
                Position p;
                if (k == 0) {
                    p = from;
                } else if (k == links - 1) {
                    p = to;
                } else {
                    const double t = static_cast<double>(k) / (links - 1);
                    p = {static_cast<std::int32_t>(from.latitude +
                                                   t * (to.latitude - from.latitude) +
                                                   random_.between(-2000, 2000)),
                         static_cast<std::int32_t>(from.longitude +
                                                   t * (to.longitude - from.longitude) +
                                                   random_.between(-2000, 2000))};
                }
                legs[v].push_back(p);
                bounds.add(p);
            }
        }
        return legs;
    }

    // One via's link points to the next via, and their bounds.
    void write_links(Body& b, const std::vector<Position>& leg, bool altitudes) {
        b.i32(static_cast<std::int32_t>(leg.size()));
        Bounds leg_bounds;
        for (const Position p : leg) {
            b.position(p, altitudes, random_.between(0, 2000) / 10.0);
            leg_bounds.add(p);
        }
        b.u8(0); // link flag byte: the link bounds follow
        b.position(leg_bounds.max, false, 0);
        b.position(leg_bounds.min, false, 0);
        if (version_ == 3)
            b.raw(route_point_end, sizeof route_point_end);
    }

    // A recorded track of 500 to 4000 points, each with an altitude and a time. The first track has
    // 900 points, so that -V and -W, which generate at most 999 waypoints, convert it.
    void track(int number) {
        const Region& r = regions[random_.between(0, region_count - 1)];
        const int points = number == 1 ? 900 : random_.between(500, 4000);
        double latitude = r.latitude + (random_.unit() * 2 - 1) * r.spread / 2;
        double longitude = r.longitude + (random_.unit() * 2 - 1) * r.spread / 2;
        double altitude = random_.between(0, 500);
        std::int32_t time = 1700000000 + number * 7200;

        Body b;
        b.str("Track " + std::to_string(number));
        b.u8(1);  // displayed
        b.i32(0); // colour
        b.i32(points);
        for (int i = 0; i < points; ++i) {
            latitude += (random_.unit() * 2 - 1) * 0.0005;
            longitude += (random_.unit() * 2 - 1) * 0.0005;
            altitude += (random_.unit() * 2 - 1) * 2;
            time += random_.between(1, 5);
            b.position({semicircles(latitude), semicircles(longitude)}, true, altitude);
            b.u8(1); // the point's time
            b.i32(time);
            b.u8(0); // no depth
            const bool temperature = version_ == 3 && random_.chance(0.5);
            b.u8(temperature ? 1 : 0);
            if (temperature)
                b.f64(random_.between(50, 250) / 10.0);
        }
        if (version_ == 3)
            b.i32(0); // no link
        else
            b.u8(0);
        record('T', b);
    }

    void closing() {
        Body b;
        b.u8(0);
        b.u8(1);
        record('V', b);
    }

private:
    // The class block of version 3 with a country code: the class as a 32-bit integer, the
    // country, 8 detail bytes, the subclass byte and the 13 bytes behind it.
    static void write_autoroute_class_block(Body& b, std::uint8_t class_byte,
                                            std::uint8_t subclass) {
        b.u8(class_byte);
        b.raw(zeros, 3);
        b.str("USA");
        b.raw(class_block + 5, 8);
        b.u8(subclass);
        b.raw(class_block + 14, 13);
    }

    static void write_class_block(Body& b, std::uint8_t class_byte, std::uint8_t subclass) {
        std::uint8_t block[sizeof class_block];
        std::memcpy(block, class_block, sizeof block);
        block[0] = class_byte;
        block[13] = subclass;
        b.raw(block, sizeof block);
    }

    void record(char type, const Body& body) {
        Body head;
        head.i32(static_cast<std::int32_t>(body.bytes().size()));
        head.u8(static_cast<std::uint8_t>(type));
        emit(head.bytes());
        emit(body.bytes());
    }

    void emit(const Bytes& bytes) {
        if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size())
            failed_ = true;
        written_ += bytes.size();
    }

    std::FILE* file_;
    Random random_;
    int version_;
    RouteShape shape_;
    std::vector<Waypoint> pool_;
    std::uint64_t written_ = 0;
    bool failed_ = false;
};

int usage() {
    std::fputs(
        "usage: korvix_gdb_generate [--size MB] [--tracks PERCENT] [--seed N] [--version 1|3] "
        "OUTFILE\n"
        "  --size MB          approximate file size in megabytes (10^6 bytes), default 200\n"
        "  --tracks PERCENT   share of the records' bytes in tracks, default 10\n"
        "  --seed N           random seed, default 1\n"
        "  --version V        GDB version of the layouts, 1 (default) or 3\n"
        "  --waypoints N      waypoints ahead of the routes, default 5000\n"
        "  --vias N           vias of every route, default 20 to 60\n"
        "  --links N          link points of every leg, default 40 to 150\n"
        "  --autoroutes       routes as BaseCamp calculates them (version 3)\n",
        stderr);
    return 2;
}

} // namespace

struct Options {
    double size_mb = 200;
    double track_share = 10;
    std::uint64_t seed = 1;
    int version = 1;
    int waypoints = 5000;
    RouteShape shape;
    const char* output = nullptr;
};

// The command line into `o`; false when it is not one that the usage allows.
bool parse_options(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--autoroutes") {
            o.shape.autoroutes = true;
            o.version = 3;
        } else if ((arg == "--size" || arg == "--tracks" || arg == "--seed" || arg == "--version" ||
                    arg == "--waypoints" || arg == "--vias" || arg == "--links") &&
                   i + 1 < argc) {
            const char* value = argv[++i];
            if (arg == "--waypoints")
                o.waypoints = std::atoi(value);
            else if (arg == "--vias")
                o.shape.vias = std::atoi(value);
            else if (arg == "--links")
                o.shape.links = std::atoi(value);
            else if (arg == "--size")
                o.size_mb = std::atof(value);
            else if (arg == "--tracks")
                o.track_share = std::atof(value);
            else if (arg == "--version")
                o.version = std::atoi(value);
            else
                o.seed = std::strtoull(value, nullptr, 10);
        } else if (!arg.empty() && arg[0] != '-' && o.output == nullptr) {
            o.output = argv[i];
        } else {
            return false;
        }
    }
    return o.output != nullptr && o.size_mb > 0 && o.track_share >= 0 && o.track_share <= 100 &&
           (o.version == 1 || o.version == 3) && o.waypoints >= 2 && o.shape.vias != 1 &&
           o.shape.vias >= 0 && o.shape.links >= 0 && (!o.shape.autoroutes || o.version == 3);
}

int main(int argc, char** argv) {
    Options o;
    if (!parse_options(argc, argv, o))
        return usage();

    std::FILE* file = std::fopen(o.output, "wb");
    if (file == nullptr) {
        std::perror(o.output);
        return 1;
    }
    static char buffer[1 << 20];
    std::setvbuf(file, buffer, _IOFBF, sizeof buffer);

    const auto target = static_cast<std::uint64_t>(o.size_mb * 1e6);
    Generator generator(file, o.seed, o.version, o.shape);
    generator.header();
    generator.waypoints(o.waypoints);
    // Tracks and routes alternate so that each keeps its share of the bytes written.
    std::uint64_t route_bytes = 0;
    std::uint64_t track_bytes = 0;
    int routes = 0;
    int tracks = 0;
    while (generator.written() < target && !generator.failed()) {
        const std::uint64_t before = generator.written();
        const bool want_track =
            o.track_share > 0 &&
            (o.track_share >= 100 ||
             static_cast<double>(track_bytes) * 100 <
                 o.track_share * static_cast<double>(route_bytes + track_bytes));
        if (want_track) {
            generator.track(++tracks);
            track_bytes += generator.written() - before;
        } else {
            generator.route(++routes);
            route_bytes += generator.written() - before;
        }
    }
    generator.closing();
    if (std::fclose(file) != 0 || generator.failed()) {
        std::fprintf(stderr, "%s: write failed\n", o.output);
        return 1;
    }
    std::printf("%s: %llu bytes, %d waypoints, %d routes, %d tracks\n", o.output,
                static_cast<unsigned long long>(generator.written()), o.waypoints, routes, tracks);
    return 0;
}
