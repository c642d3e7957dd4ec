// GBK bytes <-> UTF-16 for the wide Windows calls, so Chinese shows the same
// whatever the system code page is.
#pragma once

#include <string>

namespace plat::win32 {

// Undecodable bytes become U+FFFD; null gives an empty text.
std::wstring WideFromGbk(const char* gbk);
// Characters without a GBK form become '?'; null gives an empty text.
std::string GbkFromWide(const wchar_t* wide);
// Whether GBK holds every character of `wide`, so GbkFromWide loses nothing.
bool GbkHolds(const std::wstring& wide);

// UTF-8 <-> UTF-16 for the learner's data paths; broken sequences become
// U+FFFD.
std::wstring WideFromUtf8(const std::string& utf8);
std::string Utf8FromWide(const std::wstring& wide);

}  // namespace plat::win32
