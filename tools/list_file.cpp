#include "tools/list_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "wordlist/text_stream.h"

namespace kestran::listtool {

bool ReadWholeFile(const char* path, std::string& bytes, std::string& error) {
    errno = 0;
    int fd = OpenRegularFileForReading(path);
    if (fd < 0) {
        error = errno != 0 ? std::strerror(errno) : "not a regular file";
        return false;
    }
    struct stat info {};
    bytes.clear();
    if (::fstat(fd, &info) == 0 && info.st_size > 0) bytes.reserve(static_cast<std::size_t>(info.st_size));
    char chunk[64 * 1024];
    bool ok = true;
    for (;;) {
        ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got > 0) {
            bytes.append(chunk, static_cast<std::size_t>(got));
        } else if (got < 0 && errno == EINTR) {
            continue;
        } else {
            ok = got == 0;
            if (!ok) error = std::strerror(errno);
            break;
        }
    }
    ::close(fd);
    return ok;
}

void ToLoaderText(std::string& bytes) {
    // The stream's own rules; every byte it returns comes from at or after
    // the place it is written to, so the text can replace the bytes.
    auto stream = TextStream::FromBytes(std::string_view(bytes));
    std::size_t write = 0;
    for (int c = stream->Get(); c != kEndOfStream; c = stream->Get()) bytes[write++] = static_cast<char>(c);
    bytes.resize(write);
}

}  // namespace kestran::listtool
