// The Qt imaging service on its own: loading, drawing, encoders, BMP files
// and brushes.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QPainter>

#include <cstring>
#include <filesystem>
#include <vector>

#include "platform/qt/qt_bridge.h"
#include "platform/qt/qt_imaging.h"
#include "temp_folder.h"
#include "tests/support/fifo_asset.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using plat::qt::QtImaging;

class QtImagingTest : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directory("RES"); }

    // Paints with the service into a blue image, as a window paint would.
    QImage PaintOnBlue(plat::Image image, int x, int y, int width, int height) {
        QImage target(40, 30, QImage::Format_ARGB32_Premultiplied);
        target.fill(qRgb(0, 0, 255));
        QPainter painter(&target);
        plat::PaintContextObject context{&painter};
        imaging.DrawImage(&context, image, x, y, width, height);
        painter.end();
        return target;
    }

    std::vector<plat::ImageCodecInfo> Encoders(std::vector<unsigned char>& block) {
        unsigned count = 0, bytes = 0;
        imaging.GetImageEncodersSize(&count, &bytes);
        block.assign(bytes, 0);
        auto* infos = reinterpret_cast<plat::ImageCodecInfo*>(block.data());
        imaging.GetImageEncoders(count, bytes, infos);
        return std::vector<plat::ImageCodecInfo>(infos, infos + count);
    }

    plat::Guid ClassIdOf(const std::u16string& mime) {
        std::vector<unsigned char> block;
        for (const auto& e : Encoders(block))
            if (e.mimeType && mime == e.mimeType) return e.classId;
        ADD_FAILURE() << "no encoder for the MIME type";
        return {};
    }

    dialog_test::TempFolder folder;
    QtImaging imaging;
};

TEST_F(QtImagingTest, AMissingFileStillGivesAnObjectThatMeasuresNothingAndDrawsNothing) {
    plat::Image image = imaging.LoadImage("RES\\missing.png");
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(imaging.ImageWidth(image), 0u);
    EXPECT_EQ(imaging.ImageHeight(image), 0u);
    QImage painted = PaintOnBlue(image, 0, 0, 40, 30);
    EXPECT_EQ(painted.pixel(20, 15), qRgb(0, 0, 255));
}

TEST_F(QtImagingTest, APictureIsScaledWholeIntoTheRectangleAndBlendedByItsAlpha) {
    QImage half(4, 2, QImage::Format_ARGB32);
    half.fill(qRgba(255, 0, 0, 128));
    ASSERT_TRUE(half.save("RES/half.png"));
    plat::Image image = imaging.LoadImage("RES\\half.png");  // the folder written the Windows way
    EXPECT_EQ(imaging.ImageWidth(image), 4u);
    EXPECT_EQ(imaging.ImageHeight(image), 2u);

    QImage painted = PaintOnBlue(image, 5, 6, 20, 10);
    const QColor inside = painted.pixelColor(14, 10);
    EXPECT_NEAR(inside.red(), 128, 3);
    EXPECT_NEAR(inside.blue(), 127, 3);
    EXPECT_NE(painted.pixel(24, 15), qRgb(0, 0, 255)) << "stretched to the rectangle's right and bottom edge";
    EXPECT_EQ(painted.pixel(25, 16), qRgb(0, 0, 255)) << "nothing outside the rectangle";
    EXPECT_EQ(painted.pixel(4, 5), qRgb(0, 0, 255));
}

TEST_F(QtImagingTest, EncodersAreListedWithStableIdsAndTheirMimeTypesInOneBlock) {
    std::vector<unsigned char> block;
    std::vector<plat::ImageCodecInfo> encoders = Encoders(block);
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
    const plat::Guid bmp = QtImaging::ClassIdFor("image/bmp");
    EXPECT_EQ(std::memcmp(ClassIdOf(u"image/bmp").bytes, bmp.bytes, 16), 0);
    EXPECT_EQ(std::memcmp(QtImaging().ClassIdFor("image/bmp").bytes, bmp.bytes, 16), 0);
}

TEST_F(QtImagingTest, ABlockTooSmallIsLeftUntouched) {
    unsigned count = 0, bytes = 0;
    imaging.GetImageEncodersSize(&count, &bytes);
    std::vector<unsigned char> block(bytes, 0xAB);
    imaging.GetImageEncoders(count, bytes - 1, reinterpret_cast<plat::ImageCodecInfo*>(block.data()));
    EXPECT_EQ(std::vector<unsigned char>(bytes, 0xAB), block);
}

TEST_F(QtImagingTest, SavingThroughTheBmpEncoderWritesABitmapThatLoadsAtItsOwnSize) {
    QImage picture(7, 5, QImage::Format_RGB32);
    picture.fill(qRgb(12, 34, 56));
    ASSERT_TRUE(picture.save("RES/p.png"));
    plat::Image image = imaging.LoadImage("RES\\p.png");
    ASSERT_TRUE(imaging.SaveImage(image, "RES\\out.bmp", ClassIdOf(u"image/bmp")));

    plat::Bitmap bitmap = imaging.LoadBitmapFile("RES\\out.bmp");
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->image.size(), QSize(7, 5));
    EXPECT_EQ(bitmap->image.pixel(3, 2), qRgb(12, 34, 56));
}

TEST_F(QtImagingTest, NothingIsWrittenForAnEmptyPictureOrAnUnknownEncoder) {
    plat::Image empty = imaging.LoadImage("RES\\missing.png");
    EXPECT_FALSE(imaging.SaveImage(empty, "RES\\a.bmp", ClassIdOf(u"image/bmp")));
    EXPECT_FALSE(fs::exists("RES/a.bmp"));

    QImage picture(3, 3, QImage::Format_RGB32);
    picture.fill(Qt::white);
    picture.save("RES/p.png");
    plat::Guid unknown;
    unknown.bytes[0] = 0x42;
    EXPECT_FALSE(imaging.SaveImage(imaging.LoadImage("RES\\p.png"), "RES\\b.bmp", unknown));
    EXPECT_FALSE(fs::exists("RES/b.bmp"));
}

TEST_F(QtImagingTest, OnlyARealBitmapFileLoadsAsABitmap) {
    QImage picture(6, 4, QImage::Format_RGB32);
    picture.fill(qRgb(1, 2, 3));
    ASSERT_TRUE(picture.save("RES/real.bmp", "BMP"));
    ASSERT_TRUE(picture.save("RES/png-inside.bmp", "PNG"));
    QFile truncated("RES/truncated.bmp");
    ASSERT_TRUE(truncated.open(QIODevice::WriteOnly));
    QFile real("RES/real.bmp");
    ASSERT_TRUE(real.open(QIODevice::ReadOnly));
    truncated.write(real.read(20));
    truncated.close();

    EXPECT_NE(imaging.LoadBitmapFile("RES\\real.bmp"), nullptr);
    EXPECT_EQ(imaging.LoadBitmapFile("RES\\png-inside.bmp"), nullptr);
    EXPECT_EQ(imaging.LoadBitmapFile("RES\\truncated.bmp"), nullptr);
    EXPECT_EQ(imaging.LoadBitmapFile("RES\\none.bmp"), nullptr);
}

TEST_F(QtImagingTest, AFifoInPlaceOfAPictureGivesAnEmptyImageAtOnce) {
    ASSERT_TRUE(test_support::MakeFifo("RES/b11.png"));
    plat::Image image = nullptr;
    ASSERT_TRUE(test_support::EndsWithin(2s, "RES/b11.png", [&] { image = imaging.LoadImage("RES\\b11.png"); }));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(imaging.ImageWidth(image), 0u);
    plat::Bitmap bitmap = nullptr;
    EXPECT_TRUE(test_support::EndsWithin(2s, "RES/b11.png", [&] { bitmap = imaging.LoadBitmapFile("RES\\b11.png"); }));
    EXPECT_EQ(bitmap, nullptr);
}

// A folder that cannot be written (an installed one) still yields the
// converted bitmap for the rest of the run, without a file.
TEST_F(QtImagingTest, ABitmapThatCouldNotBeWrittenIsStillReadBackInThisRun) {
    QImage picture(7, 5, QImage::Format_RGB32);
    picture.fill(qRgb(90, 80, 70));
    ASSERT_TRUE(picture.save("RES/p.png"));
    fs::create_directory("RES/out.bmp");  // blocks the write, also for root
    EXPECT_FALSE(imaging.SaveImage(imaging.LoadImage("RES\\p.png"), "RES\\out.bmp", ClassIdOf(u"image/bmp")));
    plat::Bitmap bitmap = imaging.LoadBitmapFile("RES\\out.bmp");
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->image.pixel(3, 2), qRgb(90, 80, 70));
    EXPECT_EQ(QtImaging().LoadBitmapFile("RES\\out.bmp"), nullptr) << "kept by the service that tried, not on disk";
}

TEST_F(QtImagingTest, BrushesTileTheBitmapOrFillWithTheColourReference) {
    EXPECT_EQ(imaging.CreatePatternBrush(nullptr), nullptr);
    QImage picture(5, 3, QImage::Format_RGB32);
    picture.fill(qRgb(9, 8, 7));
    picture.save("RES/t.bmp", "BMP");
    plat::Brush pattern = imaging.CreatePatternBrush(imaging.LoadBitmapFile("RES\\t.bmp"));
    ASSERT_NE(pattern, nullptr);
    EXPECT_EQ(pattern->brush.style(), Qt::TexturePattern);
    EXPECT_EQ(pattern->brush.textureImage().size(), QSize(5, 3));

    plat::Brush solid = imaging.CreateSolidBrush(0x00FF0000);  // blue in 0x00BBGGRR
    ASSERT_NE(solid, nullptr);
    EXPECT_EQ(solid->brush.color(), QColor(0, 0, 255));
    EXPECT_EQ(imaging.CreateSolidBrush(0x00123456)->brush.color(), QColor(0x56, 0x34, 0x12));
}

}  // namespace
