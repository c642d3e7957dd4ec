#include "features/phonetics/shared_table.h"

#include <atomic>
#include <cstdio>
#include <fstream>
#include <future>
#include <mutex>
#include <sstream>

namespace kestran::phonetics {
namespace {

std::atomic<std::filesystem::path (*)()> finder{nullptr};

std::filesystem::path& FileForTest() {
    static std::filesystem::path file;
    return file;
}

std::mutex mutex;
bool started = false;
std::shared_future<const PhoneticTable*> reading;
std::atomic<const PhoneticTable*> loaded{nullptr};

const PhoneticTable* Read(std::filesystem::path path) {
    if (path.empty()) {
        const auto find = finder.load();
        path = find ? find() : std::filesystem::path();
    }
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    if (in) bytes << in.rdbuf();
    auto* table = new PhoneticTable(PhoneticTable::Parse(bytes.str()));
    if (!in || table->Size() == 0)
        std::fprintf(stderr, "KESTRAN: no phonetic table at %s; words show and speak without it\n",
                     path.empty() ? "(no word books folder)" : reinterpret_cast<const char*>(path.u8string().c_str()));
    loaded.store(table, std::memory_order_release);
    return table;
}

}  // namespace

void LoadInBackground() {
    std::lock_guard lock(mutex);
    if (started) return;
    started = true;
    reading = std::async(std::launch::async, Read, FileForTest()).share();
}

const PhoneticTable* TableIfLoaded() { return loaded.load(std::memory_order_acquire); }

const PhoneticTable& Table() {
    LoadInBackground();
    std::shared_future<const PhoneticTable*> table;
    {
        std::lock_guard lock(mutex);
        table = reading;
    }
    return *table.get();
}

void SetTableFinder(std::filesystem::path (*find)()) { finder = find; }

void UseTableFileForTest(const std::filesystem::path& file) {
    std::lock_guard lock(mutex);
    if (started) reading.wait();  // the table read before is left, never freed
    FileForTest() = file;
    started = false;
    loaded.store(nullptr, std::memory_order_release);
}

}  // namespace kestran::phonetics
