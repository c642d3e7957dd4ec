// A KESTRAN process as the record sees it, driven by scripts/record_kill.py:
//   record_writer_helper add PREFIX FROM TO [SHARED]
// judges the entries PREFIX<i> for i in FROM..TO-1 as the drill does (a
// test answer, every third one wrong), printing i once it is written; with
// SHARED, each is followed by a judgement of the entry "shared<i>", which
// other processes judge too.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "drill/feature_hooks.h"
#include "features/record/record_feature.h"

namespace {

kestran::WordRecord Record(const std::string& word) {
    kestran::WordRecord record{};
    std::snprintf(record.word, sizeof record.word, "%s", word.c_str());
    std::snprintf(record.meaning, sizeof record.meaning, "\xB4\xCA%s", word.c_str());  // 词<word>
    return record;
}

}  // namespace

int main(int argc, char** argv) {
    if ((argc != 5 && argc != 6) || std::strcmp(argv[1], "add") != 0) return 2;
    const std::string prefix = argv[2];
    const bool shared = argc == 6;
    kestran::record::Install();
    for (int i = std::atoi(argv[3]); i < std::atoi(argv[4]); ++i) {
        const kestran::WordRecord own = Record(prefix + std::to_string(i));
        kestran::hooks::testAnswerJudged(own, i % 3 != 0);
        if (shared) {
            const kestran::WordRecord common = Record("shared" + std::to_string(i));
            kestran::hooks::testAnswerJudged(common, true);
        }
        kestran::record::WaitForRecordWrites();
        std::printf("%d\n", i);
        std::fflush(stdout);
    }
    return 0;
}
