#include "features/phonetics/phonetics_feature.h"

#include <atomic>
#include <cstring>
#include <string>

#include "drill/feature_hooks.h"
#include "features/background_queue.h"
#include "features/feature_menu.h"
#include "features/phonetics/shared_table.h"
#include "features/settings.h"
#include "features/wordbooks/library_folder.h"

namespace kestran::phonetics {
namespace {

constexpr char kShowKey[] = "phonetics.show";
constexpr char kShowText[] = "\xCF\xD4\xCA\xBE\xD2\xF4\xB1\xEA";  // 显示音标

// Set on UiThread, read on RenderThread.
std::atomic<bool> show{false};

// RenderThread, every frame that draws the word: a binary search in a table
// read long before, or nothing while it is still being read.
bool NoteOfWord(const WordRecord& entry, std::string_view& note) {
    if (!show.load(std::memory_order_relaxed)) return false;
    const PhoneticTable* table = TableIfLoaded();
    if (!table) return false;
    const std::string_view ipa = table->Find(std::string_view(entry.word, strnlen(entry.word, kWordFieldSize)));
    if (ipa.empty()) return false;
    note = ipa;
    return true;
}

// The settings file is written off UiThread, in the order of the changes.
BackgroundQueue& SettingsWrites() {
    static auto* queue = new BackgroundQueue();
    return *queue;
}

void Toggle() {
    const bool now = !show;
    show = now;
    if (now) LoadInBackground();
    SettingsWrites().Post([now] { settings::SetFlag(kShowKey, now); });
}

}  // namespace

void FindTableInLibrary() {
    SetTableFinder([] {
        const std::filesystem::path library = wordbooks::LibraryFolder();
        return library.empty() ? library : library / "phonetics.tsv";
    });
}

void FlushSettingsForTest() { SettingsWrites().Flush(); }

void Install() {
    show = settings::GetFlag(kShowKey, false);
    if (show) LoadInBackground();
    hooks::practiceWordNote.Add(NoteOfWord);
    menu::AddItem({[] { return std::string(kShowText); }, 0, [] { return show.load(); }, nullptr, Toggle, true});
}

}  // namespace kestran::phonetics
