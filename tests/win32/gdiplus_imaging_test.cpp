// The GDI+ imaging service: loading, drawing, encoders, BMP files, brushes.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/win32/win32_imaging.h"
#include "platform/win32/win32_media.h"
#include "tests/win32/media_test_support.h"

namespace {

namespace fs = std::filesystem;
using namespace kestran::win32_testing;

constexpr std::uint32_t kBlue = 0x000000FF;

class GdiplusImagingTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(imaging.Startup()); }

    std::uint32_t PaintedPixel(plat::Image image, const plat::Rect& into, int x, int y) {
        MemorySurface surface(40, 30, kBlue);
        plat::PaintContextObject context;
        context.dc = surface.dc();
        imaging.DrawImage(&context, image, into.left, into.top, into.right - into.left, into.bottom - into.top);
        return surface.Pixel(x, y);
    }

    std::vector<plat::ImageCodecInfo> Encoders(std::vector<unsigned char>& block) {
        unsigned count = 0, bytes = 0;
        imaging.GetImageEncodersSize(&count, &bytes);
        block.assign(bytes, 0);
        auto* infos = reinterpret_cast<plat::ImageCodecInfo*>(block.data());
        imaging.GetImageEncoders(count, bytes, infos);
        return std::vector<plat::ImageCodecInfo>(infos, infos + count);
    }

    plat::Guid BmpEncoder() {
        std::vector<unsigned char> block;
        for (const auto& e : Encoders(block))
            if (e.mimeType && std::u16string(e.mimeType) == u"image/bmp") return e.classId;
        ADD_FAILURE() << "no BMP encoder";
        return {};
    }

    void WriteSolid(const std::wstring& name, int width, int height, std::uint32_t argb, const wchar_t* mime) {
        ASSERT_TRUE(WritePicture(folder.Res(name), width, height,
                                 std::vector<std::uint32_t>(static_cast<std::size_t>(width) * height, argb), mime));
    }

    ScratchFolder folder;
    plat::win32::GdiplusImagingService imaging;
};

TEST_F(GdiplusImagingTest, MissingFilesAndFoldersGiveAnObjectThatMeasuresAndDrawsNothing) {
    fs::create_directory(folder.Res(L"folder.png"));
    for (const char* path : {"RES\\missing.png", "RES\\folder.png", "NUL"}) {
        SCOPED_TRACE(path);
        plat::Image image = imaging.LoadImage(path);
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(imaging.ImageWidth(image), 0u);
        EXPECT_EQ(imaging.ImageHeight(image), 0u);
        EXPECT_EQ(PaintedPixel(image, {0, 0, 40, 30}, 20, 15), kBlue);
    }
}

TEST_F(GdiplusImagingTest, APictureIsScaledWholeIntoTheRectangleAndBlendedByItsAlpha) {
    WriteSolid(L"half.png", 4, 2, 0x80FF0000, L"image/png");
    plat::Image image = imaging.LoadImage("RES\\half.png");
    EXPECT_EQ(imaging.ImageWidth(image), 4u);
    EXPECT_EQ(imaging.ImageHeight(image), 2u);

    const std::uint32_t inside = PaintedPixel(image, {5, 6, 25, 16}, 14, 10);
    EXPECT_NEAR(Red(inside), 128, 3);
    EXPECT_NEAR(Blue(inside), 127, 3);
    EXPECT_NE(PaintedPixel(image, {5, 6, 25, 16}, 23, 14), kBlue) << "stretched to the rectangle's far corner";
    EXPECT_EQ(PaintedPixel(image, {5, 6, 25, 16}, 25, 16), kBlue) << "nothing outside the rectangle";
    EXPECT_EQ(PaintedPixel(image, {5, 6, 25, 16}, 4, 5), kBlue);
}

TEST_F(GdiplusImagingTest, PicturesLoadByChineseNamesAndLeaveTheirFilesFree) {
    WriteSolid(L"\u6309\u94AE.png", 3, 2, 0xFF00FF00, L"image/png");  // 按钮.png
    plat::Image image = imaging.LoadImage("RES\\\xB0\xB4\xC5\xA5.png");
    EXPECT_EQ(imaging.ImageWidth(image), 3u);
    EXPECT_EQ(PaintedPixel(image, {0, 0, 3, 2}, 1, 1), 0x0000FF00u);
    // The picture lives in memory: its file can be replaced while it is held.
    EXPECT_TRUE(::DeleteFileW(folder.Res(L"\u6309\u94AE.png").c_str()));
    EXPECT_EQ(PaintedPixel(image, {0, 0, 3, 2}, 1, 1), 0x0000FF00u);
}

TEST_F(GdiplusImagingTest, EncodersComeInOneBlockAndATooSmallBlockIsLeftAlone) {
    std::vector<unsigned char> block;
    const std::vector<plat::ImageCodecInfo> encoders = Encoders(block);
    bool haveBmp = false;
    for (std::size_t i = 0; i < encoders.size(); ++i) {
        const auto* text = reinterpret_cast<const unsigned char*>(encoders[i].mimeType);
        ASSERT_GE(text, block.data());
        ASSERT_LT(text, block.data() + block.size()) << "the strings live in the caller's block";
        haveBmp = haveBmp || std::u16string(encoders[i].mimeType) == u"image/bmp";
        for (std::size_t j = 0; j < i; ++j)
            EXPECT_NE(std::memcmp(encoders[i].classId.bytes, encoders[j].classId.bytes, 16), 0);
    }
    EXPECT_TRUE(haveBmp);

    unsigned count = 0, bytes = 0;
    imaging.GetImageEncodersSize(&count, &bytes);
    std::vector<unsigned char> small(bytes, 0xAB);
    imaging.GetImageEncoders(count, bytes - 1, reinterpret_cast<plat::ImageCodecInfo*>(small.data()));
    EXPECT_EQ(std::vector<unsigned char>(bytes, 0xAB), small);
}

TEST_F(GdiplusImagingTest, TheBmpConversionWritesABitmapThatLoadsAndTilesAtItsOwnSize) {
    WriteSolid(L"bk.png", 7, 5, 0xFF0C2238, L"image/png");
    plat::Image image = imaging.LoadImage("RES\\bk.png");
    ASSERT_TRUE(imaging.SaveImage(image, "RES\\bk.bmp", BmpEncoder()));
    EXPECT_FALSE(fs::exists(folder.Res(L"bk.bmp.part")));

    plat::Bitmap bitmap = imaging.LoadBitmapFile("RES\\bk.bmp");
    ASSERT_NE(bitmap, nullptr);
    BITMAP info{};
    ASSERT_NE(::GetObjectW(bitmap->bitmap, sizeof info, &info), 0);
    EXPECT_EQ(info.bmWidth, 7);
    EXPECT_EQ(info.bmHeight, 5);

    // The pattern brush repeats the bitmap: every pixel of a filled area is
    // the bitmap's colour, also beyond the bitmap's own size.
    plat::Brush pattern = imaging.CreatePatternBrush(bitmap);
    ASSERT_NE(pattern, nullptr);
    MemorySurface surface(20, 12, kBlue);
    const RECT all{0, 0, 20, 12};
    ::FillRect(surface.dc(), &all, pattern->brush);
    EXPECT_EQ(surface.Pixel(3, 2), 0x000C2238u);
    EXPECT_EQ(surface.Pixel(18, 11), 0x000C2238u);
}

TEST_F(GdiplusImagingTest, NothingIsWrittenForAnEmptyPictureOrAnUnknownEncoder) {
    EXPECT_FALSE(imaging.SaveImage(imaging.LoadImage("RES\\missing.png"), "RES\\a.bmp", BmpEncoder()));
    EXPECT_FALSE(fs::exists(folder.Res(L"a.bmp")));

    WriteSolid(L"p.png", 3, 3, 0xFFFFFFFF, L"image/png");
    plat::Guid unknown;
    unknown.bytes[0] = 0x42;
    EXPECT_FALSE(imaging.SaveImage(imaging.LoadImage("RES\\p.png"), "RES\\b.bmp", unknown));
    EXPECT_FALSE(fs::exists(folder.Res(L"b.bmp")));
    // A folder in the way: the write fails and leaves nothing behind.
    fs::create_directory(folder.Res(L"c.bmp"));
    EXPECT_FALSE(imaging.SaveImage(imaging.LoadImage("RES\\p.png"), "RES\\c.bmp", BmpEncoder()));
    EXPECT_FALSE(fs::exists(folder.Res(L"c.bmp.part")));
}

TEST_F(GdiplusImagingTest, OnlyARealBitmapFileLoadsAsABitmap) {
    WriteSolid(L"real.bmp", 6, 4, 0xFF010203, L"image/bmp");
    WriteSolid(L"png-inside.bmp", 6, 4, 0xFF010203, L"image/png");
    {
        std::ifstream real(folder.Res(L"real.bmp"), std::ios::binary);
        std::vector<char> head(20);
        real.read(head.data(), 20);
        std::ofstream(folder.Res(L"truncated.bmp"), std::ios::binary).write(head.data(), 20);
    }
    fs::create_directory(folder.Res(L"folder.bmp"));

    EXPECT_NE(imaging.LoadBitmapFile("RES\\real.bmp"), nullptr);
    EXPECT_EQ(imaging.LoadBitmapFile("RES\\png-inside.bmp"), nullptr);
    EXPECT_EQ(imaging.LoadBitmapFile("RES\\truncated.bmp"), nullptr);
    EXPECT_EQ(imaging.LoadBitmapFile("RES\\none.bmp"), nullptr);
    EXPECT_EQ(imaging.LoadBitmapFile("RES\\folder.bmp"), nullptr);
    EXPECT_EQ(imaging.CreatePatternBrush(nullptr), nullptr);
}

TEST_F(GdiplusImagingTest, SolidBrushesTakeTheColourReferenceAsGiven) {
    for (plat::ColourRef colour : {0x00FF0000u, 0x00123456u}) {
        plat::Brush solid = imaging.CreateSolidBrush(colour);
        ASSERT_NE(solid, nullptr);
        LOGBRUSH info{};
        ASSERT_NE(::GetObjectW(solid->brush, sizeof info, &info), 0);
        EXPECT_EQ(info.lbColor, colour);
    }
}

}  // namespace
