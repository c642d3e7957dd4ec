#include "platform/asset_path.h"

namespace plat {

std::string LocalPath(const char* path) {
    std::string out;
    if (!path) return out;
    for (const char* p = path; *p; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (c >= 0x81 && c <= 0xFE && p[1] != '\0') {  // GBK lead byte: copy the pair
            out += *p++;
            out += *p;
            continue;
        }
        out += (c == '\\') ? '/' : *p;
    }
    return out;
}

}  // namespace plat
