// The runtime pieces: per-thread rand, asset paths, GBK conversion.
#include <gtest/gtest.h>

#include <set>
#include <thread>

#include "platform/asset_path.h"
#include "platform/crt_rand.h"
#include "platform/gbk.h"

TEST(CrtRand, MatchesTheClassicSequenceAndRange) {
    plat::srand(1);
    // First values of the classic C runtime generator seeded with 1.
    EXPECT_EQ(plat::rand(), 41);
    EXPECT_EQ(plat::rand(), 18467);
    EXPECT_EQ(plat::rand(), 6334);
    std::set<int> seen;
    for (int i = 0; i < 1000000; ++i) {
        int r = plat::rand();
        ASSERT_GE(r, 0);
        ASSERT_LE(r, plat::kRandMax);
        seen.insert(r);
    }
    EXPECT_EQ(seen.size(), 32768u) << "every value of the range is reachable";
}

TEST(CrtRand, EachThreadKeepsItsOwnState) {
    plat::srand(99);
    int first = plat::rand();
    plat::srand(99);
    std::thread([] {
        plat::srand(12345);
        for (int i = 0; i < 100; ++i) plat::rand();
    }).join();
    EXPECT_EQ(plat::rand(), first);
}

TEST(AssetPath, BackslashesBecomeSlashesButGbkTrailBytesStay) {
    EXPECT_EQ(plat::LocalPath("RES\\41.wav"), "RES/41.wav");
    EXPECT_EQ(plat::LocalPath("plain/path"), "plain/path");
    // 0xCF 0x5C is one GBK character whose second byte is a backslash.
    EXPECT_EQ(plat::LocalPath("a\\\xCF\x5C\\b"), "a/\xCF\x5C/b");
}

TEST(Gbk, RoundTripsChineseAndReplacesWhatDoesNotConvert) {
    EXPECT_EQ(plat::GbkToUtf8("apple \xC6\xBB\xB9\xFB"), "apple 苹果");
    EXPECT_EQ(plat::Utf8ToGbk("苹果"), "\xC6\xBB\xB9\xFB");
    EXPECT_EQ(plat::GbkToUtf8("a\xFF" "b"), "a\xEF\xBF\xBD" "b");
    EXPECT_EQ(plat::Utf8ToGbk("x😀y"), "x?y");
}
