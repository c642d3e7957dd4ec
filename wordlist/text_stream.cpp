#include "wordlist/text_stream.h"

#include <fcntl.h>
#include <sys/stat.h>

#ifdef _WIN32
#include <io.h>

#include <filesystem>

#include "platform/gbk.h"
#else
#include <unistd.h>
#endif

#include <cerrno>

namespace kestran {
namespace {

constexpr std::size_t kReadBufferSize = 64 * 1024;
constexpr std::size_t kNumberTextLimit = 32;

bool IsScanSpace(int c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool IsDigit(int c) { return c >= '0' && c <= '9'; }

}  // namespace

#ifdef _WIN32
int OpenRegularFileForReading(const char* path) {
    if (!path || !*path) return -1;
    // The path is GBK whatever the system code page is: opened by its UTF-16
    // name, Chinese folder names work everywhere. Binary, because the stream
    // itself does the text-mode reading; not inherited by child processes.
    const std::string utf8 = plat::GbkToUtf8(path);
    const std::filesystem::path name(std::u8string(utf8.begin(), utf8.end()));
    int fd = ::_wopen(name.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
    if (fd < 0) return -1;
    struct _stat64 info {};
    if (::_fstat64(fd, &info) != 0 || (info.st_mode & _S_IFMT) != _S_IFREG) {
        ::_close(fd);
        return -1;
    }
    return fd;
}
#else
int OpenRegularFileForReading(const char* path) {
    if (!path || !*path) return -1;
    // Non-blocking, so that naming a FIFO does not hang the caller.
    int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return -1;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return -1;
    }
    int flags = ::fcntl(fd, F_GETFL);
    if (flags != -1) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return fd;
}
#endif

std::unique_ptr<TextStream> TextStream::Open(const char* path) {
    int fd = OpenRegularFileForReading(path);
    if (fd < 0) return nullptr;
    std::unique_ptr<TextStream> stream(new TextStream());
    stream->fd_ = fd;
    stream->buffer_.reset(new unsigned char[kReadBufferSize]);
    stream->next_ = stream->end_ = stream->buffer_.get();
    return stream;
}

std::unique_ptr<TextStream> TextStream::FromBytes(std::string_view bytes) {
    std::unique_ptr<TextStream> stream(new TextStream());
    stream->begin_ = reinterpret_cast<const unsigned char*>(bytes.data());
    stream->next_ = stream->begin_;
    stream->end_ = stream->begin_ + bytes.size();
    return stream;
}

std::unique_ptr<TextStream> TextStream::FromOwnedBytes(std::string bytes) {
    std::unique_ptr<TextStream> stream(new TextStream());
    stream->owned_ = std::move(bytes);
    stream->begin_ = reinterpret_cast<const unsigned char*>(stream->owned_.data());
    stream->next_ = stream->begin_;
    stream->end_ = stream->begin_ + stream->owned_.size();
    return stream;
}

TextStream::~TextStream() {
    if (fd_ >= 0) ::close(fd_);
}

bool TextStream::Refill() {
    if (fd_ < 0) return false;
    for (;;) {
        ssize_t got = ::read(fd_, buffer_.get(), kReadBufferSize);
        if (got > 0) {
            next_ = buffer_.get();
            end_ = next_ + got;
            return true;
        }
        if (got < 0 && errno == EINTR) continue;
        // End of file, or a read error: either way nothing more to read.
        return false;
    }
}

int TextStream::AfterCarriageReturn() {
    if (next_ == end_ && !Refill()) return '\r';
    if (*next_ == '\n') {
        ++next_;
        return '\n';
    }
    return '\r';
}

bool TextStream::ScanNumber(NumberScan* scan) {
    int c = Get();
    while (IsScanSpace(c)) c = Get();
    auto note = [&](int byte) {
        if (!scan) return;
        if (scan->line == 0) scan->line = line_;
        if (scan->text.size() < kNumberTextLimit) scan->text.push_back(static_cast<char>(byte));
    };
    if (c == '+' || c == '-') {
        note(c);
        if (scan) scan->sign = true;
        c = Get();
    }
    std::int64_t digits = 0;
    while (IsDigit(c)) {
        note(c);
        ++digits;
        c = Get();
    }
    if (scan) scan->digitCount = digits;
    // The byte that ended the number is left for the next read.
    if (c != kEndOfStream) StepBack();
    return digits > 0;
}

bool TextStream::ReadRaw(std::string_view& bytes) {
    if (next_ == end_ && !Refill()) return false;
    bytes = std::string_view(reinterpret_cast<const char*>(next_), static_cast<std::size_t>(end_ - next_));
    next_ = end_;
    return true;
}

void TextStream::Rewind() {
    if (fd_ >= 0) {
        ::lseek(fd_, 0, SEEK_SET);
        next_ = end_ = buffer_.get();
    } else {
        next_ = begin_;
    }
    pushedBack_ = false;
    haveLast_ = false;
    ended_ = false;
    line_ = 1;
}

}  // namespace kestran
