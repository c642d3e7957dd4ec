// Lists the book's own thread reads and parses (the book for 打开错题本, the
// round's misses for 练习本轮错词), handed to UiThread to drill: UiThread
// neither reads nor parses them, and never waits for that thread.
#pragma once

#include <string>

#include "platform/platform.h"

namespace kestran::wordbook {

// The message that tells UiThread a list is ready (posted to MainDialog).
inline constexpr plat::MessageId kListReadyMessage = plat::WM_APP + 'B';

// Any thread but UiThread: parses `bytes` as the open button would read
// the file and has UiThread drill the result as the list at `listPath` (the
// loader's path form). A list that does not parse is dropped: the list
// drilled now stays. `isBook`: the list is the book.
void HandOverList(std::string listPath, std::string bytes, bool isBook);

// UiThread, from the message hook: on kListReadyMessage installs the list
// handed over last and answers true; `installed` then names it (its path and
// whether it is the book), or is left alone when it was taken before.
struct InstalledList {
    std::string listPath;
    bool isBook = false;
};
bool TakeHandedOverList(const plat::Message& message, InstalledList& installed);

}  // namespace kestran::wordbook
