#include "features/wordbook/list_handover.h"

#include <mutex>
#include <optional>
#include <utility>

#include "drill/drill_state.h"
#include "drill/load_word_list.h"
#include "platform/data_file.h"
#include "platform/user_data.h"
#include "wordlist/list_source.h"
#include "wordlist/word_list_parser.h"

namespace kestran::wordbook {
namespace {

struct ReadyList {
    std::string listPath;
    WordListBlocks blocks;
    bool isBook = false;
};

// The list handed over last; one asked for later replaces one not yet taken.
struct Handover {
    std::mutex mutex;
    std::optional<ReadyList> ready;
};
// Never destroyed: the book's thread may hand a list over while the process ends.
Handover& TheHandover() {
    static auto* handover = new Handover();
    return *handover;
}

}  // namespace

void HandOverList(std::string listPath, std::string bytes, bool isBook) {
    ReadyList list{std::move(listPath), {}, isBook};
    const ListSource source = ListSourceFromBytes(std::move(bytes));
    if (list.listPath.empty()) {
        // On Windows a data folder GBK cannot name, on a volume without
        // short names: the loader cannot open it, and the learner is told.
        plat::ReportDataFailure(plat::UserDataFolder());
        return;
    }
    if (!source.stream || !ParseWordList(*source.stream, list.blocks).loaded) return;
    {
        Handover& handover = TheHandover();
        std::lock_guard lock(handover.mutex);
        handover.ready = std::move(list);
    }
    plat::PostMessage(MainDialog, kListReadyMessage, 0, 0);
}

bool TakeHandedOverList(const plat::Message& message, InstalledList& installed) {
    if (message.message != kListReadyMessage || message.window != MainDialog) return false;
    std::optional<ReadyList> list;
    {
        Handover& handover = TheHandover();
        std::lock_guard lock(handover.mutex);
        list.swap(handover.ready);
    }
    if (!list) return true;  // taken with an earlier message
    if (InstallParsedWordList(list->listPath.c_str(), std::move(list->blocks)))
        installed = InstalledList{list->listPath, list->isBook};
    return true;
}

}  // namespace kestran::wordbook
