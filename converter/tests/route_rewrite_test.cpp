// -R and -S: the via class of waypoints and route points rewritten in place, every length kept.
#include "gdb_builder.h"

#include <gtest/gtest.h>

#include <string>

namespace korvix {
namespace {

using namespace testing;

constexpr ConversionMode user_vias = ConversionMode::route_user_vias;
constexpr ConversionMode hidden_vias = ConversionMode::route_hidden_vias;
constexpr ConversionMode rewrite_modes[] = {user_vias, hidden_vias};
constexpr char corrupt_message[] = "Record shorter than its fields - input file corrupt\n";

std::string mode_name(ConversionMode mode) {
    return mode == user_vias ? "UserVias" : "HiddenVias";
}

// One row of the rewrite: the class and subclass bytes read, and those written under a mode.
struct ClassRow {
    ConversionMode mode;
    std::uint8_t class_read;
    std::uint8_t subclass_read;
    std::uint8_t class_written;
    std::uint8_t subclass_written;
};

void PrintTo(const ClassRow& row, std::ostream* os) {
    *os << "-" << static_cast<char>(row.mode) << ": class " << int{row.class_read} << " subclass "
        << int{row.subclass_read} << " -> " << int{row.class_written} << ", "
        << int{row.subclass_written};
}

std::vector<ClassRow> class_table() {
    std::vector<ClassRow> rows;
    for (const ConversionMode mode : rewrite_modes) {
        const std::uint8_t via = mode == user_vias ? 0 : 12;
        rows.insert(rows.end(), {
                                    {mode, 10, 31, via, 255},
                                    {mode, 10, 33, via, 33},
                                    {mode, 10, 0, via, 0},
                                    {mode, 10, 255, via, 255},
                                    {mode, 12, 33, via, 255},
                                    {mode, 12, 31, via, 31},
                                    {mode, 12, 0, via, 0},
                                    {mode, 0, 31, 0, 31},
                                    {mode, 0, 33, 0, 33},
                                    {mode, 11, 31, 11, 31},
                                    {mode, 13, 33, 13, 33},
                                    {mode, 255, 31, 255, 31},
                                });
    }
    return rows;
}

// A waypoint, and a route whose two route points (the second with no links) carry the same class
// block: every class block of the file is rewritten by the same row.
Bytes file_with_class(std::uint8_t class_byte, std::uint8_t subclass) {
    return gdb_file(
        {record('W', waypoint_body("WPT", class_byte, subclass)),
         record('R', route_body("ROUTE", {{"WPT", class_byte, subclass, {{1, 2}, {3, 4}}},
                                          {"END", class_byte, subclass, {}}}))});
}

class ViaClassRewrite : public ::testing::TestWithParam<ClassRow> {};

TEST_P(ViaClassRewrite, RewritesClassAndSubclassOfWaypointsAndRoutePoints) {
    const ClassRow row = GetParam();
    const RunResult result =
        convert_bytes(file_with_class(row.class_read, row.subclass_read), row.mode);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output, file_with_class(row.class_written, row.subclass_written));
}

INSTANTIATE_TEST_SUITE_P(RewriteTable, ViaClassRewrite, ::testing::ValuesIn(class_table()),
                         [](const ::testing::TestParamInfo<ClassRow>& info) {
                             return mode_name(info.param.mode) + "_Class" +
                                    std::to_string(info.param.class_read) + "_Subclass" +
                                    std::to_string(info.param.subclass_read);
                         });

class RouteRewrite : public ::testing::TestWithParam<ConversionMode> {
protected:
    std::uint8_t via_class() const { return GetParam() == user_vias ? 0 : 12; }
};

// The body behind the name is exactly the class block up to its subclass byte.
TEST_P(RouteRewrite, WaypointEndingAtItsSubclassByte) {
    const auto waypoint = [](std::uint8_t class_byte, std::uint8_t subclass) {
        return record('W', Fields().str("W14").u8(class_byte).fill(0x44, 12).u8(subclass).bytes());
    };
    const Bytes track = record('T', track_body("AFTER", {{5, 6}}));

    const RunResult result = convert_bytes(gdb_file({waypoint(10, 31), track}), GetParam());

    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output, gdb_file({waypoint(via_class(), 255), track}));
    EXPECT_EQ(result.console, "W 18\nT " + std::to_string(track.size() - 5) + "\nV 2\n");
}

// Presence bytes of 1 and 2 both carry an altitude; the route is parsed up to the third point's
// link count and the bytes behind it, laid out like one more route point of class 10, stay.
TEST_P(RouteRewrite, RouteOfThreePointsStopsAtTheEmptyLinkList) {
    const Bytes behind = concat({{0x01, 0x00},
                                 waypoint_body("LOOKALIKE", 10, 31, Bytes(19, 0)),
                                 Fields().i32(1).position(7, 8).bytes()});
    for (const std::uint8_t bounds_presence : {1, 2}) {
        SCOPED_TRACE(bounds_presence);
        const auto route = [&](std::uint8_t class_byte, std::uint8_t subclass) {
            return record('R', route_body("THREE",
                                          {{"P1", class_byte, subclass, {{1, 2, 1}, {3, 4, 2}}},
                                           {"P2", class_byte, subclass, {{3, 4, 2}, {5, 6, 1}}},
                                           {"P3", class_byte, subclass, {}}},
                                          behind, bounds_presence));
        };
        const RunResult result = convert_bytes(gdb_file({route(10, 31)}), GetParam());
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.output, gdb_file({route(via_class(), 255)}));
    }
}

// The route counts two points; parsing stops behind the first one's link count, so the second
// route point (class 12, subclass 33, with links) is copied as it stands.
TEST_P(RouteRewrite, RouteWhoseFirstPointHasNoLinks) {
    const Bytes second_point = Fields()
                                   .raw(waypoint_body("P2", 12, 33, Bytes(19, 0)))
                                   .i32(2)
                                   .position(1, 2)
                                   .position(3, 4)
                                   .u8(0)
                                   .position(3, 4)
                                   .position(1, 2)
                                   .bytes();
    const auto route = [&](std::uint8_t class_byte, std::uint8_t subclass) {
        // route_body writes the count of 2 and stops at the first point's empty link list.
        return record('R',
                      route_body("FIRST", {{"P1", class_byte, subclass, {}}, {"P2", 12, 33, {}}},
                                 concat({second_point, {0x01, 0x00}})));
    };
    const RunResult result = convert_bytes(gdb_file({route(12, 33)}), GetParam());
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output, gdb_file({route(via_class(), 255)}));
}

// Records that the rewrite must copy byte for byte.
TEST_P(RouteRewrite, CopiesUnchangedWhatHoldsNoViaClass) {
    const Bytes class_block_lookalike = waypoint_body("P1", 10, 31, Bytes(19, 0));
    const std::vector<std::pair<const char*, Bytes>> files = {
        {"route of 0 points",
         gdb_file({record('R', route_body("EMPTY", {}, class_block_lookalike, 1))})},
        {"tracks", gdb_file({record('T', track_body("TRACK", {{1, 2, true, true}, {3, 4}})),
                             record('T', waypoint_body("LOOKS LIKE A WAYPOINT", 10, 31))})},
        {"waypoints of other classes", gdb_file({record('W', waypoint_body("ZERO", 0, 31)),
                                                 record('W', waypoint_body("ELEVEN", 11, 33))})},
    };
    for (const auto& [what, file] : files) {
        SCOPED_TRACE(what);
        const RunResult result = convert_bytes(file, GetParam());
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.output, file);
    }
}

// Declared lengths that end inside the fields the rewrite parses.
TEST_P(RouteRewrite, RecordShorterThanItsFieldsIsCorrupt) {
    const Bytes route = route_body("CUT", {{"P1", 10, 31, {{1, 2, 1}, {3, 4}}}}, {});
    const std::vector<std::pair<const char*, Bytes>> records = {
        {"waypoint of 13 bytes behind its name",
         record('W', Fields().str("W13").u8(10).fill(0x44, 11).u8(31).bytes())},
        {"waypoint of its name alone", record('W', Fields().str("NAME").bytes())},
        {"waypoint shorter than its name", record('W', 2, waypoint_body("LONG NAME", 10, 31))},
        {"route ending inside its bounds", record('R', 10, route)},
        {"route ending inside a route point block", record('R', 40, route)},
        {"route ending inside its last link bounds",
         record('R', static_cast<std::int32_t>(route.size() - 1), route)},
    };
    for (const auto& [what, short_record] : records) {
        SCOPED_TRACE(what);
        const RunResult result = convert_bytes(
            gdb_file({short_record, record('W', waypoint_body("NEXT", 10, 31))}), GetParam());
        EXPECT_EQ(result.status, 1);
        EXPECT_TRUE(result.console.ends_with(corrupt_message)) << result.console;
    }
}

INSTANTIATE_TEST_SUITE_P(BothModes, RouteRewrite, ::testing::ValuesIn(rewrite_modes),
                         [](const ::testing::TestParamInfo<ConversionMode>& info) {
                             return mode_name(info.param);
                         });

// -R on its own output, and -S on the output of -R, find only user vias and change nothing.
TEST(RouteRewriteRepeated, OutputOfUserViasIsLeftAsItIs) {
    const Bytes input =
        gdb_file({record('W', waypoint_body("A", 10, 31)), record('W', waypoint_body("B", 12, 33)),
                  record('W', waypoint_body("C", 12, 7)),
                  record('R', route_body("R", {{"A", 10, 31, {{1, 2}, {3, 4, 2}}},
                                               {"B", 12, 33, {{3, 4, 2}, {5, 6}}},
                                               {"C", 12, 7, {}}}))});
    const RunResult once = convert_bytes(input, user_vias);
    ASSERT_EQ(once.status, 0);
    ASSERT_NE(once.output, input);

    for (const ConversionMode mode : rewrite_modes) {
        SCOPED_TRACE(mode_name(mode));
        const RunResult again = convert_bytes(once.output, mode);
        EXPECT_EQ(again.status, 0);
        EXPECT_EQ(again.output, once.output);
    }
}

} // namespace
} // namespace korvix
