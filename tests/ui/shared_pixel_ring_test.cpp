// Places in the memory shared with the X server: one the server may still
// be reading is never handed out again, and its report frees it and every
// place sent before it.
#include <gtest/gtest.h>

#include <random>
#include <utility>
#include <vector>

#include "platform/qt/shared_pixel_ring.h"

namespace kestran::testing {
namespace {

using plat::qt::SharedPixelRing;

TEST(SharedPixelRing, PlacesFollowEachOtherWrapAtTheEndAndWaitForTheServer) {
    SharedPixelRing ring(100);
    EXPECT_EQ(ring.Take(40), 0u);
    EXPECT_EQ(ring.Take(40), 40u);
    EXPECT_FALSE(ring.Take(30)) << "20 bytes left at the end, and the start still read";
    EXPECT_FALSE(ring.Take(0));
    EXPECT_FALSE(ring.Take(101)) << "more than the memory holds";

    ring.Release(0);
    EXPECT_EQ(ring.Take(30), 0u) << "too little at the end: from the start again";
    EXPECT_FALSE(ring.Take(20)) << "only 10 bytes between the new place and the one still read";
    EXPECT_EQ(ring.Take(10), 30u);

    // The report on the place at 0 frees the one at 40 too, sent before it;
    // the one at 30, sent after, is still read.
    ring.Release(0);
    EXPECT_EQ(ring.Take(40), 40u);
    EXPECT_FALSE(ring.Take(50));
    EXPECT_EQ(ring.Take(30), 0u);
}

TEST(SharedPixelRing, AReportFreesEveryPlaceUpToTheOneNamedAndAnUnknownOneNothing) {
    SharedPixelRing ring(90);
    ASSERT_EQ(ring.Take(30), 0u);
    ASSERT_EQ(ring.Take(30), 30u);
    ASSERT_EQ(ring.Take(30), 60u);
    ring.Release(45);  // no place starts there
    EXPECT_FALSE(ring.Take(1));
    ring.Release(30);
    EXPECT_FALSE(ring.Idle());
    EXPECT_EQ(ring.Take(60), 0u) << "the first two are free";
    ring.Release(0);
    EXPECT_TRUE(ring.Idle());
    EXPECT_EQ(ring.Take(90), 0u) << "an idle ring starts at the beginning";
}

// Random sizes and reports against a record of what the server still
// reads: no place handed out may overlap one of those, and once everything
// is reported the whole memory is free.
TEST(SharedPixelRing, NoPlaceHandedOutOverlapsOneTheServerStillReads) {
    std::mt19937 random(7);
    constexpr std::size_t kSize = 1000;
    SharedPixelRing ring(kSize);
    std::vector<std::pair<std::size_t, std::size_t>> read;  // in the order sent
    int taken = 0, refused = 0;
    for (int step = 0; step < 20000; ++step) {
        if (random() % 3 != 0) {
            const std::size_t bytes = 1 + random() % 400;
            const auto at = ring.Take(bytes);
            if (!at) {
                ++refused;
                continue;
            }
            ++taken;
            ASSERT_LE(*at + bytes, kSize);
            for (const auto& [offset, end] : read)
                ASSERT_TRUE(*at + bytes <= offset || *at >= end)
                    << "step " << step << ": [" << *at << ", " << *at + bytes << ") over [" << offset << ", " << end
                    << ")";
            read.emplace_back(*at, *at + bytes);
        } else if (!read.empty()) {
            const std::size_t upTo = random() % read.size();
            ring.Release(read[upTo].first);
            read.erase(read.begin(), read.begin() + static_cast<std::ptrdiff_t>(upTo) + 1);
        }
    }
    EXPECT_GT(taken, 5000);
    EXPECT_GT(refused, 100) << "the memory filled up at times";
    if (!read.empty()) ring.Release(read.back().first);
    EXPECT_TRUE(ring.Idle());
    EXPECT_EQ(ring.Take(kSize), 0u);
}

}  // namespace
}  // namespace kestran::testing
