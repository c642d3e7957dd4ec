#include "features/settings.h"

#include <mutex>
#include <vector>

#include "platform/user_data.h"

namespace kestran::settings {
namespace {

constexpr char kFileName[] = "\xc9\xe8\xd6\xc3.txt";  // 设置.txt

struct Line {
    std::string key;    // empty: not a setting, kept as text
    std::string value;  // or the whole line
};

std::mutex mutex;
bool loaded = false;
std::vector<Line> lines;

std::string FilePath() { return plat::PathInFolder(plat::UserDataFolder(), kFileName); }

void LoadLocked() {
    if (loaded) return;
    loaded = true;
    lines.clear();
    std::string bytes;
    if (plat::ReadWholeFile(FilePath(), bytes) != plat::ReadResult::Read) return;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string::npos) end = bytes.size();
        std::string text = bytes.substr(start, end - start);
        if (!text.empty() && text.back() == '\r') text.pop_back();
        const auto equals = text.find('=');
        if (equals != std::string::npos && equals > 0 && text[0] != '#')
            lines.push_back(Line{text.substr(0, equals), text.substr(equals + 1)});
        else
            lines.push_back(Line{"", text});
        start = end + 1;
    }
}

bool WriteLocked() {
    std::string bytes;
    for (const Line& line : lines) bytes += (line.key.empty() ? line.value : line.key + "=" + line.value) + "\n";
    return plat::CreateUserDataFolder() && plat::WriteFileAtomically(FilePath(), bytes);
}

}  // namespace

std::string Get(const std::string& key, const std::string& fallback) {
    std::lock_guard lock(mutex);
    LoadLocked();
    for (const Line& line : lines)
        if (!line.key.empty() && line.key == key) return line.value;
    return fallback;
}

bool GetFlag(const std::string& key, bool fallback) {
    const std::string value = Get(key);
    if (value == "1") return true;
    if (value == "0") return false;
    return fallback;
}

bool Set(const std::string& key, const std::string& value) {
    std::lock_guard lock(mutex);
    LoadLocked();
    bool found = false;
    for (Line& line : lines)
        if (!line.key.empty() && line.key == key) {
            if (found) continue;
            line.value = value;
            found = true;
        }
    if (!found) lines.push_back(Line{key, value});
    return WriteLocked();
}

bool SetFlag(const std::string& key, bool value) { return Set(key, value ? "1" : "0"); }

void ForgetForTest() {
    std::lock_guard lock(mutex);
    loaded = false;
    lines.clear();
}

}  // namespace kestran::settings
