#include "platform/asset_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace plat {

std::optional<std::string> ReadAssetFile(const std::string& fileName, std::size_t limit) {
    struct stat info {};
    // Looked at before opening: opening some devices already does something.
    if (fileName.empty() || ::stat(fileName.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    // Non-blocking, in case the name was swapped for a FIFO since.
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    std::optional<std::string> bytes;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && static_cast<std::size_t>(info.st_size) <= limit) {
        std::string data;
        data.resize(static_cast<std::size_t>(info.st_size));
        std::size_t got = 0;
        for (;;) {
            if (got == data.size()) {
                // The file may have grown since fstat; read on up to the limit.
                if (data.size() >= limit + 1) break;
                data.resize(std::min(limit + 1, data.size() + 4096));
            }
            const ssize_t n = ::read(fd, data.data() + got, data.size() - got);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                if (n == 0) bytes.emplace(data.substr(0, got));
                break;
            }
            got += static_cast<std::size_t>(n);
        }
        if (bytes && bytes->size() > limit) bytes.reset();
    }
    ::close(fd);
    return bytes;
}

}  // namespace plat
