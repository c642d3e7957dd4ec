// A folder of the report tests' own, gone with them.
#pragma once

#include <filesystem>
#include <random>
#include <string>

namespace kestran::reporttest {

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
