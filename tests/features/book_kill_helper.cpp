// The wrong-word book under kill -9 (scripts/book_kill.py drives this):
//   book_kill_helper add FROM TO   misses entries FROM..TO-1 one by one the
//                                  way the drill does, printing each number
//                                  once its write is done
//   book_kill_helper check         prints how many entries the book holds;
//                                  fails unless they are entries 0..n-1 in
//                                  order and the book reads cleanly
// Entry i is the word "w<i>" with the meaning 词<i>.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "drill/feature_hooks.h"
#include "features/wordbook/book_format.h"
#include "features/wordbook/wordbook.h"
#include "platform/user_data.h"

namespace {

using kestran::wordbook::BookEntry;

BookEntry Entry(int i) { return BookEntry{"w" + std::to_string(i), "\xB4\xCA" + std::to_string(i)}; }

int Add(int from, int to) {
    kestran::wordbook::Install();
    for (int i = from; i < to; ++i) {
        kestran::WordRecord record{};
        const BookEntry entry = Entry(i);
        std::memcpy(record.word, entry.word.c_str(), entry.word.size() + 1);
        std::memcpy(record.meaning, entry.meaning.c_str(), entry.meaning.size() + 1);
        kestran::hooks::practiceWordMissed(record);
        kestran::wordbook::WaitForBookWrites();
        std::printf("%d\n", i);
        std::fflush(stdout);
    }
    return 0;
}

int Check() {
    std::string bytes;
    const plat::ReadResult read = plat::ReadWholeFile(kestran::wordbook::BookPath(), bytes);
    if (read == plat::ReadResult::Missing) {
        std::printf("0\n");
        return 0;
    }
    const auto contents = kestran::wordbook::ReadBookText(bytes);
    if (read != plat::ReadResult::Read || !contents.clean) {
        std::fprintf(stderr, "the book does not read cleanly\n");
        return 1;
    }
    for (std::size_t i = 0; i < contents.entries.size(); ++i) {
        if (!(contents.entries[i] == Entry(static_cast<int>(i)))) {
            std::fprintf(stderr, "entry %zu is %s\n", i, contents.entries[i].word.c_str());
            return 1;
        }
    }
    std::printf("%zu\n", contents.entries.size());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "add") == 0) return Add(std::atoi(argv[2]), std::atoi(argv[3]));
    if (argc == 2 && std::strcmp(argv[1], "check") == 0) return Check();
    std::fprintf(stderr, "usage: book_kill_helper add FROM TO | check\n");
    return 2;
}
