// The two readers of a list of points, the one in place over the bytes of the input block and the
// one field by field through the primitives, must read every list alike: the same positions and
// the same bytes. Random lists of every layout, with every combination of present and absent
// optional values (presence bytes of 1 and of other values that count as present) and values
// whose bytes look like presence bytes.
#include "byte_stream.h"
#include "point_lists.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace korvix {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Position {
    std::int32_t latitude;
    std::int32_t longitude;
    bool operator==(const Position&) const = default;
};

// A list of `count` random points of the layout, followed by `tail` bytes that belong to no point.
template <PointLayout layout> Bytes random_list(std::mt19937& random, int count, std::size_t tail) {
    std::uniform_int_distribution<int> byte(0, 255);
    constexpr std::uint8_t presence[] = {0, 0, 1, 1, 2, 0xFF};
    Bytes bytes;
    for (int point = 0; point < count; ++point) {
        for (int i = 0; i < 8; ++i)
            bytes.push_back(static_cast<std::uint8_t>(byte(random)));
        for (int i = 0; i < layout.optionals; ++i) {
            const std::uint8_t there = presence[byte(random) % std::size(presence)];
            bytes.push_back(there);
            if (there != 0)
                for (ByteCount k = 0; k < layout.widths[static_cast<std::size_t>(i)]; ++k)
                    bytes.push_back(static_cast<std::uint8_t>(byte(random) % 3)); // 0, 1 or 2
        }
        for (ByteCount k = 0; k < layout.closing; ++k)
            bytes.push_back(static_cast<std::uint8_t>(byte(random)));
    }
    for (std::size_t k = 0; k < tail; ++k)
        bytes.push_back(static_cast<std::uint8_t>(byte(random)));
    return bytes;
}

template <PointLayout layout> void readers_agree(std::uint32_t seed) {
    std::mt19937 random(seed);
    for (int trial = 0; trial < 300; ++trial) {
        const int count = static_cast<int>(random() % 40);
        const std::size_t tail = random() % (2 * layout.longest());
        const Bytes bytes = random_list<layout>(random, count, tail);

        // Field by field: the positions, and where each point ends.
        RunFailure failure;
        InputStream in(failure, bytes);
        BodyRemainder body(in, std::ssize(bytes));
        std::vector<Position> slow;
        std::vector<ByteCount> ends;
        for (int i = 0; i < count; ++i) {
            const std::uint64_t position = read_point<layout>(in, nullptr, body);
            slow.push_back({latitude_of(position), longitude_of(position)});
            ends.push_back(std::ssize(bytes) - body.left());
        }
        ASSERT_FALSE(failure.failed()) << "seed " << seed << ", trial " << trial;

        // In place, over every length of the bytes: each run stops at a point's end, with the
        // positions of the points before it, and reads them all where the longest point would
        // still lie whole behind the last.
        for (std::size_t length = 0; length <= bytes.size(); ++length) {
            std::vector<Position> fast;
            const PointRun run = scan_points<layout>(
                bytes.data(), bytes.data() + length, count,
                [&](std::uint64_t position, std::int32_t index) {
                    EXPECT_EQ(index, std::ssize(fast));
                    fast.push_back({latitude_of(position), longitude_of(position)});
                });
            const auto where = [&] {
                return "seed " + std::to_string(seed) + ", trial " + std::to_string(trial) + ", " +
                       std::to_string(length) + " of " + std::to_string(bytes.size()) + " bytes";
            };
            ASSERT_EQ(run.points, std::ssize(fast)) << where();
            ASSERT_TRUE(std::equal(fast.begin(), fast.end(), slow.begin())) << where();
            ASSERT_EQ(run.bytes, run.points == 0 ? 0 : ends[std::size_t(run.points - 1)])
                << where();
            if (count > 0 && static_cast<ByteCount>(length) >= ends.back() + layout.longest()) {
                ASSERT_EQ(run.points, count) << where();
            }
        }
    }
}

TEST(PointLists, BothReadersReadEveryLayoutAlike) {
    for (std::uint32_t seed = 1; seed <= 4; ++seed) {
        readers_agree<link_point_layout>(seed);
        readers_agree<track_point_layout>(seed);
        readers_agree<unmarked_track_point_layout>(seed);
    }
}

} // namespace
} // namespace korvix
