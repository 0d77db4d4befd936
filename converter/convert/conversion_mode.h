#pragma once

namespace korvix {

// The option letter of a run: which conversion the record dispatch applies.
enum class ConversionMode : char {
    route_user_vias = 'R',   // -R: rewrite the via class of waypoints and route points to user vias
    route_hidden_vias = 'S', // -S: ... to hidden vias
    track_all_points = 'T',  // -T (default): every route becomes a track of all its link points
    track_via_points = 'U',  // -U: every route becomes a track of its via points
    route_from_track_user_vias = 'V',   // -V: every track becomes waypoints and a route, user vias
    route_from_track_hidden_vias = 'W', // -W: ... hidden vias
};

inline bool rewrites_routes(ConversionMode mode) {
    return mode == ConversionMode::route_user_vias || mode == ConversionMode::route_hidden_vias;
}
inline bool converts_routes_to_tracks(ConversionMode mode) {
    return mode == ConversionMode::track_all_points || mode == ConversionMode::track_via_points;
}
inline bool converts_tracks_to_routes(ConversionMode mode) {
    return mode == ConversionMode::route_from_track_user_vias ||
           mode == ConversionMode::route_from_track_hidden_vias;
}

} // namespace korvix
