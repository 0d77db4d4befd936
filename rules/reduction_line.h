// The line korvix writes for each route or track that it reduced or cut under --points,
// --tolerance and --split, and runkorvix reads back to tell what a run did: one definition of the
// line, for writing it and for reading it.
//
//   NAME: 4210 points -> 250, within 11.6 m
//   NAME: 4210 points -> 3 routes of 250, 250 and 153, within 4.0 m    ("tracks" under -T, -U)
//   NAME: 1906 points -> 250, within 24.3 m, not 10 m    (the point limit overruled --tolerance)
//
// NAME is the route's or track's own and may hold anything, these words included.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace korvix::rules {

struct ReductionFigures {
    std::uint32_t collected = 0;    // points collected, adjacent repeats merged
    std::uint32_t kept = 0;         // points kept, each joint of two parts counted once
    std::uint32_t parts = 1;        // routes or tracks it became
    std::uint32_t part_points = 0;  // points of every part but the last, when cut
    double within_metres = 0;       // the largest distance of a collected point from what was kept
    double overruled_tolerance = 0; // the tolerance asked, when the point limit kept farther

    std::uint32_t part_size(std::uint32_t part) const {
        return part + 1 < parts ? part_points : kept - part * (part_points - 1);
    }
};

// Writes the line behind NAME, from ": " to its line end, piece by piece through say(text).
// `kind` names what the parts are: "routes" or "tracks".
template <class Say>
void write_reduction_line(Say say, const ReductionFigures& figures, std::string_view kind);

// What a line says, or nothing for any other line. Parsed from its end.
struct ReadReduction {
    std::uint64_t parts = 1;
    double within_metres = 0;
    bool overruled = false;
    bool operator==(const ReadReduction&) const = default;
};
std::optional<ReadReduction> read_reduction_line(std::string_view line);

// Pieces of the line, as write_reduction_line gives them to say().
namespace reduction_text {
inline constexpr std::string_view after_name = ": ";
inline constexpr std::string_view arrow = " points -> ";
inline constexpr std::string_view parts_of = " of "; // "3 routes of 250, ..."
inline constexpr std::string_view joint = ", ";
inline constexpr std::string_view last_joint = " and ";
inline constexpr std::string_view within = ", within ";
inline constexpr std::string_view metres = " m";
inline constexpr std::string_view overruled = ", not ";
// The numbers: counts in decimal, the distance with one decimal ("%.1f"), the tolerance overruled
// as "%g".
std::string_view count(std::uint32_t value, char (&buffer)[16]);
std::string_view distance(double metres, char (&buffer)[32]);
std::string_view tolerance(double metres, char (&buffer)[32]);
} // namespace reduction_text

template <class Say>
void write_reduction_line(Say say, const ReductionFigures& figures, std::string_view kind) {
    namespace text = reduction_text;
    char number[32];
    char count[16];
    say(text::after_name);
    say(text::count(figures.collected, count));
    say(text::arrow);
    if (figures.parts == 1) {
        say(text::count(figures.kept, count));
    } else {
        say(text::count(figures.parts, count));
        say(" ");
        say(kind);
        say(text::parts_of);
        for (std::uint32_t part = 0; part < figures.parts; ++part) {
            if (part != 0)
                say(part + 1 < figures.parts ? text::joint : text::last_joint);
            say(text::count(figures.part_size(part), count));
        }
    }
    say(text::within);
    say(text::distance(figures.within_metres, number));
    say(text::metres);
    if (figures.overruled_tolerance > 0) {
        say(text::overruled);
        say(text::tolerance(figures.overruled_tolerance, number));
        say(text::metres);
    }
    say("\n");
}

} // namespace korvix::rules
