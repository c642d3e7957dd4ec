#include "platform/gbk.h"

#include <iconv.h>

#include <cerrno>
#include <vector>

namespace plat {
namespace {

// Converts with iconv, replacing each unconvertible input sequence by
// `replacement` and skipping `skip(in)` bytes of input.
template <class SkipFn>
std::string Convert(const char* to, const char* from, std::string_view input, std::string_view replacement,
                    SkipFn skip) {
    std::string out;
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(input);
    char* in = const_cast<char*>(input.data());
    size_t inLeft = input.size();
    std::vector<char> buffer(input.size() * 4 + 16);
    while (inLeft > 0) {
        char* outPtr = buffer.data();
        size_t outLeft = buffer.size();
        size_t r = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer.data(), outPtr - buffer.data());
        if (r == static_cast<size_t>(-1)) {
            if (errno == E2BIG) continue;
            out.append(replacement);
            size_t n = skip(reinterpret_cast<const unsigned char*>(in), inLeft);
            in += n;
            inLeft -= n;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(cd);
    return out;
}

}  // namespace

std::string GbkToUtf8(std::string_view gbk) {
    return Convert("UTF-8", "GBK", gbk, "\xEF\xBF\xBD", [](const unsigned char* p, size_t left) -> size_t {
        // A lead byte with a valid-looking trail byte is one broken character.
        if (left >= 2 && p[0] >= 0x81 && p[0] <= 0xFE && p[1] >= 0x40 && p[1] != 0x7F && p[1] <= 0xFE) return 2;
        return 1;
    });
}

std::string Utf8ToGbk(std::string_view utf8) {
    return Convert("GBK", "UTF-8", utf8, "?", [](const unsigned char* p, size_t left) -> size_t {
        size_t n = 1;
        while (n < left && (p[n] & 0xC0) == 0x80) ++n;  // one whole UTF-8 sequence
        return n;
    });
}

}  // namespace plat
