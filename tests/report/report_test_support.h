// What the report tests share: the learner's clock fixed to UTC (so the
// simulation's days are the record's), and a folder of their own.
#pragma once

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <random>
#include <string>

namespace kestran::reporttest {

inline void UseUtcClock() {
#ifdef _WIN32
    _putenv_s("TZ", "UTC0");
    _tzset();
#else
    ::setenv("TZ", "UTC", 1);
    ::tzset();
#endif
}

struct TempFolder {
    std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("kestran-report-" + std::to_string(std::random_device()()));
    TempFolder() { std::filesystem::create_directories(path); }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::string File(const std::string& name) const { return (path / name).string(); }
    // A record's file: its name is the caller's choice, ASCII here so the
    // same bytes name it for SQLite (UTF-8) and the platform (GBK).
    std::string Record() const { return File("record.db"); }
};

}  // namespace kestran::reporttest
