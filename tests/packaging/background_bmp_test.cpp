// The RES/bk.bmp the package ships: the program must take it as it is, since
// an installed RES is read-only and the program cannot write its own copy.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/qt/qt_bridge.h"
#include "platform/qt/qt_imaging.h"

namespace {

namespace fs = std::filesystem;
using plat::qt::QtImaging;

QByteArray ReadAll(const QString& name) {
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(PackagingBackground, LoadsAsTheProgramLoadsItWithThePixelsOfTheJpeg) {
    QtImaging imaging;
    plat::Bitmap bitmap = imaging.LoadBitmapFile(KESTRAN_SHIPPED_BMP);
    ASSERT_NE(bitmap, nullptr) << "the program would not load " << KESTRAN_SHIPPED_BMP;

    const QImage jpeg(QStringLiteral(KESTRAN_BACKGROUND_JPG));
    ASSERT_FALSE(jpeg.isNull());
    ASSERT_EQ(bitmap->image.size(), jpeg.size());
    EXPECT_EQ(bitmap->image.convertToFormat(QImage::Format_RGB32), jpeg.convertToFormat(QImage::Format_RGB32))
        << "the shipped background differs from RES/bk.jpg";
}

// The same file a first start in a writable RES would leave behind: same BMP
// variant, header and pixel rows. Only the resolution fields may differ, as
// Qt fills them from the screen, which the build-time converter has none of.
TEST(PackagingBackground, IsTheFileTheProgramWritesOnItsOwn) {
    std::string pattern = (fs::temp_directory_path() / "kestran-pkg-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    const fs::path folder = pattern;
    const std::string written = (folder / "bk.bmp").string();

    QtImaging imaging;
    plat::Image jpeg = imaging.LoadImage(KESTRAN_BACKGROUND_JPG);
    ASSERT_NE(jpeg, nullptr);
    ASSERT_TRUE(imaging.SaveImage(jpeg, written.c_str(), QtImaging::ClassIdFor("image/bmp")));

    const QByteArray own = ReadAll(QString::fromStdString(written));
    const QByteArray shipped = ReadAll(QStringLiteral(KESTRAN_SHIPPED_BMP));
    std::error_code ignored;
    fs::remove_all(folder, ignored);

    constexpr qsizetype kResolutionAt = 14 + 24, kResolutionBytes = 8;  // in BITMAPINFOHEADER
    ASSERT_GT(own.size(), kResolutionAt + kResolutionBytes);
    ASSERT_EQ(shipped.size(), own.size());
    EXPECT_EQ(shipped.left(kResolutionAt), own.left(kResolutionAt)) << "headers differ";
    EXPECT_TRUE(shipped.mid(kResolutionAt + kResolutionBytes) == own.mid(kResolutionAt + kResolutionBytes))
        << "the shipped file is not what the program writes";
}

}  // namespace
