// Parsing a list from memory: the records, the count pass, the limits of a
// field, and what the parser reports to tools.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "edge_cases.h"
#include "wordlist/word_list_parser.h"

namespace kestran {
namespace {

using testing::EdgeCases;
using testing::kApple;
using testing::kCherry;
using testing::Records;

// Both fields of every record, spare ones included, end within 128 bytes.
void ExpectTerminated(const WordRecord* table, std::int32_t records, const char* name) {
    for (std::int32_t i = 0; i < records; ++i) {
        EXPECT_NE(std::memchr(table[i].word, '\0', kWordFieldSize), nullptr) << name << " record " << i;
        EXPECT_NE(std::memchr(table[i].meaning, '\0', kWordFieldSize), nullptr) << name << " record " << i;
    }
}

Records RecordsOf(const WordRecord* table, std::int32_t count) {
    Records records;
    for (std::int32_t i = 0; i < count; ++i) records.emplace_back(table[i].word, table[i].meaning);
    return records;
}

TEST(WordListParser, EdgeCasesGiveTheirRecords) {
    for (const auto& c : EdgeCases()) {
        auto stream = TextStream::FromBytes(c.file);
        WordListBlocks blocks;
        ASSERT_TRUE(ParseWordList(*stream, blocks).loaded) << c.name;
        EXPECT_EQ(blocks.wordCount, static_cast<std::int32_t>(c.records.size())) << c.name;
        EXPECT_EQ(RecordsOf(blocks.table.get(), blocks.wordCount), c.records) << c.name;
        ExpectTerminated(blocks.table.get(), blocks.wordCount + kSpareRecords, c.name);
        for (int s = 0; s < kSpareRecords; ++s) {
            EXPECT_STREQ(blocks.table[blocks.wordCount + s].word, "") << c.name;
            EXPECT_STREQ(blocks.table[blocks.wordCount + s].meaning, "") << c.name;
        }
        for (std::int32_t s = 0; s < blocks.wordCount + kSpareRecords; ++s)
            EXPECT_EQ(blocks.drawnIndices[s], -1) << c.name << " slot " << s;
    }
}

struct CountCase {
    const char* name;
    std::string file;
    std::int64_t entryLines;
    bool stoppedAtFF;
    std::int64_t stopLine;
};

TEST(WordListParser, CountPassCountsLinesWithAHighByte) {
    const CountCase cases[] = {
        {"worked example", testing::kWorkedExample, 3, false, 0},
        {"two high bytes on a line count once", kApple + kApple + "\n", 1, false, 0},
        {"CR alone does not end a line", "a " + kApple + "\rb " + kApple + "\r", 1, false, 0},
        {"0xFF stops the count", "a " + kApple + "\nb\xFF\nc " + kApple + "\n", 1, true, 2},
        {"0xFF first", "\xFF" "a " + kApple, 0, true, 1},
        {"0x1A stops the count", "a " + kApple + "\n\x1A" "b " + kApple, 1, false, 0},
    };
    for (const auto& c : cases) {
        auto stream = TextStream::FromBytes(c.file);
        CountResult count = CountEntryLines(*stream);
        EXPECT_EQ(count.entryLines, c.entryLines) << c.name;
        EXPECT_EQ(count.stoppedAtFF, c.stoppedAtFF) << c.name;
        EXPECT_EQ(count.stopLine, c.stopLine) << c.name;
        EXPECT_EQ(stream->Get(), static_cast<unsigned char>(c.file.empty() ? 0 : c.file[0])) << c.name << ": rewound";
    }
}

TEST(WordListParser, EndOfFileInsideAWordLeavesTerminatedEmptyRecords) {
    // More records asked for than the file holds: the reader must still
    // terminate every field it was given.
    const std::string file = "apple " + kApple + "\nxyz";
    auto stream = TextStream::FromBytes(file);
    std::vector<WordRecord> table(4);
    std::memset(table.data(), 0xAB, table.size() * sizeof(WordRecord));
    ReadEntries(*stream, table.data(), 4);
    EXPECT_EQ(RecordsOf(table.data(), 4), (Records{{"apple ", kApple}, {"xyz", ""}, {"", ""}, {"", ""}}));
}

class TraceRecorder final : public EntryObserver {
public:
    std::vector<EntryTrace> traces;
    std::vector<std::string> words;
    void OnEntry(const EntryTrace& trace) override {
        traces.push_back(trace);
        words.emplace_back(trace.word);
    }
};

TEST(WordListParser, TracesTellToolsWhereEachEntryCameFrom) {
    const std::string file =
        "\n\n3 cherry " + kCherry + "\nUnit 1\napple " + kApple + "\n" + std::string(130, 'w') + kApple;
    auto stream = TextStream::FromBytes(file);
    TraceRecorder recorder;
    WordListBlocks blocks;
    ASSERT_TRUE(ParseWordList(*stream, blocks, &recorder).loaded);
    ASSERT_EQ(recorder.traces.size(), 3u);

    const EntryTrace& cherry = recorder.traces[0];
    EXPECT_EQ(cherry.number.text, "3");
    EXPECT_EQ(cherry.number.line, 3);
    EXPECT_EQ(recorder.words[0], " cherry ");
    EXPECT_EQ(cherry.meaningLine, 3);
    EXPECT_EQ(cherry.meaningEnd, MeaningEnd::kLineFeed);
    EXPECT_EQ(cherry.endLine, 4);

    const EntryTrace& merged = recorder.traces[1];
    EXPECT_EQ(merged.number.digitCount, 0);
    EXPECT_EQ(merged.wordLine, 4);
    EXPECT_EQ(recorder.words[1], "Unit 1\napple ");
    EXPECT_EQ(merged.meaningLine, 5);

    const EntryTrace& tooLong = recorder.traces[2];
    EXPECT_EQ(tooLong.wordEnd, WordEnd::kTooLong);
    EXPECT_EQ(tooLong.meaningEnd, MeaningEnd::kNotRead);
    EXPECT_EQ(recorder.words[2].size(), 127u);
    EXPECT_EQ(std::strlen(blocks.table[2].word), 126u);
}

TEST(WordListParser, BlocksThatCannotBeObtainedGiveNoList) {
    SetWordListHeapLimitForTest(100);
    auto stream = TextStream::FromBytes(testing::kWorkedExample);
    WordListBlocks blocks;
    ParseResult result = ParseWordList(*stream, blocks);
    SetWordListHeapLimitForTest(SIZE_MAX);
    EXPECT_FALSE(result.loaded);
    EXPECT_EQ(result.count.entryLines, 3);
    EXPECT_FALSE(blocks);
    EXPECT_EQ(blocks.wordCount, 0);
}

TEST(WordListParser, BlockSizesOutsideTheFieldRangeAreRefused) {
    EXPECT_FALSE(AllocateWordListBlocks(-1));
    EXPECT_FALSE(AllocateWordListBlocks(kMaxWordCount + 1));
    EXPECT_FALSE(AllocateWordListBlocks(std::int64_t{1} << 40));
    WordListBlocks none = AllocateWordListBlocks(0);
    ASSERT_TRUE(none);
    EXPECT_EQ(none.wordCount, 0);
    ExpectTerminated(none.table.get(), kSpareRecords, "no entries");
}

}  // namespace
}  // namespace kestran
