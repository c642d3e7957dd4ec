// libFuzzer target over the word-list decoding and parser. Beyond memory
// safety (built with AddressSanitizer) it checks, for any input (its first
// byte sets the piece size the encoding code works in):
//   - the encoding found is the same whether the bytes come whole or in
//     pieces; converting in place, piece by piece, gives what one
//     conversion of the whole text gives, and never a 0xFF byte;
// and then for the text the parser is given:
//   - both fields of every record, spare records included, end within their
//     128 bytes; no word holds a byte of 0x80 or above or an outer space;
//   - the count pass agrees with an independent count of entry lines, and
//     the entry reading stores exactly that many entries;
//   - unless a too-long field shifted the reading, entry i takes its meaning
//     from the i-th entry line, byte for byte.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "platform/gbk.h"
#include "wordlist/list_encoding.h"
#include "wordlist/word_list_parser.h"

namespace {

using kestran::EntryTrace;
using kestran::MeaningEnd;
using kestran::WordEnd;

struct Trace {
    WordEnd wordEnd;
    MeaningEnd meaningEnd;
    std::int64_t meaningLine;
};

class Recorder final : public kestran::EntryObserver {
public:
    std::vector<Trace> traces;
    void OnEntry(const EntryTrace& t) override { traces.push_back({t.wordEnd, t.meaningEnd, t.meaningLine}); }
};

// The text-mode rules written out plainly, apart from the stream's code.
std::string Translate(std::string_view raw) {
    std::string text;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\x1A') break;
        if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') continue;
        text.push_back(raw[i]);
    }
    return text;
}

bool High(char c) { return static_cast<unsigned char>(c) >= 0x80; }

void CheckParse(std::string_view raw) {
    auto stream = kestran::TextStream::FromBytes(raw);
    kestran::WordListBlocks blocks;
    Recorder recorder;
    const kestran::ParseResult result = kestran::ParseWordList(*stream, blocks, &recorder);
    CHECK(result.loaded);

    // Reference entry lines: lines with a high byte, before the first 0xFF.
    const std::string text = Translate(raw);
    const std::string counted = text.substr(0, text.find('\xFF'));
    std::vector<std::int64_t> entryLines;
    std::vector<std::string> meanings;  // from the first high byte to the end of the line
    std::int64_t line = 1;
    for (std::size_t start = 0; start <= text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string_view whole(text.data() + start, end - start);
        if (start < counted.size()) {
            std::string_view seen = whole.substr(0, counted.size() - start);
            std::size_t first = 0;
            while (first < seen.size() && !High(seen[first])) ++first;
            if (first < seen.size()) {
                entryLines.push_back(line);
                std::string_view meaning = whole.substr(first);
                meanings.emplace_back(meaning.substr(0, meaning.find('\xFF')));
            }
        }
        start = end + 1;
        ++line;
    }

    CHECK(result.count.entryLines == static_cast<std::int64_t>(entryLines.size()));
    CHECK(blocks.wordCount == result.count.entryLines);
    CHECK(recorder.traces.size() == static_cast<std::size_t>(blocks.wordCount));

    for (std::int32_t i = 0; i < blocks.wordCount + kestran::kSpareRecords; ++i) {
        const kestran::WordRecord& r = blocks.table[i];
        const void* wordEnd = std::memchr(r.word, '\0', kestran::kWordFieldSize);
        const void* meaningEnd = std::memchr(r.meaning, '\0', kestran::kWordFieldSize);
        CHECK(wordEnd && meaningEnd);
        const std::size_t wordLength = std::strlen(r.word);
        CHECK(wordLength <= kestran::kMaxFieldBytes);
        CHECK(std::strlen(r.meaning) <= kestran::kMaxFieldBytes);
        for (std::size_t k = 0; k < wordLength; ++k) CHECK(!High(r.word[k]));
        if (wordLength > 0) CHECK(r.word[0] != ' ' && r.word[wordLength - 1] != ' ');
        CHECK(blocks.drawnIndices[i] == -1);
        if (i >= blocks.wordCount) CHECK(r.word[0] == '\0' && r.meaning[0] == '\0');
    }

    // The end of the file inside a word part needs a too-long field before.
    bool shifted = false;
    for (const Trace& t : recorder.traces) {
        if (t.wordEnd == WordEnd::kEndOfFile) CHECK(shifted);
        if (t.wordEnd != WordEnd::kMeaningByte || t.meaningEnd == MeaningEnd::kTooLong) shifted = true;
    }
    if (!shifted) {
        for (std::int32_t i = 0; i < blocks.wordCount; ++i) {
            CHECK(recorder.traces[i].meaningLine == entryLines[i]);
            const std::string& expected = meanings[i];
            CHECK(std::string_view(blocks.table[i].meaning) == std::string_view(expected.c_str()));
        }
    }
}

// The decoding: returns the text the loader would parse.
std::string Decode(std::string_view raw, std::size_t piece) {
    using kestran::ListEncoding;
    const ListEncoding whole = kestran::DetectListEncoding(raw);
    kestran::EncodingSniffer sniffer;
    for (std::size_t at = 0; at < raw.size() && sniffer.Feed(raw.substr(at, piece)); at += piece) {
    }
    CHECK(sniffer.Result() == whole);
    std::string text(raw);
    if (whole == ListEncoding::kGbk) return text;

    kestran::ConvertToGbkInPlace(text, whole, {}, piece);
    CHECK(text.find('\xFF') == std::string::npos);
    std::string reference;
    if (whole == ListEncoding::kUtf16LE || whole == ListEncoding::kUtf16BE) {
        reference = plat::Utf8ToGbk(kestran::Utf16ToUtf8(raw.substr(2), whole == ListEncoding::kUtf16BE));
    } else {
        std::string_view body = raw.substr(whole == ListEncoding::kUtf8WithBom ? 3 : 0);
        kestran::EncodingSniffer bodySniffer;
        bodySniffer.Feed(body);
        // Broken UTF-8 after a mark may be cut differently; well-formed text not.
        const bool ascii = std::none_of(body.begin(), body.end(), High);
        if (!ascii && !bodySniffer.WellFormedUtf8()) return text;
        reference = plat::Utf8ToGbk(body);
    }
    CHECK(text == reference);
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::size_t piece = 1 + data[0] % 64;
    const std::string_view raw(reinterpret_cast<const char*>(data) + 1, size - 1);
    CheckParse(Decode(raw, piece));
    return 0;
}
