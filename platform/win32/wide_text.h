// GBK bytes <-> UTF-16 for the wide Windows calls, so Chinese shows the same
// whatever the system code page is.
#pragma once

#include <string>

namespace plat::win32 {

// Undecodable bytes become U+FFFD; null gives an empty text.
std::wstring WideFromGbk(const char* gbk);
// Characters without a GBK form become '?'; null gives an empty text.
std::string GbkFromWide(const wchar_t* wide);

}  // namespace plat::win32
