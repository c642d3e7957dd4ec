// The list file reads with the Windows runtime's text-mode rules on every
// host, from a file and from memory alike.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <string>
#include <vector>

#include "temp_dir.h"
#include "wordlist/text_stream.h"

namespace kestran {
namespace {

using testing::TempDir;

std::string ReadAll(TextStream& stream) {
    std::string out;
    for (int c = stream.Get(); c != kEndOfStream; c = stream.Get()) out.push_back(static_cast<char>(c));
    return out;
}

// Both sources of a stream over the same bytes.
class BothSources {
public:
    explicit BothSources(const std::string& bytes) : bytes_(bytes) { path_ = dir_.Write("list.txt", bytes_); }
    std::vector<std::unique_ptr<TextStream>> Streams() {
        std::vector<std::unique_ptr<TextStream>> streams;
        streams.push_back(TextStream::FromBytes(bytes_));
        streams.push_back(TextStream::Open(path_.c_str()));
        return streams;
    }

private:
    TempDir dir_;
    std::string bytes_;
    std::string path_;
};

struct TranslationCase {
    const char* name;
    std::string raw;
    std::string read;
};

TEST(TextStream, TranslatesLikeTheWindowsTextMode) {
    const TranslationCase cases[] = {
        {"CR LF reads as LF", "a\r\nb\r\n", "a\nb\n"},
        {"a lone CR stays", "a\rb", "a\rb"},
        {"CR at the very end stays", "ab\r", "ab\r"},
        {"CR CR LF keeps the first CR", "a\r\r\nb", "a\r\nb"},
        {"LF CR is not a pair", "a\n\rb", "a\n\rb"},
        {"0x1A is the end", std::string("ab\x1A" "cd\n", 6), "ab"},
        {"CR before 0x1A stays", std::string("a\r\x1A\n", 4), "a\r"},
        {"NUL and 0xFF are ordinary bytes", std::string("a\0\xFF" "b", 4), std::string("a\0\xFF" "b", 4)},
        {"empty", "", ""},
    };
    for (const auto& c : cases) {
        BothSources sources(c.raw);
        for (auto& stream : sources.Streams()) {
            ASSERT_TRUE(stream) << c.name;
            EXPECT_EQ(ReadAll(*stream), c.read) << c.name;
            EXPECT_EQ(stream->Get(), kEndOfStream) << c.name << ": the end stays the end";
            stream->Rewind();
            EXPECT_EQ(ReadAll(*stream), c.read) << c.name << ": after rewinding";
        }
    }
}

TEST(TextStream, FileReadsAcrossItsBufferBoundaries) {
    // The read buffer holds 64 KiB: put a CR LF pair, a lone CR and a 0x1A
    // on the boundaries.
    const std::size_t block = 64 * 1024;
    std::string pairSplit(block - 1, 'a');
    pairSplit += "\r\nb";
    std::string loneCrAtEnd(block - 1, 'a');
    loneCrAtEnd += "\rb";
    std::string endMarkerAfter(block, 'a');
    endMarkerAfter += "\x1A" "b";
    const TranslationCase cases[] = {
        {"CR LF split by the boundary", pairSplit, std::string(block - 1, 'a') + "\nb"},
        {"lone CR last in a block", loneCrAtEnd, std::string(block - 1, 'a') + "\rb"},
        {"0x1A first in a block", endMarkerAfter, std::string(block, 'a')},
    };
    for (const auto& c : cases) {
        BothSources sources(c.raw);
        for (auto& stream : sources.Streams()) EXPECT_EQ(ReadAll(*stream), c.read) << c.name;
    }
}

struct NumberCase {
    const char* input;
    bool digits;        // result of the scan
    int next;           // the byte read after it
    bool sign;
    std::int64_t digitCount;
};

TEST(TextStream, NumberScanConsumesLikeScanfPercentD) {
    const NumberCase cases[] = {
        {"123x", true, 'x', false, 3},
        {" \t\n\r\n\v\f42 a", true, ' ', false, 2},
        {"abc", false, 'a', false, 0},
        {"-a", false, 'a', true, 0},     // a lone sign stays consumed
        {"+-5", false, '-', true, 0},
        {"-12", true, kEndOfStream, true, 2},
        {"   ", false, kEndOfStream, false, 0},
        {"\xC6\xBB", false, 0xC6, false, 0},
        {"3D", true, 'D', false, 1},
        {"99999999999999999999999x", true, 'x', false, 23},  // far beyond int: still all digits
        {"1\x1A" "2", true, kEndOfStream, false, 1},
        {"\r\n7", true, kEndOfStream, false, 1},
    };
    for (const auto& c : cases) {
        auto stream = TextStream::FromBytes(c.input);
        NumberScan scan;
        EXPECT_EQ(stream->ScanNumber(&scan), c.digits) << c.input;
        EXPECT_EQ(stream->Get(), c.next) << c.input;
        EXPECT_EQ(scan.sign, c.sign) << c.input;
        EXPECT_EQ(scan.digitCount, c.digitCount) << c.input;
    }
}

TEST(TextStream, NumberScanRecordsWhatItDroppedAndWhere) {
    auto stream = TextStream::FromBytes("\n\n  -3D");
    NumberScan scan;
    stream->ScanNumber(&scan);
    EXPECT_EQ(scan.text, "-3");
    EXPECT_EQ(scan.line, 3);
}

TEST(TextStream, StepBackReturnsTheSameByteOnce) {
    BothSources sources("a\r\nb");
    for (auto& stream : sources.Streams()) {
        EXPECT_EQ(stream->Get(), 'a');
        stream->StepBack();
        stream->StepBack();  // only one byte back
        EXPECT_EQ(stream->Get(), 'a');
        EXPECT_EQ(stream->Get(), '\n');
        EXPECT_EQ(stream->Line(), 2);
        stream->StepBack();  // the LF that came from CR LF
        EXPECT_EQ(stream->Line(), 1);
        EXPECT_EQ(stream->Peek(), '\n');
        EXPECT_EQ(stream->Get(), '\n');
        EXPECT_EQ(stream->Get(), 'b');
        EXPECT_EQ(stream->Get(), kEndOfStream);
        stream->StepBack();  // nothing to step back over at the end
        EXPECT_EQ(stream->Get(), kEndOfStream);
        EXPECT_EQ(stream->Peek(), kEndOfStream);
    }
}

TEST(TextStream, OpensOnlyRegularFiles) {
    TempDir dir;
    EXPECT_FALSE(TextStream::Open((dir.path() / "missing.txt").string().c_str()));
    EXPECT_FALSE(TextStream::Open(dir.path().string().c_str())) << "a directory";
#ifndef _WIN32
    const std::string fifo = (dir.path() / "pipe").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(TextStream::Open(fifo.c_str())) << "a pipe cannot be read twice (and must not block)";
#endif
    EXPECT_FALSE(TextStream::Open(""));
    EXPECT_TRUE(TextStream::Open(dir.Write("list.txt", "x").c_str()));
}

}  // namespace
}  // namespace kestran
