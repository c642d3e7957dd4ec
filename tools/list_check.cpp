#include "tools/list_check.h"

#include <algorithm>
#include <cstdio>
#include <set>

#include "platform/gbk.h"
#include "tools/encoding_check.h"
#include "tools/list_file.h"

namespace kestran::listtool {
namespace {

bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

class TraceRecorder final : public EntryObserver {
public:
    std::vector<EntryRead> entries;
    void OnEntry(const EntryTrace& t) override {
        EntryRead e;
        e.number = t.number;
        e.wordLine = t.wordLine;
        e.wordEnd = t.wordEnd;
        e.wordGlued = !t.word.empty() && !IsBlank(t.word[0]);
        e.wordOnlySpaces = t.word.find_first_not_of(' ') == std::string_view::npos;
        e.wordHasLineFeed = t.word.find('\n') != std::string_view::npos;
        if (std::size_t nul = t.word.find('\0'); nul != std::string_view::npos)
            e.wordNulLine = t.wordLine + std::count(t.word.begin(), t.word.begin() + static_cast<std::ptrdiff_t>(nul), '\n');
        e.meaningLine = t.meaningLine;
        e.meaningEnd = t.meaningEnd;
        e.meaningHasNul = t.meaning.find('\0') != std::string_view::npos;
        e.endLine = t.endLine;
        entries.push_back(std::move(e));
    }
};

// Kinds of note; each but the file notes is listed at most kMaxNotesOfAKind
// times, and the rest are counted.
enum class NoteKind { kFile, kLoss, kInvalidGbk, kNumber, kRunInto, kNul, kControl, kTooLong, kEmptyWord,
                      kShiftedOut, kIgnored, kStop, kCount };

const char* Topic(NoteKind kind) {
    switch (kind) {
        case NoteKind::kLoss: return "characters GBK does not have";
        case NoteKind::kInvalidGbk: return "bytes that are not valid GBK";
        case NoteKind::kNumber: return "numbers dropped from the start of a word";
        case NoteKind::kRunInto: return "lines without Chinese running into the next word";
        case NoteKind::kNul: return "NUL bytes";
        case NoteKind::kControl: return "tabs and control bytes kept in words";
        case NoteKind::kTooLong: return "fields longer than 126 bytes";
        case NoteKind::kEmptyWord: return "lines that start with Chinese";
        case NoteKind::kIgnored: return "text after the last entry";
        default: return "other things";
    }
}

// Lines first to last (1-based) of `text`, in order, without their LF.
template <class Fn>
void ForEachLine(std::string_view text, std::int64_t first, std::int64_t last, Fn&& fn) {
    std::size_t start = 0;
    for (std::int64_t line = 1; line <= last; ++line) {
        std::size_t lf = text.find('\n', start);
        if (line >= first) fn(line, text.substr(start, lf == std::string_view::npos ? lf : lf - start));
        if (lf == std::string_view::npos) break;
        start = lf + 1;
    }
}

// Lines with characters the conversion to GBK turned into "?": the first
// few with their counts, then how many more.
struct LossLines {
    std::vector<std::pair<std::int64_t, std::int64_t>> listed;
    std::int64_t lastLine = 0;
    std::int64_t moreLines = 0;
    void Add(std::int64_t line, std::int64_t count) {
        if (line == lastLine && !listed.empty() && listed.back().first == line) {
            listed.back().second += count;
        } else if (line != lastLine) {
            if (listed.size() < kMaxNotesOfAKind) listed.emplace_back(line, count);
            else ++moreLines;
        }
        lastLine = line;
    }
};

// What the checker learned of the file before it became the loader's text.
struct FileFacts {
    UnmarkedUtf16 unmarkedUtf16 = UnmarkedUtf16::kNone;
    std::int64_t utf8LineWithoutChinese = 0;  // valid UTF-8 read as GBK because of this line
    LossLines loss;
    bool endByte = false;                 // a 0x1A byte
    std::size_t bytesAfterEndByte = 0;
    bool textAfterEndByte = false;        // anything but white space after it
};

std::string Hex(unsigned char byte) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", byte);
    return text;
}

bool HasHighByte(std::string_view s) {
    return std::any_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}
bool IsAllBlank(std::string_view s) { return std::all_of(s.begin(), s.end(), IsBlank); }

std::string LineRange(std::int64_t first, std::int64_t last) {
    if (first == last) return "line " + std::to_string(first);
    return "lines " + std::to_string(first) + "-" + std::to_string(last);
}

std::string Lines(std::int64_t count) { return std::to_string(count) + (count == 1 ? " line" : " lines"); }

std::string ControlName(unsigned char c) {
    if (c == '\t') return "a tab (0x09)";
    if (c == '\r') return "a CR (0x0D)";
    return "a control byte (" + Hex(c) + ")";
}

class NoteWriter {
public:
    NoteWriter(const ListCheck& check, const FileFacts& facts, std::string_view text, const std::string& path)
        : check_(check), facts_(facts), text_(text), lineCount_(1 + std::count(text.begin(), text.end(), '\n')),
          path_(path) {}

    std::vector<ListNote> Write() {
        FileNotes();
        // In UTF-16 without a mark every line would draw a note; the
        // conversion advice is the one that matters.
        if (facts_.unmarkedUtf16 == UnmarkedUtf16::kNone) {
            LossNotes();
            InvalidGbkNotes();
            for (std::size_t i = 0; i < check_.entries.size(); ++i) EntryNotes(i);
            ShiftedOutNotes();
            IgnoredTextNotes();
        }
        StopByteNotes();
        std::stable_sort(notes_.begin(), notes_.end(),
                         [](const ListNote& a, const ListNote& b) { return a.line < b.line; });
        for (int k = 0; k < static_cast<int>(NoteKind::kCount); ++k) {
            if (unlisted_[k] == 0) continue;
            std::int64_t n = unlisted_[k];
            notes_.push_back({ListNote::kAfterAllLines, std::to_string(n) + (n == 1 ? " more note" : " more notes") +
                                                            " about " + Topic(static_cast<NoteKind>(k)) +
                                                            (n == 1 ? " is" : " are") + " not listed"});
        }
        return std::move(notes_);
    }

private:
    void Add(NoteKind kind, std::int64_t line, std::string text) {
        auto k = static_cast<std::size_t>(kind);
        if (kind != NoteKind::kFile && listed_[k]++ >= kMaxNotesOfAKind) {
            ++unlisted_[k];
            return;
        }
        notes_.push_back({line, std::move(text)});
    }

    // The last line the count pass saw: a 0xFF ends it early.
    std::int64_t LastCountedLine() const {
        return check_.parse.count.stoppedAtFF ? check_.parse.count.stopLine : lineCount_;
    }
    // The part of a line the count pass saw.
    std::string_view CountedPart(std::int64_t line, std::string_view s) const {
        if (check_.parse.count.stoppedAtFF && line == check_.parse.count.stopLine) s = s.substr(0, s.find('\xFF'));
        return s;
    }

    void FileNotes() {
        if (facts_.unmarkedUtf16 != UnmarkedUtf16::kNone) {
            Add(NoteKind::kFile, 0,
                std::string("the file looks like UTF-16 without a byte order mark, which the drill does not read. "
                            "Convert it with:\n    ") +
                    ConversionCommand(facts_.unmarkedUtf16, path_));
        } else if (facts_.utf8LineWithoutChinese > 0) {
            Add(NoteKind::kFile, 0,
                "the file is also valid UTF-8, but line " + std::to_string(facts_.utf8LineWithoutChinese) +
                    " holds no Chinese when read so, so it is read as GBK; if it was saved as UTF-8, "
                    "save it as UTF-8 with a byte order mark (BOM)");
        }
        std::size_t cr = text_.find('\r');
        if (cr != std::string_view::npos) {
            auto count = std::count(text_.begin(), text_.end(), '\r');
            Add(NoteKind::kFile, LineOf(cr),
                "a CR (0x0D) without an LF after it does not end a line (" + std::to_string(count) +
                    " in the file); save the file with LF or CR LF line ends");
        }
        if (check_.blocks.wordCount == 0 && !check_.parse.count.stoppedAtFF && !IsAllBlank(text_))
            Add(NoteKind::kFile, 0, "no line holds Chinese (a byte of 0x80 or above), so the list has no entries");
    }

    std::int64_t LineOf(std::size_t offset) const {
        return 1 + std::count(text_.begin(), text_.begin() + static_cast<std::ptrdiff_t>(offset), '\n');
    }

    void LossNotes() {
        for (const auto& [line, count] : facts_.loss.listed) {
            Add(NoteKind::kLoss, line,
                std::to_string(count) + (count == 1 ? " character" : " characters") +
                    " that GBK does not have " + (count == 1 ? "becomes" : "become") + " \"?\"");
        }
        unlisted_[static_cast<std::size_t>(NoteKind::kLoss)] += facts_.loss.moreLines;
    }

    void InvalidGbkNotes() {
        ForEachLine(text_, 1, LastCountedLine(), [&](std::int64_t line, std::string_view whole) {
            std::string_view s = CountedPart(line, whole);
            std::size_t at = FirstInvalidGbk(s);
            if (at == std::string_view::npos) return;
            Add(NoteKind::kInvalidGbk, line,
                "byte " + Hex(static_cast<unsigned char>(s[at])) + " at column " + std::to_string(at + 1) +
                    " is not valid GBK; it shows as a wrong character");
        });
    }

    void EntryNotes(std::size_t i) {
        const EntryRead& e = check_.entries[i];
        const WordRecord& record = check_.blocks.table[i];
        const std::string word = record.word;
        const std::int64_t entryLine = e.meaningLine;
        const EntryRead* next = i + 1 < check_.entries.size() ? &check_.entries[i + 1] : nullptr;
        // The rest of a line after a too-long field: its note says so.
        bool wordExplained = i > 0 && IsTooLong(check_.entries[i - 1]) && check_.entries[i - 1].meaningLine == e.wordLine;

        if (e.number.digitCount > 0 || e.number.sign) {
            const std::string what = (e.number.digitCount > 0 ? "the number " : "the sign ") + Quoted(e.number.text);
            if (word.empty()) {
                Add(NoteKind::kNumber, e.number.line, what + " at the start is dropped, which leaves the word empty");
                wordExplained = true;
            } else if (e.wordGlued) {
                Add(NoteKind::kNumber, e.number.line,
                    what + " at the start of the word is dropped: the word is " + Quoted(word));
            }
        }
        if (e.wordEnd == WordEnd::kMeaningByte && e.wordHasLineFeed) {
            Add(NoteKind::kRunInto, e.wordLine,
                "no Chinese on " + LineRange(e.wordLine, e.meaningLine - 1) +
                    ", so the text runs into the word of the entry on line " + std::to_string(e.meaningLine) +
                    ", line breaks included: " + Quoted(word));
        }
        if (e.wordNulLine > 0) {
            const std::string whose =
                e.wordNulLine == entryLine ? "the word" : "the word of the entry on line " + std::to_string(entryLine);
            Add(NoteKind::kNul, e.wordNulLine, "a NUL byte (0x00) cuts " + whose + " short: it is stored as " + Quoted(word));
            wordExplained = true;
        }
        if (e.meaningHasNul) {
            Add(NoteKind::kNul, e.meaningLine,
                "a NUL byte (0x00) cuts the meaning short: it shows as " + Quoted(record.meaning));
        }
        std::set<unsigned char> controls;
        for (char c : word) {
            auto b = static_cast<unsigned char>(c);
            if ((b < 0x20 && b != '\n') || b == 0x7F) controls.insert(b);
        }
        for (unsigned char c : controls)
            Add(NoteKind::kControl, entryLine,
                "the word " + Quoted(word) + " keeps " + ControlName(c) + ", which a typed answer never matches");

        if (e.wordEnd == WordEnd::kTooLong) {
            Add(NoteKind::kTooLong, e.meaningLine,
                "no Chinese within 127 bytes: the word is cut to " + std::to_string(kMaxFieldBytes) +
                    " bytes and the entry gets no meaning; " + RestOfLine(e, next));
            wordExplained = true;
        } else if (e.wordEnd == WordEnd::kEndOfFile) {
            if (i == 0 || check_.entries[i - 1].wordEnd != WordEnd::kEndOfFile) {
                auto empty = std::count_if(check_.entries.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                                           check_.entries.end(),
                                           [](const EntryRead& r) { return r.wordEnd == WordEnd::kEndOfFile; });
                std::string text = "the file ends inside entry " + std::to_string(i + 1) +
                                   ", because a too-long field earlier moved the reading; it gets no meaning";
                if (empty > 0) text += ", and the " + std::to_string(empty) + " entries after it are empty";
                Add(NoteKind::kFile, e.meaningLine, text);
            }
            wordExplained = true;
        }
        if (e.meaningEnd == MeaningEnd::kTooLong) {
            Add(NoteKind::kTooLong, e.meaningLine,
                "the meaning is longer than " + std::to_string(kMaxFieldBytes) + " bytes and is cut there; " +
                    RestOfLine(e, next));
        }
        // Only spaces before the first Chinese byte: the line itself starts
        // with Chinese (a NUL or a number empties a word too, noted above).
        if (word.empty() && !wordExplained && e.wordEnd == WordEnd::kMeaningByte && e.wordOnlySpaces)
            Add(NoteKind::kEmptyWord, entryLine, "the line starts with Chinese, so the entry's word is empty");
    }

    static bool IsTooLong(const EntryRead& e) {
        return e.wordEnd == WordEnd::kTooLong || e.meaningEnd == MeaningEnd::kTooLong;
    }

    // What becomes of the bytes after a too-long field.
    static std::string RestOfLine(const EntryRead& e, const EntryRead* next) {
        if (next && next->wordLine == e.meaningLine)
            return "the rest of the line is read as the next entry, which moves every later entry";
        if (!next) return "the rest of the line is not read";
        return "the line ends there, so the next entries are not affected";
    }

    // Entry lines the count pass counted but no entry's meaning came from.
    void ShiftedOutNotes() {
        bool shifted = false;
        std::vector<std::int64_t> read;  // in ascending order, as the entries were read
        for (const EntryRead& e : check_.entries) {
            if (e.wordEnd == WordEnd::kMeaningByte) read.push_back(e.meaningLine);
            if (e.wordEnd != WordEnd::kMeaningByte || e.meaningEnd == MeaningEnd::kTooLong) shifted = true;
        }
        if (!shifted) return;
        std::int64_t first = 0, more = 0;
        ForEachLine(text_, 1, LastCountedLine(), [&](std::int64_t line, std::string_view whole) {
            if (!HasHighByte(CountedPart(line, whole)) || std::binary_search(read.begin(), read.end(), line)) return;
            if (first == 0) first = line;
            else ++more;
        });
        if (first == 0) return;
        std::string text = "not read as an entry: the too-long field earlier moved the reading";
        if (more > 0) text += " (nor are " + Lines(more) + " after it)";
        Add(NoteKind::kFile, first, text);
    }

    void StopByteNotes() {
        if (check_.parse.count.stoppedAtFF) {
            std::int64_t stop = check_.parse.count.stopLine;
            std::int64_t later = 0;
            ForEachLine(text_, stop + 1, lineCount_, [&](std::int64_t, std::string_view s) { later += HasHighByte(s); });
            std::string text = "byte 0xFF ends the reading of the list here";
            if (later > 0) text += "; " + Lines(later) + " with Chinese after it " + (later == 1 ? "is" : "are") + " not loaded";
            Add(NoteKind::kFile, stop, text);
        }
        if (facts_.endByte && facts_.textAfterEndByte) {
            Add(NoteKind::kFile, lineCount_,
                "byte 0x1A reads as the end of the file; the " + std::to_string(facts_.bytesAfterEndByte) +
                    " bytes after it are ignored");
        }
    }

    // Text after the last entry that holds no Chinese is never read.
    void IgnoredTextNotes() {
        if (check_.entries.empty()) return;
        const EntryRead& last = check_.entries.back();
        if (last.wordEnd != WordEnd::kMeaningByte || last.meaningEnd != MeaningEnd::kLineFeed) return;
        ForEachLine(text_, last.endLine, LastCountedLine(), [&](std::int64_t line, std::string_view whole) {
            std::string_view s = CountedPart(line, whole);
            if (IsAllBlank(s) || HasHighByte(s)) return;
            Add(NoteKind::kIgnored, line, "no Chinese after the last entry, so this text is ignored");
        });
    }

    const ListCheck& check_;
    const FileFacts& facts_;
    std::string_view text_;
    std::int64_t lineCount_;
    const std::string& path_;
    std::vector<ListNote> notes_;
    std::size_t listed_[static_cast<std::size_t>(NoteKind::kCount)] = {};
    std::int64_t unlisted_[static_cast<std::size_t>(NoteKind::kCount)] = {};
};

}  // namespace

std::string Quoted(std::string_view gbk) {
    std::string out = "\"";
    for (char c : plat::GbkToUtf8(gbk)) {
        auto b = static_cast<unsigned char>(c);
        if (c == '\n') out += "\\n";
        else if (c == '\t') out += "\\t";
        else if (c == '\r') out += "\\r";
        else if (c == '"' || c == '\\') out += std::string("\\") + c;
        else if (b < 0x20 || b == 0x7F) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\x%02x", b);
            out += esc;
        } else out += c;
    }
    return out + "\"";
}

ListCheck CheckList(std::string& bytes, const std::string& path) {
    ListCheck check;
    FileFacts facts;
    // Decided as the drill decides: the byte order mark first.
    EncodingSniffer sniffer;
    sniffer.Feed(bytes);
    check.encoding = sniffer.Result();
    facts.unmarkedUtf16 = sniffer.UnmarkedUtf16Guess();
    if (facts.unmarkedUtf16 == UnmarkedUtf16::kNone) {
        if (check.encoding == ListEncoding::kGbk && sniffer.WellFormedUtf8())
            facts.utf8LineWithoutChinese = sniffer.Utf8LineWithoutChinese();
        ConvertToGbkInPlace(bytes, check.encoding,
                            [&](std::int64_t line, std::int64_t count) { facts.loss.Add(line, count); });
    }

    TraceRecorder recorder;
    auto stream = TextStream::FromBytes(std::string_view(bytes));
    check.parse = ParseWordList(*stream, check.blocks, &recorder);
    stream.reset();
    check.entries = std::move(recorder.entries);
    if (!check.parse.loaded) return check;

    if (std::size_t end = bytes.find('\x1A'); end != std::string::npos) {
        facts.endByte = true;
        facts.bytesAfterEndByte = bytes.size() - end - 1;
        facts.textAfterEndByte = !IsAllBlank(std::string_view(bytes).substr(end + 1));
    }
    ToLoaderText(bytes);
    check.notes = NoteWriter(check, facts, bytes, path).Write();
    return check;
}

}  // namespace kestran::listtool
