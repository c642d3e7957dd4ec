// List files and the records they must give, shared by the parser and the
// loader tests: every case is read from memory and through the open button.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "list_bytes.h"

namespace kestran::testing {

using Records = std::vector<std::pair<std::string, std::string>>;  // word, meaning

struct ListCase {
    const char* name;
    std::string file;
    Records records;
};

inline std::vector<ListCase> EdgeCases() {
    const std::string w126(126, 'w'), w127(127, 'w');
    const std::string m126 = [] {
        std::string m;
        for (int i = 0; i < 63; ++i) m += kPing;
        return m;
    }();
    // 127 bytes: a character, an 'x', then 62 characters; the cut at 126
    // would end in a lead byte, so it takes 125.
    const std::string m127 = kPing + "x" + m126.substr(0, 124);
    return {
        {"worked example", kWorkedExample, {{"apple", kApple}, {"banana", kBanana}, {"cherry", kCherry}}},
        {"blank lines and leading blanks vanish",
         "\n\n  \tapple " + kApple + "\n\n \t \n  banana " + kBanana + "\n",
         {{"apple", kApple}, {"banana", kBanana}}},
        {"inner spaces stay", "ice cream " + kApple + "\n", {{"ice cream", kApple}}},
        {"leading digits are dropped", "3D " + kApple + "\n100 " + kBanana + "\n", {{"D", kApple}, {"", kBanana}}},
        {"a tab stays in the word", "apple\t" + kApple + "\n", {{"apple\t", kApple}}},
        {"trimming stops at a tab", "apple \t " + kApple + "\n", {{"apple \t", kApple}}},
        {"a line starting with Chinese", kApple + " apple\n", {{"", kApple + " apple"}}},
        {"a line without Chinese runs into the next word", "Unit 1\napple " + kApple + "\n",
         {{"Unit 1\napple", kApple}}},
        {"the meaning keeps trailing ASCII and spaces", "run " + kPing + " (v.) \n", {{"run", kPing + " (v.) "}}},
        {"CR LF line ends", "apple " + kApple + "\r\nbanana " + kBanana + "\r\n", {{"apple", kApple}, {"banana", kBanana}}},
        {"0x1A ends the file", "apple " + kApple + "\n\x1A" "banana " + kBanana + "\n", {{"apple", kApple}}},
        {"0xFF ends the list and the meaning", "apple " + kPing + "\xFF" + kPing + "\nbanana " + kBanana + "\n",
         {{"apple", kPing}}},
        {"empty file", "", {}},
        {"all-ASCII file", "apple\nbanana\n", {}},
        {"text after the last entry is ignored", "apple " + kApple + "\nthe end\n", {{"apple", kApple}}},
        {"a lone sign is dropped", "-ish " + kPing + "\n", {{"ish", kPing}}},
        // 運 is DF 5C: its trail byte is the backslash.
        {"a trail byte 0x5C", "fortune \xDF\x5C\xC6\xF8\nluck \xDF\x5C\n", {{"fortune", "\xDF\x5C\xC6\xF8"}, {"luck", "\xDF\x5C"}}},
        {"a 126-byte word is whole", w126 + kApple + "\n", {{w126, kApple}}},
        {"a 127-byte word is cut and its meaning becomes the next entry",
         w127 + kApple + "\nbanana " + kBanana + "\n", {{w126, ""}, {"", kApple}}},
        {"a 126-byte meaning is whole", "apple " + m126 + "\nbanana " + kBanana + "\n",
         {{"apple", m126}, {"banana", kBanana}}},
        {"a 127-byte meaning is cut at a whole character", "apple " + m127 + "\nbanana " + kBanana + "\n",
         {{"apple", m127.substr(0, 125)}, {"banana", kBanana}}},
        {"the rest of a too-long meaning is the next entry", "apple " + m126 + "xy" + kApple + "\nbanana " + kBanana + "\n",
         {{"apple", m126}, {"y", kApple}}},
    };
}

}  // namespace kestran::testing
