// A FIFO in place of an asset file, and a way to run code that might block
// on it without hanging the test: a reader stuck on the FIFO is let go by
// opening its other end once, so a failing test fails instead of hanging.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <thread>

namespace test_support {

inline bool MakeFifo(const std::filesystem::path& path) {
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
    return ::mkfifo(path.c_str(), 0644) == 0;
}

// Whether `work` ends within `limit`.
inline bool EndsWithin(std::chrono::milliseconds limit, const std::filesystem::path& fifo,
                       std::function<void()> work) {
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> finished = done->get_future();
    std::thread([done, work = std::move(work)] {
        work();
        done->set_value();
    }).detach();
    if (finished.wait_for(limit) == std::future_status::ready) return true;
    // Let the stuck reader see end-of-file, and wait for it so nothing the
    // work refers to goes away under it.
    for (int i = 0; i < 50 && finished.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready; ++i) {
        const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0) ::close(writer);
    }
    return false;
}

}  // namespace test_support
