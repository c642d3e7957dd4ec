// The random picks: the classic rand() % count sequence for lists rand()
// covers, every index reachable beyond that, and rejection sampling that
// agrees with a plain scan of the recorded slots.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "drill/random_draw.h"
#include "platform/crt_rand.h"

using namespace kestran;

namespace {

// The draw as written out: scan the slots after every value.
int ScanningDraw(int count, const std::vector<std::int32_t>& slots, int used) {
    for (;;) {
        int index = plat::rand() % count;
        if (std::find(slots.begin(), slots.begin() + used, index) == slots.begin() + used) return index;
    }
}

TEST(RandomDraw, ListsRandCoversDrawRandModuloCount) {
    for (int count : {1, 2, 3, 7, 100, 1000, 32767, 32768}) {
        plat::srand(321);
        std::vector<int> expected;
        for (int i = 0; i < 50; ++i) expected.push_back(plat::rand() % count);
        plat::srand(321);
        for (int i = 0; i < 50; ++i) ASSERT_EQ(DrawIndex(count), expected[i]) << count;
    }
}

TEST(RandomDraw, ExclusionAcceptsTheSameIndexAsAScanOfTheSlots) {
    std::vector<std::int32_t> slots(400);
    for (int count : {2, 3, 10, 57, 300}) {
        for (unsigned seed = 1; seed <= 40; ++seed) {
            plat::srand(seed * 7919);
            // Recorded indices with repeats and values outside the list, as
            // stale slots may hold.
            for (auto& s : slots) s = plat::rand() % (count + 5) - 2;
            int used = static_cast<int>(seed * 13) % count;
            int distinctInList = 0;
            for (int i = 0; i < count; ++i)
                distinctInList += std::find(slots.begin(), slots.begin() + used, i) != slots.begin() + used;
            if (distinctInList == count) continue;
            plat::srand(seed);
            int expected = ScanningDraw(count, slots, used);
            int expectedNext = plat::rand();
            plat::srand(seed);
            ASSERT_EQ(DrawIndexNotAmong(count, slots.data(), used), expected) << count << " " << seed;
            ASSERT_EQ(plat::rand(), expectedNext) << "the same number of values was taken";
        }
    }
}

TEST(RandomDraw, EveryIndexOfALongListIsReachable) {
    for (int count : {32769, 40000, 100000}) {
        std::vector<std::int32_t> slots(count);
        for (int free : {0, 1, 32767, 32768, count / 2, count - 1}) {
            int used = 0;
            for (int i = 0; i < count; ++i)
                if (i != free) slots[used++] = i;
            plat::srand(static_cast<unsigned>(count + free));
            ASSERT_EQ(DrawIndexNotAmong(count, slots.data(), used), free) << count;
        }
        std::vector<bool> seen(count);
        int missing = count;
        plat::srand(5);
        for (long draws = 0; draws < 40L * count && missing > 0; ++draws) {
            int index = DrawIndex(count);
            ASSERT_GE(index, 0);
            ASSERT_LT(index, count);
            if (!seen[index]) seen[index] = true, --missing;
        }
        EXPECT_EQ(missing, 0) << count;
    }
}

TEST(RandomDraw, DrawsWithNothingLeftToDrawEnd) {
    const std::vector<std::int32_t> all{0, 1, 2};
    for (unsigned seed = 0; seed < 20; ++seed) {
        plat::srand(seed);
        int index = DrawIndexNotAmong(3, all.data(), 3);
        EXPECT_GE(index, 0);
        EXPECT_LT(index, 3);
        EXPECT_EQ(DrawIndexOtherThan(1, 0), 0) << "one entry: its only index";
        EXPECT_EQ(DrawIndexOtherThan(2, 0), 1);
        EXPECT_EQ(DrawIndexOtherThan(2, 1), 0);
    }
}

}  // namespace
