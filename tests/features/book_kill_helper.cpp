// The wrong-word book under kill -9 and under other processes, driven by
// scripts/book_kill.py and by book_file_test:
//   book_kill_helper add FROM TO   misses entries FROM..TO-1 as the drill
//                                  does, printing each once it is written
//   book_kill_helper check         prints how many entries the book holds;
//                                  fails unless they are entries 0..n-1 in
//                                  order and the book reads cleanly
//   book_kill_helper miss PREFIX N misses PREFIX0..PREFIX<N-1> as the drill
//                                  does, one by one as fast as they come
//   book_kill_helper edit STOP     rewrites the book in place as an editor
//                                  saves it, adding a line e<k> each time,
//                                  until the file STOP exists; prints k
// Entry i is the word "w<i>" (or PREFIX<i>) with the meaning 词<i>.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "drill/feature_hooks.h"
#include "features/wordbook/wordbook.h"
#include "platform/data_file.h"
#include "platform/user_data.h"

using kestran::wordbook::BookEntry;

static BookEntry Entry(const std::string& prefix, int i) {
    return BookEntry{prefix + std::to_string(i), "\xB4\xCA" + std::to_string(i)};
}

// A word crossed untyped while the learner typed (a key just before it).
static void Miss(const BookEntry& entry) {
    kestran::hooks::uiMessage(plat::Message{nullptr, plat::WM_KEYDOWN, 'A', 0});
    kestran::WordRecord record{};
    std::strcpy(record.word, entry.word.c_str());
    std::strcpy(record.meaning, entry.meaning.c_str());
    kestran::hooks::practiceWordMissed(record);
}

// Read, add a line, write back in place: no rename, no temporary file. It
// holds KESTRAN's lock while it does, as an editor that never saves over
// what it has not seen would: a save from an older read loses entries
// whatever KESTRAN does.
static int Edit(const char* stop) {
    int edits = 0;
    const std::string lockPath = plat::PathInFolder(plat::UserDataFolder(), plat::kDataLockName);
    while (!std::filesystem::exists(stop)) {
        {
            const plat::FileLock lock(lockPath, plat::kDataLockTimeoutMs);
            std::string bytes;
            if (lock.Held() && plat::ReadWholeFile(kestran::wordbook::BookPath(), bytes) == plat::ReadResult::Read) {
                const BookEntry mine = Entry("e", edits++);
                bytes += mine.word + " " + mine.meaning + "\r\n";
                std::ofstream(kestran::wordbook::BookPath(), std::ios::binary | std::ios::trunc) << bytes;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
    }
    std::printf("%d\n", edits);
    return 0;
}

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "add") == 0) {
        kestran::wordbook::Install();
        for (int i = std::atoi(argv[2]); i < std::atoi(argv[3]); ++i) {
            Miss(Entry("w", i));
            kestran::wordbook::WaitForBookWrites();
            std::printf("%d\n", i);
            std::fflush(stdout);
        }
        return 0;
    }
    if (argc == 4 && std::strcmp(argv[1], "miss") == 0) {
        kestran::wordbook::Install();
        for (int i = 0; i < std::atoi(argv[3]); ++i) Miss(Entry(argv[2], i));
        kestran::wordbook::WaitForBookWrites();
        return 0;
    }
    if (argc == 3 && std::strcmp(argv[1], "edit") == 0) return Edit(argv[2]);
    if (argc != 2 || std::strcmp(argv[1], "check") != 0) return 2;
    std::string bytes;
    const plat::ReadResult read = plat::ReadWholeFile(kestran::wordbook::BookPath(), bytes);
    const auto book = kestran::wordbook::ReadBookText(bytes);
    bool inOrder = read != plat::ReadResult::Failed && book.clean;
    for (std::size_t i = 0; inOrder && i < book.entries.size(); ++i)
        inOrder = book.entries[i] == Entry("w", static_cast<int>(i));
    if (!inOrder) std::fprintf(stderr, "the book is broken\n");
    std::printf("%zu\n", book.entries.size());
    return inOrder ? 0 : 1;
}
