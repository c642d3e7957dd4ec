#include "platform/bmp_check.h"

#include <cstdint>
#include <cstdlib>

namespace plat {
namespace {

constexpr std::size_t kFileHeaderBytes = 14;
constexpr std::size_t kCoreHeaderBytes = 12;  // the oldest info header
constexpr std::uint32_t kRgb = 0, kBitFields = 3, kAlphaBitFields = 6;

std::uint32_t U32(std::string_view b, std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}

std::uint16_t U16(std::string_view b, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                      static_cast<unsigned char>(b[at + 1]) << 8);
}

}  // namespace

bool BmpIsComplete(std::string_view bytes) {
    if (bytes.size() < kFileHeaderBytes + 4 || bytes[0] != 'B' || bytes[1] != 'M') return false;
    const std::uint64_t size = bytes.size();
    const std::uint32_t statedSize = U32(bytes, 2);  // 0 is allowed by some writers
    const std::uint64_t pixelsAt = U32(bytes, 10);
    const std::uint32_t infoBytes = U32(bytes, 14);
    if (statedSize > size || infoBytes < kCoreHeaderBytes || kFileHeaderBytes + infoBytes > size || pixelsAt > size)
        return false;

    std::uint64_t width, height, bitsPerPixel;
    std::uint32_t compression = kRgb, imageBytes = 0;
    if (infoBytes == kCoreHeaderBytes) {
        width = U16(bytes, 18);
        height = U16(bytes, 20);
        bitsPerPixel = U16(bytes, 24);
    } else {
        if (infoBytes < 24) return false;
        width = static_cast<std::uint64_t>(std::llabs(static_cast<std::int32_t>(U32(bytes, 18))));
        height = static_cast<std::uint64_t>(std::llabs(static_cast<std::int32_t>(U32(bytes, 22))));
        bitsPerPixel = U16(bytes, 28);
        if (infoBytes >= 40) {
            compression = U32(bytes, 30);
            imageBytes = U32(bytes, 34);
        }
    }
    if (compression == kRgb || compression == kBitFields || compression == kAlphaBitFields) {
        if (bitsPerPixel == 0 || bitsPerPixel > 64) return false;
        // Rows are padded to four bytes; compared by division, as the
        // product of a made-up width and height overflows.
        const std::uint64_t rowBytes = (width * bitsPerPixel + 31) / 32 * 4;
        return height == 0 || rowBytes <= (size - pixelsAt) / height;
    }
    // Run-length and embedded pictures: only the stated data size is known.
    return pixelsAt + imageBytes <= size;
}

}  // namespace plat
