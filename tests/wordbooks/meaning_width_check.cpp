#include "tests/wordbooks/meaning_width_check.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/gbk.h"
#include "tests/wordbooks/book_chapters.h"

namespace kestran::wordbooks::test {

void ExpectEveryMeaningOnCanvas(const MeaningMeasure& measure, const std::string& backend) {
    const auto meanings = DistinctMeanings(SourceLibrary());
    ASSERT_GT(meanings.size(), 10000u) << "the word books were not found under " << SourceLibrary();
    int off = 0, widest = 0;
    for (const MeaningSeen& meaning : meanings) {
        const MeaningInk ink = measure(meaning.gbk);
        widest = std::max({widest, ink.practice.right - ink.practice.left, ink.test.right - ink.test.left});
        if (FitsCanvas(ink)) continue;
        if (++off <= 10)
            ADD_FAILURE() << backend << ": " << meaning.where << " " << plat::GbkToUtf8(meaning.gbk)
                          << "\n  practice ink " << ink.practice.left << ".." << ink.practice.right
                          << ", test ink " << ink.test.left << ".." << ink.test.right << ", canvas 0.."
                          << canvas::kCanvasWidth;
    }
    EXPECT_EQ(off, 0) << backend << ": meanings off the canvas, of " << meanings.size();
    std::cout << backend << ": " << meanings.size() << " meanings, the widest " << widest << " px\n";
}

}  // namespace kestran::wordbooks::test
