#include "platform/qt/qt_imaging.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QSaveFile>
#include <cstring>
#include <new>

#include "platform/asset_file.h"
#include "platform/asset_path.h"
#include "platform/bmp_check.h"
#include "platform/encoder_block.h"
#include "platform/qt/qt_bridge.h"

namespace plat::qt {
namespace {

std::uint64_t Fnv1a(const QByteArray& text, std::uint64_t seed) {
    std::uint64_t hash = seed;
    for (char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001B3ull;
    }
    return hash;
}

// Pictures past this are not ones this program ships or expects.
constexpr std::size_t kLargestPictureFile = 64u << 20;

QImage Decode(const std::string& bytes, const char* format) {
    QByteArray data = QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    QImageReader reader(&buffer, format);
    if (format) reader.setAutoDetectImageFormat(false);
    return reader.read();  // null for a broken picture
}

}  // namespace

QString FileNameOf(const char* path) { return QString::fromStdString(AssetFileName(path)); }

QImage ReadAssetPicture(const QString& fileName) {
    const std::optional<std::string> bytes = ReadAssetFile(fileName.toStdString(), kLargestPictureFile);
    return bytes ? Decode(*bytes, nullptr) : QImage();
}

Guid QtImaging::ClassIdFor(const QByteArray& mimeType) {
    const std::uint64_t high = Fnv1a(mimeType, 0xCBF29CE484222325ull);
    const std::uint64_t low = Fnv1a(mimeType, 0x6C62272E07BB0142ull);
    Guid id;
    std::memcpy(id.bytes, &high, 8);
    std::memcpy(id.bytes + 8, &low, 8);
    return id;
}

QtImaging::QtImaging() {
    for (const QByteArray& mime : QImageWriter::supportedMimeTypes()) {
        const QList<QByteArray> formats = QImageWriter::imageFormatsForMimeType(mime);
        if (formats.isEmpty()) continue;
        Encoder e;
        e.classId = ClassIdFor(mime);
        e.mimeType = QString::fromLatin1(mime).toStdU16String();
        e.format = formats.first();
        encoders_.push_back(std::move(e));
    }
}

bool QtImaging::Startup() { return true; }

Image QtImaging::LoadImage(const char* path) {
    auto* image = new (std::nothrow) ImageObject();
    if (!image) return nullptr;
    image->image = ReadAssetPicture(FileNameOf(path));  // stays null for a missing or broken file
    return image;
}

unsigned QtImaging::ImageWidth(Image image) {
    return image && !image->image.isNull() ? static_cast<unsigned>(image->image.width()) : 0;
}

unsigned QtImaging::ImageHeight(Image image) {
    return image && !image->image.isNull() ? static_cast<unsigned>(image->image.height()) : 0;
}

void QtImaging::DrawImage(PaintContext context, Image image, int x, int y, int width, int height) {
    if (!context || !context->painter || !image || image->image.isNull() || width <= 0 || height <= 0) return;
    QPainter& painter = *context->painter;
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawImage(QRect(x, y, width, height), image->image);
    painter.restore();
}

void QtImaging::GetImageEncodersSize(unsigned* count, unsigned* bytes) { EncoderBlockSize(encoders_, count, bytes); }

void QtImaging::GetImageEncoders(unsigned count, unsigned bytes, ImageCodecInfo* encoders) {
    FillEncoderBlock(encoders_, count, bytes, encoders);
}

bool QtImaging::SaveImage(Image image, const char* path, const Guid& encoder) {
    if (!image || image->image.isNull()) return false;
    const Encoder* chosen = nullptr;
    for (const Encoder& e : encoders_)
        if (std::memcmp(e.classId.bytes, encoder.bytes, sizeof encoder.bytes) == 0) chosen = &e;
    if (!chosen) return false;
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    if (!QImageWriter(&buffer, chosen->format).write(image->image)) return false;
    const QString fileName = FileNameOf(path);
    // Written aside and moved into place, so a failed write leaves no torn file.
    QSaveFile file(fileName);
    if (file.open(QIODevice::WriteOnly) && file.write(encoded) == encoded.size() && file.commit()) return true;
    // A read-only asset folder (an installed one) still gets its picture
    // for this run: later reads of the name find the bytes here.
    std::lock_guard lock(unwrittenMutex_);
    unwritten_[fileName.toStdString()] = encoded.toStdString();
    return false;
}

Bitmap QtImaging::LoadBitmapFile(const char* path) {
    const std::string fileName = FileNameOf(path).toStdString();
    std::optional<std::string> bytes = ReadAssetFile(fileName, kLargestPictureFile);
    if (!bytes || !BmpIsComplete(*bytes)) {
        std::lock_guard lock(unwrittenMutex_);
        auto kept = unwritten_.find(fileName);
        if (kept == unwritten_.end()) return nullptr;
        bytes = kept->second;
    }
    // Complete, so no row comes out black for lack of data.
    if (!BmpIsComplete(*bytes)) return nullptr;
    QImage picture = Decode(*bytes, "bmp");
    if (picture.isNull()) return nullptr;
    return new (std::nothrow) BitmapObject{std::move(picture)};
}

Brush QtImaging::CreatePatternBrush(Bitmap bitmap) {
    if (!bitmap || bitmap->image.isNull()) return nullptr;
    return new (std::nothrow) BrushObject{QBrush(bitmap->image)};
}

Brush QtImaging::CreateSolidBrush(ColourRef colour) {
    const QColor qcolour(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
    return new (std::nothrow) BrushObject{QBrush(qcolour)};
}

}  // namespace plat::qt
