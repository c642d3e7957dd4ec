// Telling a newly opened list from the one a pass or a test was built on.
// Opening a list keeps the pass and test counters of the previous list and
// hands over a drawn-index array with nothing recorded in it; the ticker and
// the test checker notice the change here and start afresh on the new list.
#pragma once

#include <cstdint>

#include "drill/shared.h"
#include "wordlist/word_record.h"

namespace kestran {

struct ListIdentity {
    Shared<const WordRecord*> table{nullptr};
    Shared<const std::int32_t*> slots{nullptr};
    Shared<std::int32_t> count{-1};
};

// The list the current practice pass belongs to (read by TickerThread,
// also written by the toggles on UiThread when they restart the pass).
extern ListIdentity practiceList;
// The list the current test belongs to (UiThread only).
extern ListIdentity testList;

// Records the loaded list in `seen`; true when it differs from the list
// recorded there before. A new list that happens to get the old blocks and
// the same length is not told apart; the counters then still fit it.
bool NoteCurrentList(ListIdentity& seen);

// Forgets both records. Tests only.
void ForgetListsForTest();

}  // namespace kestran
