// GBK (code page 936) <-> UTF-8, for the backends that speak Unicode.
#pragma once

#include <string>
#include <string_view>

namespace plat {

// Undecodable bytes become U+FFFD.
std::string GbkToUtf8(std::string_view gbk);
// Characters without a GBK form become '?', as the narrow window calls do.
std::string Utf8ToGbk(std::string_view utf8);

}  // namespace plat
