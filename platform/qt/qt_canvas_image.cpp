#include "platform/qt/qt_canvas_image.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/box_filter.h"
#include "platform/qt/qt_imaging.h"

namespace plat::qt {

QImage ApplyColourKey(const QImage& image, Argb colourKey) {
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            if (row[x] == colourKey) row[x] = 0;
    }
    return out;
}

namespace {

int Channel(float value) { return std::clamp(static_cast<int>(std::lround(value)), 0, 255); }

}  // namespace

QImage BoxResize(const QImage& image, QSize size) {
    if (image.isNull() || size.isEmpty()) return {};
    const QImage source = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (source.size() == size) return source;

    const int sw = source.width(), sh = source.height();
    const int tw = size.width(), th = size.height();
    const auto columns = AreaTaps(sw, tw);
    const auto rows = AreaTaps(sh, th);

    // Horizontal pass into floats (4 channels per pixel), then vertical.
    std::vector<float> wide(static_cast<std::size_t>(sh) * tw * 4, 0.0f);
    for (int y = 0; y < sh; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        float* out = &wide[static_cast<std::size_t>(y) * tw * 4];
        for (int x = 0; x < tw; ++x)
            for (const BoxTap& tap : columns[x]) {
                const QRgb p = line[tap.index];
                out[x * 4 + 0] += static_cast<float>(tap.weight) * qAlpha(p);
                out[x * 4 + 1] += static_cast<float>(tap.weight) * qRed(p);
                out[x * 4 + 2] += static_cast<float>(tap.weight) * qGreen(p);
                out[x * 4 + 3] += static_cast<float>(tap.weight) * qBlue(p);
            }
    }

    QImage result(size, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < th; ++y) {
        auto* line = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (int x = 0; x < tw; ++x) {
            float sum[4] = {0, 0, 0, 0};
            for (const BoxTap& tap : rows[y]) {
                const float* in = &wide[(static_cast<std::size_t>(tap.index) * tw + x) * 4];
                for (int c = 0; c < 4; ++c) sum[c] += static_cast<float>(tap.weight) * in[c];
            }
            const int a = Channel(sum[0]);
            // Rounding must not leave a premultiplied channel above its alpha.
            line[x] = qRgba(std::min(a, Channel(sum[1])), std::min(a, Channel(sum[2])), std::min(a, Channel(sum[3])), a);
        }
    }
    return result;
}

QImage LoadTextureImage(const QString& file, QSize size, Argb colourKey, qreal pixelRatio) {
    QImage picture = ReadAssetPicture(file);
    if (picture.isNull()) return {};
    // Key before filtering: a black cell background must blend into
    // transparency at the edges, not into a dark fringe.
    const QSize logical = size.isEmpty() ? picture.size() : size;
    return BoxResize(ApplyColourKey(picture, colourKey), (QSizeF(logical) * pixelRatio).toSize());
}

}  // namespace plat::qt
