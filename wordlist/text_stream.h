// A read-only byte stream over a list file or a block of memory, reading the
// way the Windows runtime's text mode does, whatever the host's C library
// does with "r":
//   - CR LF reads as one LF; a CR not followed by LF stays a CR;
//   - the byte 0x1A reads as the end of the file, and so does everything
//     after it until the stream is rewound.
// Word lists written on Windows therefore read the same on every host.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace kestran {

inline constexpr int kEndOfStream = -1;

// What a "%d" read consumed beyond white space.
struct NumberScan {
    bool sign = false;             // a '+' or '-' was consumed
    std::int64_t digitCount = 0;   // digits consumed
    std::int64_t line = 0;         // line of the sign or first digit (0: none)
    std::string text;              // sign and digits, the first 32 bytes
};

struct TextStream {
public:
    // Opens a regular file for reading; null when it cannot be opened or is
    // not a regular file (a directory, a pipe: the list is read twice, so
    // the source must be able to seek back to its start).
    static std::unique_ptr<TextStream> Open(const char* path);
    // Reads `bytes`, which must outlive the stream.
    static std::unique_ptr<TextStream> FromBytes(std::string_view bytes);
    static std::unique_ptr<TextStream> FromBytes(const char* text) { return FromBytes(std::string_view(text)); }
    static std::unique_ptr<TextStream> FromBytes(std::string&&) = delete;  // would dangle
    // Reads `bytes`, which the stream keeps.
    static std::unique_ptr<TextStream> FromOwnedBytes(std::string bytes);

    ~TextStream();
    TextStream(const TextStream&) = delete;
    TextStream& operator=(const TextStream&) = delete;

    // One byte, 0 to 255, or kEndOfStream. The "%c" read is the same.
    int Get() {
        if (pushedBack_) {
            pushedBack_ = false;
            if (last_ == '\n') ++line_;
            return last_;
        }
        if (ended_ || (next_ == end_ && !Refill())) return EndReached();
        int c = *next_++;
        if (c == 0x1A) return EndReached();
        if (c == '\r') c = AfterCarriageReturn();
        last_ = c;
        haveLast_ = true;
        if (c == '\n') ++line_;
        return c;
    }

    // Steps back over the byte the last Get returned, so that the next Get
    // returns it again. Only one byte: a second step without a read in
    // between, or a step after the end was reached, does nothing.
    void StepBack() {
        if (!haveLast_ || pushedBack_) return;
        pushedBack_ = true;
        if (last_ == '\n') --line_;
    }

    // The next byte without consuming it.
    int Peek() {
        int c = Get();
        if (c != kEndOfStream) StepBack();
        return c;
    }

    // The "%d" conversion with the value discarded: skips white space (space,
    // tab, LF, VT, FF, CR), then takes an optional sign and the decimal digits
    // after it. The first byte that does not fit is left unread; a sign with
    // no digit after it stays consumed, as the C library's scan does. True
    // when a digit was read. `scan`, if given, learns what was consumed.
    bool ScanNumber(NumberScan* scan = nullptr);

    // Back to the first byte; the end is no longer reached.
    void Rewind();

    // The next bytes exactly as stored, without the text-mode rules, for a
    // look at the whole source before reading it (Rewind after). False at
    // the end. The view lasts until the next call on the stream.
    bool ReadRaw(std::string_view& bytes);

    // 1 + the number of LFs read so far: the line the next byte belongs to.
    std::int64_t Line() const { return line_; }

private:
    TextStream() = default;
    bool Refill();
    int AfterCarriageReturn();
    int EndReached() {
        ended_ = true;
        haveLast_ = false;
        return kEndOfStream;
    }

    const unsigned char* next_ = nullptr;
    const unsigned char* end_ = nullptr;
    bool pushedBack_ = false;
    bool haveLast_ = false;
    bool ended_ = false;
    int last_ = 0;
    std::int64_t line_ = 1;

    // Memory source: the whole text; file source: a read buffer.
    const unsigned char* begin_ = nullptr;
    std::string owned_;
    int fd_ = -1;
    std::unique_ptr<unsigned char[]> buffer_;
};

// Opens a regular file for reading without blocking on special files;
// returns the descriptor or -1. Shared with the list checker so both accept
// the same files.
int OpenRegularFileForReading(const char* path);

}  // namespace kestran
