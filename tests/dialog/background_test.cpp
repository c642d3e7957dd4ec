// The dialog background: the bitmap beside the picture is used when it
// loads, and written from the picture when it is missing or unreadable.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QImage>

#include <filesystem>
#include <fstream>

#include "app/main_dialog.h"
#include "drill/drill_state.h"
#include "drill/load_word_list.h"
#include "platform/headless/headless_backend.h"
#include "platform/qt/qt_bridge.h"
#include "platform/qt/qt_imaging.h"
#include "temp_folder.h"
#include "tests/support/fifo_asset.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

QImage Gradient(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) image.setPixel(x, y, qRgb(x * 4, y * 6, 128));
    return image;
}

QImage Solid(int width, int height, QRgb colour) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

QByteArray Bytes(const char* file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class DialogBackground : public ::testing::Test {
protected:
    void SetUp() override {
        kestran::ResetDrillStateForTest();
        kestran::listOpenRequest = plat::OpenFileRequest{};
        previous = plat::Install(plat::Services{&backend.windows, &imaging, nullptr, &backend.sound, &backend.process});
    }
    void TearDown() override { plat::Install(previous); }

    void WritePicture(const QImage& picture) {
        fs::create_directories("RES");
        ASSERT_TRUE(picture.save("RES/bk.jpg", "JPEG", 95));
    }
    void WriteBitmap(const QImage& bitmap) {
        fs::create_directories("RES");
        ASSERT_TRUE(bitmap.save("RES/bk.bmp", "BMP"));
    }
    void WriteBitmapBytes(const std::string& bytes) {
        fs::create_directories("RES");
        std::ofstream("RES/bk.bmp", std::ios::binary) << bytes;
    }

    // Creates the dialog and returns the picture its background brush tiles,
    // or a null image when the dialog keeps the default background.
    QImage StartDialog() {
        dialog = plat::CreateDialog(kestran::MainDialogTemplate(), nullptr, kestran::MainDialogProc, 0);
        auto* brush = reinterpret_cast<plat::Brush>(kestran::MainDialogProc(dialog, plat::WM_CTLCOLORDLG, 0, 0));
        if (!brush) return QImage();
        EXPECT_EQ(brush->brush.style(), Qt::TexturePattern);
        return brush->brush.textureImage().convertToFormat(QImage::Format_RGB32);
    }
    QImage DecodedPicture() { return QImage("RES/bk.jpg").convertToFormat(QImage::Format_RGB32); }

    dialog_test::TempFolder folder;
    plat::HeadlessBackend backend;
    plat::qt::QtImaging imaging;
    plat::Services previous;
    plat::Window dialog = nullptr;
};

TEST_F(DialogBackground, AMissingBitmapIsWrittenFromThePictureAndUsed) {
    WritePicture(Gradient(60, 40));
    QImage shown = StartDialog();
    ASSERT_FALSE(shown.isNull());
    EXPECT_EQ(shown, DecodedPicture());
    EXPECT_TRUE(Bytes("RES/bk.bmp").startsWith("BM"));
    EXPECT_EQ(QImage("RES/bk.bmp").size(), QSize(60, 40));
}

TEST_F(DialogBackground, APresentBitmapIsUsedAsItIsAndNotRewritten) {
    WritePicture(Gradient(60, 40));
    WriteBitmap(Solid(10, 12, qRgb(200, 10, 10)));
    const QByteArray before = Bytes("RES/bk.bmp");
    const auto stamp = fs::last_write_time("RES/bk.bmp");

    QImage shown = StartDialog();
    EXPECT_EQ(shown, Solid(10, 12, qRgb(200, 10, 10)));
    EXPECT_EQ(Bytes("RES/bk.bmp"), before);
    EXPECT_EQ(fs::last_write_time("RES/bk.bmp"), stamp);
}

TEST_F(DialogBackground, APresentBitmapIsUsedWithoutAnyPicture) {
    WriteBitmap(Solid(8, 8, qRgb(10, 200, 10)));
    EXPECT_EQ(StartDialog(), Solid(8, 8, qRgb(10, 200, 10)));
}

TEST_F(DialogBackground, ALaterStartUsesTheStoredBitmap) {
    WritePicture(Gradient(60, 40));
    StartDialog();
    const QByteArray written = Bytes("RES/bk.bmp");
    ASSERT_FALSE(written.isEmpty());
    WritePicture(Solid(30, 30, qRgb(0, 0, 0)));  // the picture changes; the bitmap stays
    QImage shown = StartDialog();
    EXPECT_EQ(shown.size(), QSize(60, 40));
    EXPECT_EQ(Bytes("RES/bk.bmp"), written);
}

struct UnloadableCase {
    const char* name;
    std::string bytes;
};

void PrintTo(const UnloadableCase& c, std::ostream* os) { *os << c.name; }

class UnloadableBitmap : public DialogBackground, public ::testing::WithParamInterface<UnloadableCase> {};

TEST_P(UnloadableBitmap, IsReplacedByTheConvertedPicture) {
    WritePicture(Gradient(60, 40));
    WriteBitmapBytes(GetParam().bytes);
    QImage shown = StartDialog();
    EXPECT_EQ(shown, DecodedPicture());
    EXPECT_TRUE(Bytes("RES/bk.bmp").startsWith("BM"));
    EXPECT_EQ(QImage("RES/bk.bmp").convertToFormat(QImage::Format_RGB32), DecodedPicture()) << "rewritten whole";
}

std::string PngBytes() {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    Solid(4, 4, qRgb(1, 2, 3)).save(&buffer, "PNG");
    return png.toStdString();
}

// A bitmap of the picture's size as the program writes it, cut short.
std::string CutBmpBytes(std::size_t keep) {
    QByteArray bmp;
    QBuffer buffer(&bmp);
    buffer.open(QIODevice::WriteOnly);
    Gradient(60, 40).save(&buffer, "BMP");
    return bmp.left(static_cast<qsizetype>(keep)).toStdString();
}

INSTANTIATE_TEST_SUITE_P(Files, UnloadableBitmap,
                         ::testing::Values(UnloadableCase{"Empty", ""},
                                           UnloadableCase{"Text", "not a picture at all\n"},
                                           UnloadableCase{"HeaderOnly", std::string("BM\x36\x00\x00\x00", 6)},
                                           UnloadableCase{"AnotherFormat", PngBytes()},
                                           // Whole headers, rows missing: it used to load with black rows.
                                           UnloadableCase{"Cut60Bytes", CutBmpBytes(60)},
                                           UnloadableCase{"LastRowMissing", CutBmpBytes(54 + 60 * 3 * 39)}),
                         [](const auto& info) { return std::string(info.param.name); });

// An installed RES is read-only: the converted picture still shows, kept in
// memory for the run.
TEST_F(DialogBackground, WhenTheBitmapCannotBeWrittenThePictureStillShowsAndTheRestIsSetUp) {
    WritePicture(Gradient(60, 40));
    // A folder where the file would go blocks the write even for root, who
    // ignores the folder's permissions.
    fs::create_directory("RES/bk.bmp");
    fs::permissions("RES", fs::perms::owner_read | fs::perms::owner_exec);

    EXPECT_EQ(StartDialog(), DecodedPicture());
    EXPECT_TRUE(fs::is_directory("RES/bk.bmp"));
    EXPECT_EQ(backend.windows.ScrollPos(plat::GetDlgItem(dialog, kestran::kSpeedSliderId)), 50);
    EXPECT_EQ(kestran::listOpenRequest.structSize, 88u);
    EXPECT_EQ(kestran::listOpenRequest.file, kestran::drill.listPath);
}

// A FIFO would block the reader for ever; it counts as a missing file.
TEST_F(DialogBackground, AFifoInPlaceOfEitherFileCountsAsMissing) {
    WritePicture(Gradient(60, 40));
    ASSERT_TRUE(test_support::MakeFifo("RES/bk.bmp"));
    QImage shown;
    ASSERT_TRUE(test_support::EndsWithin(5s, "RES/bk.bmp", [&] { shown = StartDialog(); }));
    EXPECT_EQ(shown, DecodedPicture());
    EXPECT_EQ(QImage("RES/bk.bmp").convertToFormat(QImage::Format_RGB32), DecodedPicture());

    ASSERT_TRUE(test_support::MakeFifo("RES/bk.jpg"));
    ASSERT_TRUE(test_support::EndsWithin(5s, "RES/bk.jpg", [&] { shown = StartDialog(); }));
    EXPECT_EQ(shown.size(), QSize(60, 40)) << "the stored bitmap, read without the picture";

    fs::remove("RES/bk.bmp");
    ASSERT_TRUE(test_support::EndsWithin(5s, "RES/bk.jpg", [&] { shown = StartDialog(); }));
    EXPECT_TRUE(shown.isNull());
    EXPECT_FALSE(fs::exists("RES/bk.bmp"));
}

TEST_F(DialogBackground, WithoutAnyBackgroundFileNothingIsWritten) {
    EXPECT_TRUE(StartDialog().isNull());
    EXPECT_FALSE(fs::exists("RES"));
    fs::create_directory("RES");
    EXPECT_TRUE(StartDialog().isNull());
    EXPECT_TRUE(fs::is_empty("RES"));
}

}  // namespace
