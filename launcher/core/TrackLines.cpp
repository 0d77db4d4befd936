#include "TrackLines.h"

#include "Digits.h"

#include <algorithm>
#include <charconv>

namespace runkorvix {

namespace {

// Takes a number of digits off the front of `text`; false when there is none.
bool TakeCount(std::string_view& text, std::uint64_t& count) {
    const std::size_t end = std::min(text.find_first_not_of("0123456789"), text.size());
    if (end == 0 || std::from_chars(text.data(), text.data() + end, count).ec != std::errc{}) {
        return false;
    }
    text.remove_prefix(end);
    return true;
}

// Takes `word` off the front of `text`; false when it does not stand there.
bool Take(std::string_view& text, std::string_view word) {
    if (!text.starts_with(word)) {
        return false;
    }
    text.remove_prefix(word.size());
    return true;
}

} // namespace

TrackFate FateOf(std::string_view message) {
    if (message == kTooManyWaypointsText) {
        return TrackFate::SkippedNameless;
    }
    if (message == "Track has no points - track skipped") {
        return TrackFate::SkippedEmpty;
    }
    if (message == "Too few waypoints left to convert - track kept" ||
        message == "Track has no points - track kept") {
        return TrackFate::Kept;
    }
    return TrackFate::None;
}

void TrackFates::Note(TrackFate fate, std::uint64_t track) {
    std::vector<std::uint64_t>& noted = fate == TrackFate::Kept ? kept : skipped;
    if (fate != TrackFate::None && noted.size() < kMostNoted) {
        noted.push_back(track);
    }
}

std::optional<FitLine> ParseFitLine(std::string_view line) {
    FitLine fit;
    if (!TakeCount(line, fit.tracks) ||
        !Take(line, fit.tracks == 1 ? " track fits in " : " tracks fit in ") ||
        !TakeCount(line, fit.waypoints) ||
        !Take(line, fit.waypoints == 1 ? " new waypoint, within " : " new waypoints, within ")) {
        return std::nullopt;
    }
    const std::string_view end = fit.tracks == 1 ? " m of its track" : " m of their tracks";
    if (!line.ends_with(end)) {
        return std::nullopt;
    }
    const std::string_view metres = line.substr(0, line.size() - end.size());
    const std::size_t point = metres.find('.');
    if (point == std::string_view::npos || !AllDigits(metres.substr(0, point)) ||
        !AllDigits(metres.substr(point + 1)) ||
        std::from_chars(metres.data(), metres.data() + metres.size(), fit.within).ec !=
            std::errc{}) {
        return std::nullopt;
    }
    return fit;
}

} // namespace runkorvix
