#include "tools/list_file.h"

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
    bytes.clear();
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

std::string AsLoaderReadsIt(std::string_view raw) {
    std::string text;
    text.reserve(raw.size());
    auto stream = TextStream::FromBytes(raw);
    for (int c = stream->Get(); c != kEndOfStream; c = stream->Get()) text.push_back(static_cast<char>(c));
    return text;
}

}  // namespace kestran::listtool
