#include "features/settings.h"

#include <mutex>
#include <utility>
#include <vector>

#include "features/background_queue.h"
#include "platform/data_file.h"
#include "platform/user_data.h"

namespace kestran::settings {
namespace {

constexpr char kFileName[] = "\xc9\xe8\xd6\xc3.txt";  // 设置.txt

struct Line {
    std::string key;    // empty: not a setting, kept as text
    std::string value;  // or the whole line
};
using Lines = std::vector<Line>;

Lines Parse(const std::string& bytes) {
    Lines lines;
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
    return lines;
}

std::string Text(const Lines& lines) {
    std::string bytes;
    for (const Line& line : lines) bytes += (line.key.empty() ? line.value : line.key + "=" + line.value) + "\n";
    return bytes;
}

// The first line of `key` gets `value`; one is added when there is none.
bool SetIn(Lines& lines, const std::string& key, const std::string& value) {
    for (Line& line : lines)
        if (!line.key.empty() && line.key == key) {
            if (line.value == value) return false;
            line.value = value;
            return true;
        }
    lines.push_back(Line{key, value});
    return true;
}

// What this run knows of the file: read once, then as each change found it.
std::mutex mutex;
bool loaded = false;
Lines known;

// Changes are written in order on a thread of their own. Never destroyed:
// its thread runs until the process ends.
BackgroundQueue& Writes() {
    static auto* queue = new BackgroundQueue();
    return *queue;
}

plat::DataFile File() { return plat::DataFile(plat::UserDataFolder(), kFileName); }

void LoadLocked() {
    if (loaded) return;
    loaded = true;
    std::string bytes;
    known = File().Read(bytes) == plat::ReadResult::Read ? Parse(bytes) : Lines{};
}

// On the queue's thread: the file as it is now gets this one key; every
// other line stays as the file has it, whoever wrote it.
void WriteKey(const std::string& key, const std::string& value) {
    Lines now;
    File().Update([&](plat::ReadResult result, const std::string& bytes) {
        now = result == plat::ReadResult::Read ? Parse(bytes) : Lines{};
        plat::DataFile::Change change;
        change.write = SetIn(now, key, value);
        if (change.write) change.bytes = Text(now);
        return change;
    });
    std::lock_guard lock(mutex);
    if (!now.empty()) known = std::move(now);
    SetIn(known, key, value);
}

}  // namespace

std::string Get(const std::string& key, const std::string& fallback) {
    std::lock_guard lock(mutex);
    LoadLocked();
    for (const Line& line : known)
        if (!line.key.empty() && line.key == key) return line.value;
    return fallback;
}

bool GetFlag(const std::string& key, bool fallback) {
    const std::string value = Get(key);
    if (value == "1") return true;
    if (value == "0") return false;
    return fallback;
}

void Set(const std::string& key, const std::string& value) {
    {
        std::lock_guard lock(mutex);
        LoadLocked();
        SetIn(known, key, value);
    }
    Writes().Post([key, value] { WriteKey(key, value); });
}

void SetFlag(const std::string& key, bool value) { Set(key, value ? "1" : "0"); }

void WaitForWrites() { Writes().Flush(); }

void WaitForWritesWithin(std::chrono::milliseconds limit) { Writes().FlushWithin(limit); }

void ForgetForTest() {
    WaitForWrites();
    std::lock_guard lock(mutex);
    loaded = false;
    known.clear();
}

}  // namespace kestran::settings
