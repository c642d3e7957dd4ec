// GBK bytes used across the word-list tests.
#pragma once

#include <string>

namespace kestran::testing {

inline const std::string kApple = "\xC6\xBB\xB9\xFB";   // 苹果
inline const std::string kBanana = "\xCF\xE3\xBD\xB6";  // 香蕉
inline const std::string kCherry = "\xD3\xA3\xCC\xD2";  // 樱桃
inline const std::string kPing = "\xC6\xBB";             // 苹

// Three lines, the last without a final LF.
inline const std::string kWorkedExample = "apple " + kApple + "\nbanana " + kBanana + "\n3 cherry " + kCherry;

}  // namespace kestran::testing
