#include "drill/list_identity.h"

#include "drill/drill_state.h"

namespace kestran {

ListIdentity practiceList;
ListIdentity testList;

bool NoteCurrentList(ListIdentity& seen) {
    const WordRecord* table = drill.WordTable;
    const std::int32_t* slots = drill.drawnIndices;
    std::int32_t count = drill.wordCount;
    bool changed = seen.table != table || seen.slots != slots || seen.count != count;
    seen.table = table;
    seen.slots = slots;
    seen.count = count;
    return changed;
}

void ForgetListsForTest() {
    for (ListIdentity* seen : {&practiceList, &testList}) {
        seen->table = nullptr;
        seen->slots = nullptr;
        seen->count = -1;
    }
}

}  // namespace kestran
