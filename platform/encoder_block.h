// The picture encoders as the imaging service hands them out: one block
// holding the descriptions followed by their MIME strings, so the caller's
// one allocation carries everything the descriptions point at. Shared by the
// backends, whose encoder records each have a classId and a u16string
// mimeType.
#pragma once

#include <cstddef>
#include <cstring>

#include "platform/platform.h"

namespace plat {

template <class Encoders>
unsigned EncoderBlockBytes(const Encoders& encoders) {
    std::size_t bytes = encoders.size() * sizeof(ImageCodecInfo);
    for (const auto& e : encoders) bytes += (e.mimeType.size() + 1) * sizeof(char16_t);
    return static_cast<unsigned>(bytes);
}

template <class Encoders>
void EncoderBlockSize(const Encoders& encoders, unsigned* count, unsigned* bytes) {
    if (count) *count = static_cast<unsigned>(encoders.size());
    if (bytes) *bytes = EncoderBlockBytes(encoders);
}

// Leaves the block alone unless it is for exactly these encoders and large enough.
template <class Encoders>
void FillEncoderBlock(const Encoders& encoders, unsigned count, unsigned bytes, ImageCodecInfo* block) {
    if (!block || count != encoders.size() || bytes < EncoderBlockBytes(encoders)) return;
    auto* text = reinterpret_cast<char16_t*>(block + count);
    for (unsigned i = 0; i < count; ++i) {
        const auto& e = encoders[i];
        std::memcpy(text, e.mimeType.c_str(), (e.mimeType.size() + 1) * sizeof(char16_t));
        block[i].classId = e.classId;
        block[i].mimeType = text;
        text += e.mimeType.size() + 1;
    }
}

}  // namespace plat
