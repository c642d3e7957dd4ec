#include "tools/list_check.h"

#include <algorithm>
#include <cstdio>
#include <set>

#include "platform/gbk.h"
#include "tools/encoding_check.h"
#include "tools/list_file.h"

namespace kestran::listtool {
namespace {

constexpr std::size_t kMaxRepeatedNotes = 10;

class TraceRecorder final : public EntryObserver {
public:
    std::vector<EntryRead> entries;
    void OnEntry(const EntryTrace& t) override {
        entries.push_back({t.number, t.wordLine, std::string(t.word), t.wordEnd, t.meaningLine,
                           std::string(t.meaning), t.meaningEnd, t.endLine});
    }
};

std::string Hex(unsigned char byte) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", byte);
    return text;
}

bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool HasHighByte(std::string_view s) {
    return std::any_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}
bool IsAllBlank(std::string_view s) { return std::all_of(s.begin(), s.end(), IsBlank); }

// The file as the loader reads it, one string per line (without its LF).
std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (;;) {
        std::size_t lf = text.find('\n', start);
        if (lf == std::string_view::npos) {
            lines.push_back(text.substr(start));
            return lines;
        }
        lines.push_back(text.substr(start, lf - start));
        start = lf + 1;
    }
}

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
    NoteWriter(const ListCheck& check, std::string_view raw, std::string_view text, const std::string& path)
        : check_(check), raw_(raw), text_(text), lines_(SplitLines(text)), path_(path) {}

    std::vector<ListNote> Write() {
        FileNotes();
        // In another encoding every line would draw a note; the conversion
        // advice is the one that matters.
        if (foreign_ == ForeignEncoding::kNone) {
            for (std::size_t i = 0; i < check_.entries.size(); ++i) EntryNotes(i);
            ShiftedOutNotes();
            IgnoredTextNotes();
        }
        StopByteNotes();
        std::stable_sort(notes_.begin(), notes_.end(),
                         [](const ListNote& a, const ListNote& b) { return a.line < b.line; });
        return std::move(notes_);
    }

private:
    void Add(std::int64_t line, std::string text) { notes_.push_back({line, std::move(text)}); }

    std::string_view Line(std::int64_t line) const {
        return line >= 1 && line <= static_cast<std::int64_t>(lines_.size()) ? lines_[line - 1] : std::string_view{};
    }
    // The last line the count pass saw: a 0xFF ends it early.
    std::int64_t LastCountedLine() const {
        return check_.parse.count.stoppedAtFF ? check_.parse.count.stopLine : static_cast<std::int64_t>(lines_.size());
    }
    // The part of a line the count pass saw.
    std::string_view CountedPart(std::int64_t line) const {
        std::string_view s = Line(line);
        if (check_.parse.count.stoppedAtFF && line == check_.parse.count.stopLine) s = s.substr(0, s.find('\xFF'));
        return s;
    }

    void FileNotes() {
        foreign_ = DetectForeignEncoding(raw_);
        if (foreign_ != ForeignEncoding::kNone) {
            Add(0, std::string("the file looks like ") + EncodingName(foreign_) +
                       ", but lists must be GBK. Convert it with:\n    " + ConversionCommand(foreign_, path_));
        } else {
            InvalidGbkNotes();
        }
        std::size_t cr = text_.find('\r');
        if (cr != std::string_view::npos) {
            auto count = std::count(text_.begin(), text_.end(), '\r');
            Add(LineOf(cr), "a CR (0x0D) without an LF after it does not end a line (" + std::to_string(count) +
                                " in the file); save the file with LF or CR LF line ends");
        }
        if (check_.blocks.wordCount == 0 && !check_.parse.count.stoppedAtFF && !IsAllBlank(text_))
            Add(0, "no line holds Chinese (a byte of 0x80 or above), so the list has no entries");
    }

    std::int64_t LineOf(std::size_t offset) const {
        return 1 + std::count(text_.begin(), text_.begin() + static_cast<std::ptrdiff_t>(offset), '\n');
    }

    void InvalidGbkNotes() {
        std::size_t reported = 0, more = 0;
        for (std::int64_t line = 1; line <= LastCountedLine(); ++line) {
            std::string_view s = CountedPart(line);
            std::size_t at = FirstInvalidGbk(s);
            if (at == std::string_view::npos) continue;
            if (reported++ >= kMaxRepeatedNotes) {
                ++more;
                continue;
            }
            Add(line, "byte " + Hex(static_cast<unsigned char>(s[at])) + " at column " + std::to_string(at + 1) +
                          " is not valid GBK; it shows as a wrong character");
        }
        if (more > 0)
            Add(LastCountedLine(), Lines(static_cast<std::int64_t>(more)) + " more hold bytes that are not valid GBK");
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
            bool glued = !e.rawWord.empty() && !IsBlank(e.rawWord[0]);
            if (word.empty()) {
                Add(e.number.line, what + " at the start is dropped, which leaves the word empty");
                wordExplained = true;
            } else if (glued) {
                Add(e.number.line, what + " at the start of the word is dropped: the word is " + Quoted(word));
            }
        }
        if (e.wordEnd == WordEnd::kMeaningByte && e.rawWord.find('\n') != std::string::npos) {
            Add(e.wordLine, "no Chinese on " + LineRange(e.wordLine, e.meaningLine - 1) +
                                ", so the text runs into the word of the entry on line " +
                                std::to_string(e.meaningLine) + ", line breaks included: " + Quoted(word));
        }
        if (e.rawWord.find('\0') != std::string::npos) {
            Add(entryLine, "a NUL byte (0x00) cuts the word short: it is stored as " + Quoted(word));
        }
        std::set<unsigned char> controls;
        for (char c : word) {
            auto b = static_cast<unsigned char>(c);
            if ((b < 0x20 && b != '\n') || b == 0x7F) controls.insert(b);
        }
        for (unsigned char c : controls)
            Add(entryLine, "the word " + Quoted(word) + " keeps " + ControlName(c) + ", which a typed answer never matches");

        if (e.wordEnd == WordEnd::kTooLong) {
            Add(e.meaningLine, "no Chinese within 127 bytes: the word is cut to " + std::to_string(kMaxFieldBytes) +
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
                Add(e.meaningLine, text);
            }
            wordExplained = true;
        }
        if (e.meaningEnd == MeaningEnd::kTooLong) {
            Add(e.meaningLine, "the meaning is longer than " + std::to_string(kMaxFieldBytes) +
                                   " bytes and is cut there; " + RestOfLine(e, next));
        }
        if (word.empty() && !wordExplained && e.wordEnd == WordEnd::kMeaningByte)
            Add(entryLine, "the line starts with Chinese, so the entry's word is empty");
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
        std::set<std::int64_t> read;
        bool shifted = false;
        for (const EntryRead& e : check_.entries) {
            if (e.wordEnd == WordEnd::kMeaningByte) read.insert(e.meaningLine);
            if (e.wordEnd != WordEnd::kMeaningByte || e.meaningEnd == MeaningEnd::kTooLong) shifted = true;
        }
        if (!shifted) return;
        std::vector<std::int64_t> lost;
        for (std::int64_t line = 1; line <= LastCountedLine(); ++line)
            if (HasHighByte(CountedPart(line)) && !read.count(line)) lost.push_back(line);
        if (lost.empty()) return;
        std::string text = "not read as an entry: the too-long field earlier moved the reading";
        if (lost.size() > 1) text += " (nor are " + Lines(static_cast<std::int64_t>(lost.size() - 1)) + " after it)";
        Add(lost.front(), text);
    }

    void StopByteNotes() {
        if (check_.parse.count.stoppedAtFF) {
            std::int64_t stop = check_.parse.count.stopLine;
            std::int64_t later = 0;
            for (std::int64_t line = stop + 1; line <= static_cast<std::int64_t>(lines_.size()); ++line)
                if (HasHighByte(Line(line))) ++later;
            std::string text = "byte 0xFF ends the reading of the list here";
            if (later > 0) text += "; " + Lines(later) + " with Chinese after it " + (later == 1 ? "is" : "are") + " not loaded";
            Add(stop, text);
        }
        std::size_t eof = raw_.find('\x1A');
        if (eof != std::string_view::npos && !IsAllBlank(raw_.substr(eof + 1))) {
            Add(LineOf(text_.size()), "byte 0x1A reads as the end of the file; the " +
                                          std::to_string(raw_.size() - eof - 1) + " bytes after it are ignored");
        }
    }

    // Text after the last entry that holds no Chinese is never read.
    void IgnoredTextNotes() {
        if (check_.entries.empty()) return;
        const EntryRead& last = check_.entries.back();
        if (last.wordEnd != WordEnd::kMeaningByte || last.meaningEnd != MeaningEnd::kLineFeed) return;
        std::size_t reported = 0;
        for (std::int64_t line = last.endLine; line <= LastCountedLine(); ++line) {
            std::string_view s = CountedPart(line);
            if (IsAllBlank(s) || HasHighByte(s)) continue;
            if (reported++ < kMaxRepeatedNotes) Add(line, "no Chinese after the last entry, so this text is ignored");
        }
    }

    const ListCheck& check_;
    std::string_view raw_;
    std::string_view text_;
    std::vector<std::string_view> lines_;
    const std::string& path_;
    ForeignEncoding foreign_ = ForeignEncoding::kNone;
    std::vector<ListNote> notes_;
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

ListCheck CheckList(std::string_view raw, const std::string& path) {
    ListCheck check;
    TraceRecorder recorder;
    auto stream = TextStream::FromBytes(raw);
    check.parse = ParseWordList(*stream, check.blocks, &recorder);
    check.entries = std::move(recorder.entries);
    if (!check.parse.loaded) return check;
    const std::string text = AsLoaderReadsIt(raw);
    check.notes = NoteWriter(check, raw, text, path).Write();
    return check;
}

}  // namespace kestran::listtool
