// A throw-away working directory with a RES folder, for tests that load
// canvas assets by their relative names.
#pragma once

#include <QColor>
#include <QImage>

#include <filesystem>
#include <random>
#include <string>

namespace kestran::testing {

class TempResDir {
public:
    TempResDir() {
        std::random_device seed;
        root_ = std::filesystem::temp_directory_path() / ("kestran-render-" + std::to_string(seed()));
        std::filesystem::create_directories(root_ / "RES");
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(root_);
    }
    ~TempResDir() {
        std::filesystem::current_path(previous_);
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    TempResDir(const TempResDir&) = delete;
    TempResDir& operator=(const TempResDir&) = delete;

    std::filesystem::path Res(const std::string& name) const { return root_ / "RES" / name; }

private:
    std::filesystem::path root_, previous_;
};

// The blue of cell i of the test strip.
inline int CellBlue(int cell) { return 60 + 30 * cell; }

// A strip of six 38x38 cells (times scale): the left half of cell i is
// opaque blue CellBlue(i), the right half opaque black, which the colour key
// must turn transparent.
inline QImage TestAnimStrip(int scale = 1) {
    QImage strip(228 * scale, 38 * scale, QImage::Format_ARGB32);
    for (int y = 0; y < strip.height(); ++y)
        for (int x = 0; x < strip.width(); ++x) {
            const int cell = x / (38 * scale), inCell = x % (38 * scale);
            strip.setPixel(x, y, inCell < 19 * scale ? qRgba(0, 0, CellBlue(cell), 255) : qRgba(0, 0, 0, 255));
        }
    return strip;
}

}  // namespace kestran::testing
