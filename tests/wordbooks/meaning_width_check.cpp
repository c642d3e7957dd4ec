#include "tests/wordbooks/meaning_width_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>

#include "platform/gbk.h"
#include "tests/wordbooks/book_chapters.h"

namespace kestran::wordbooks::test {

void ExpectEveryMeaningOnCanvas(const MeaningMeasure& measure, const std::string& backend) {
    // Each distinct meaning (GBK), with where it was first seen ("四级-001.txt: state").
    std::map<std::string, std::string> meanings;
    ForEachChapter(SourceLibrary(), ReadBooks(SourceLibrary()), [&](const ChapterRead& read) {
        for (std::int32_t i = 0; i < read.check.blocks.wordCount; ++i) {
            const WordRecord& record = read.check.blocks.table[i];
            meanings.emplace(std::string(record.meaning, strnlen(record.meaning, kWordFieldSize)), read.label + ": " + record.word);
        }
    });
    ASSERT_GT(meanings.size(), 10000u) << "the word books were not found under " << SourceLibrary();
    int off = 0, widest = 0;
    for (const auto& [gbk, where] : meanings) {
        const MeaningInk ink = measure(gbk);
        widest = std::max({widest, ink.practice.right - ink.practice.left, ink.test.right - ink.test.left});
        if (FitsCanvas(ink)) continue;
        if (++off <= 10)
            ADD_FAILURE() << backend << ": " << where << " " << plat::GbkToUtf8(gbk)
                          << "\n  practice ink " << ink.practice.left << ".." << ink.practice.right
                          << ", test ink " << ink.test.left << ".." << ink.test.right << ", canvas 0.."
                          << canvas::kCanvasWidth;
    }
    EXPECT_EQ(off, 0) << backend << ": meanings off the canvas, of " << meanings.size();
    std::cout << backend << ": " << meanings.size() << " meanings, the widest " << widest << " px\n";
}

}  // namespace kestran::wordbooks::test
