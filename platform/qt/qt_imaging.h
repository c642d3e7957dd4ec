// Pictures for the dialog background and the image buttons, on QImage and
// QPainter. Image and bitmap objects are never released, as the callers
// hold them for the life of the process.
#pragma once

#include <QByteArray>
#include <QString>
#include <QImage>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace plat::qt {

class QtImaging final : public Imaging {
public:
    QtImaging();

    bool Startup() override;
    Image LoadImage(const char* path) override;
    unsigned ImageWidth(Image image) override;
    unsigned ImageHeight(Image image) override;
    void DrawImage(PaintContext context, Image image, int x, int y, int width, int height) override;
    void GetImageEncodersSize(unsigned* count, unsigned* bytes) override;
    void GetImageEncoders(unsigned count, unsigned bytes, ImageCodecInfo* encoders) override;
    bool SaveImage(Image image, const char* path, const Guid& encoder) override;
    Bitmap LoadBitmapFile(const char* path) override;
    Brush CreatePatternBrush(Bitmap bitmap) override;
    Brush CreateSolidBrush(ColourRef colour) override;

    // A made-up class id for a MIME type, the same in every run.
    static Guid ClassIdFor(const QByteArray& mimeType);

private:
    struct Encoder {
        Guid classId;
        std::u16string mimeType;
        QByteArray format;  // the writer's format name
    };

    std::vector<Encoder> encoders_;
    std::mutex unwrittenMutex_;
    std::map<std::string, std::string> unwritten_;  // file name -> bytes that could not be written
};

// An asset path ("RES\\bk.jpg", GBK) as a file name Qt can open, in the
// asset folder that applies (see AssetFileName).
QString FileNameOf(const char* path);
// A picture file decoded, or a null image when it is missing, broken or not
// a regular file.
QImage ReadAssetPicture(const QString& fileName);

}  // namespace plat::qt
