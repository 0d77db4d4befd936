#include "TrackLines.h"

#include "track_lines.h"

namespace runkorvix {

TrackFate FateOf(std::string_view message) {
    namespace rules = korvix::rules;
    if (message == rules::too_many_waypoints_text) {
        return TrackFate::SkippedNameless;
    }
    if (message == rules::no_points_skipped_text) {
        return TrackFate::SkippedEmpty;
    }
    if (message == rules::too_few_waypoints_kept_text || message == rules::no_points_kept_text) {
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
    const std::optional<korvix::rules::FitFigures> fit = korvix::rules::read_fit_line(line);
    if (!fit) {
        return std::nullopt;
    }
    return FitLine{fit->tracks, fit->waypoints, fit->within_metres};
}

} // namespace runkorvix
