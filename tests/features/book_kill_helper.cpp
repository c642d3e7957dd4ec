// The wrong-word book under kill -9 and beside another window, driven by
// scripts/book_kill.py and by book_file_test:
//   book_kill_helper add FROM TO   misses entries FROM..TO-1 as the drill
//                                  does, printing each once it is written
//   book_kill_helper check         prints how many entries the book holds;
//                                  fails unless they are entries 0..n-1 in
//                                  order and the book reads cleanly
// Entry i is the word "w<i>" with the meaning 词<i>.
#include <cstdio>
#include <cstring>
#include <string>

#include "drill/feature_hooks.h"
#include "features/wordbook/wordbook.h"
#include "platform/user_data.h"

using kestran::wordbook::BookEntry;

static BookEntry Entry(int i) { return BookEntry{"w" + std::to_string(i), "\xB4\xCA" + std::to_string(i)}; }

// A word crossed untyped while the learner typed (a key just before it).
static void Miss(const BookEntry& entry) {
    kestran::hooks::uiMessage(plat::Message{nullptr, plat::WM_KEYDOWN, 'A', 0});
    kestran::WordRecord record{};
    std::strcpy(record.word, entry.word.c_str());
    std::strcpy(record.meaning, entry.meaning.c_str());
    kestran::hooks::practiceWordMissed(record);
}

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "add") == 0) {
        kestran::wordbook::Install();
        for (int i = std::atoi(argv[2]); i < std::atoi(argv[3]); ++i) {
            Miss(Entry(i));
            kestran::wordbook::WaitForBookWrites();
            std::printf("%d\n", i);
            std::fflush(stdout);
        }
        return 0;
    }
    if (argc != 2 || std::strcmp(argv[1], "check") != 0) return 2;
    std::string bytes;
    const plat::ReadResult read = plat::ReadWholeFile(kestran::wordbook::BookPath(), bytes);
    const auto book = kestran::wordbook::ReadBookText(bytes);
    bool inOrder = read != plat::ReadResult::Failed && book.clean;
    for (std::size_t i = 0; inOrder && i < book.entries.size(); ++i) inOrder = book.entries[i] == Entry(static_cast<int>(i));
    if (!inOrder) std::fprintf(stderr, "the book is broken\n");
    std::printf("%zu\n", book.entries.size());
    return inOrder ? 0 : 1;
}
