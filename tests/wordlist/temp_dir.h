// A scratch directory for list files, removed with everything in it.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <random>
#include <string_view>

namespace kestran::testing {

class TempDir {
public:
    TempDir() {
        // A fresh name each time: create_directory fails for one that exists.
        std::random_device seed;
        std::mt19937_64 random(seed());
        for (int attempt = 0; attempt < 100; ++attempt) {
            path_ = std::filesystem::temp_directory_path() / ("kestran-wordlist-" + std::to_string(random()));
            if (std::filesystem::create_directory(path_)) return;
        }
        throw std::filesystem::filesystem_error("no fresh temporary directory", std::error_code());
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }

    // Writes `bytes` exactly and returns the file's full path.
    std::string Write(const std::string& name, std::string_view bytes) const {
        std::filesystem::path file = path_ / name;
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return file.string();
    }

private:
    std::filesystem::path path_;
};

}  // namespace kestran::testing
