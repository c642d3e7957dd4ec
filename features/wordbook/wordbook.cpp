#include "features/wordbook/wordbook.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>

#include "drill/current_entry.h"
#include "drill/drill_state.h"
#include "drill/feature_hooks.h"
#include "features/background_queue.h"
#include "features/feature_menu.h"
#include "features/wordbook/book_store.h"
#include "features/wordbook/learner_presence.h"
#include "features/wordbook/list_handover.h"
#include "platform/platform.h"
#include "platform/user_data.h"

namespace kestran::wordbook {
namespace {

constexpr char kBookStem[] = "\xB4\xED\xCC\xE2\xB1\xBE";           // 错题本
constexpr char kRoundStem[] = "\xB1\xBE\xC2\xD6\xB4\xED\xB4\xCA";  // 本轮错词
constexpr char kPracticeRound[] = "\xC1\xB7\xCF\xB0\xB1\xBE\xC2\xD6\xB4\xED\xB4\xCA";  // 练习本轮错词
constexpr char kOpenBook[] = "\xB4\xF2\xBF\xAA\xB4\xED\xCC\xE2\xB1\xBE";               // 打开错题本
constexpr char kRemoveWord[] = "\xB4\xD3\xB4\xED\xCC\xE2\xB1\xBE\xC9\xBE\xC8\xA5\xB4\xCB\xB4\xCA";  // 从错题本删去此词
constexpr char kRemoveNamed[] = "\xB4\xD3\xB4\xED\xCC\xE2\xB1\xBE\xC9\xBE\xC8\xA5";  // 从错题本删去

// How long the end of the program waits for the book's last writes: the
// study record waits as long after it, about a second in all.
constexpr std::chrono::milliseconds kEndingWait{500};

// The current round, written by TickerThread (practice misses), UiThread
// (test answers, the start of a round) and RenderThread (a click that
// starts one), read by UiThread.
//
// A round that has begun takes over from the one before only with its
// first miss or test answer: until then the misses of the round just
// finished stay, so that after acknowledging a result (or switching to
// practice) the learner can still drill them.
struct Round {
    std::mutex mutex;
    std::vector<BookEntry> misses;  // each once, in order
    std::vector<BookEntry> rights;  // right test answers, while the book is the list
    bool nextRoundBegun = false;

    void TakeOverIfBegun() {
        if (!nextRoundBegun) return;
        misses.clear();
        rights.clear();
        nextRoundBegun = false;
    }
};
// Never destroyed: the ticker may still note a miss while the process ends.
Round& TheRound() {
    static auto* round = new Round();
    return *round;
}

// Whether the list loaded now is the book.
std::atomic<bool> bookIsList{false};

// The book's writes, in order, off the drill's threads. Never destroyed:
// its thread runs until the process ends.
BackgroundQueue& BookWrites() {
    static auto* queue = new BackgroundQueue();
    return *queue;
}

// One store a file, for the data folder of the moment (tests move it). The
// stores are used by the queue's thread, and for what they know in memory
// by any thread; one that goes is kept, since a job may still hold it.
// Never destroyed: the queue's thread may use a store while the process ends.
struct Stores {
    std::mutex mutex;
    std::unique_ptr<BookStore> book, round;
    std::vector<std::unique_ptr<BookStore>> retired;
};
Stores& TheStores() {
    static auto* stores = new Stores();
    return *stores;
}
BookStore& StoreFor(const char* stem, std::unique_ptr<BookStore> Stores::*slot) {
    Stores& stores = TheStores();
    std::lock_guard lock(stores.mutex);
    std::unique_ptr<BookStore>& store = stores.*slot;
    const std::string folder = plat::UserDataFolder();
    if (!store || store->Path() != plat::PathInFolder(folder, (std::string(stem) + ".txt").c_str())) {
        if (store) stores.retired.push_back(std::move(store));
        store = std::make_unique<BookStore>(folder, stem);
    }
    return *store;
}
BookStore& Book() { return StoreFor(kBookStem, &Stores::book); }
BookStore& RoundList() { return StoreFor(kRoundStem, &Stores::round); }

// Whether two paths are spelled alike, as the system compares names: on
// Windows ASCII letters in either case and either slash. The byte after a
// GBK lead byte is compared as it is (it may look like a letter).
bool SamePathText(const std::string& a, const std::string& b) {
#ifdef _WIN32
    if (a.size() != b.size()) return false;
    auto fold = [](char c) { return c == '/' ? '\\' : (c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c); };
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (static_cast<unsigned char>(a[i]) >= 0x81) {
            if (a[i] != b[i] || (i + 1 < a.size() && a[i + 1] != b[i + 1])) return false;
            ++i;
        } else if (fold(a[i]) != fold(b[i])) {
            return false;
        }
    }
    return true;
#else
    return a == b;
#endif
}

// The lists this feature handed over to be drilled, by their loader paths
// (on Windows maybe a short form of the data path). UiThread only.
std::string bookListPath, roundListPath;

// Told from the paths' text alone (UiThread asks, and must not wait for a
// data folder on a share that went away): whether `listPath` is the book.
bool IsBook(const char* listPath) {
    return SamePathText(listPath, bookListPath) || SamePathText(plat::DataPathFromListPath(listPath), BookPath());
}
// Whether it is a file in the data folder, which this program rewrites.
bool IsInDataFolder(const char* listPath) {
    if (SamePathText(listPath, bookListPath) || SamePathText(listPath, roundListPath)) return true;
    const std::string path = plat::DataPathFromListPath(listPath);
    const std::string folder = plat::UserDataFolder();
    const std::size_t cut = path.find_last_of(
#ifdef _WIN32
        "\\/"
#else
        "/"
#endif
    );
    return !folder.empty() && cut != std::string::npos && SamePathText(path.substr(0, cut), folder);
}

std::string WithCount(const char* text, std::size_t count) { return std::string(text) + " (" + std::to_string(count) + ")"; }

void NoteMiss(const WordRecord& record) {
    const BookEntry entry = EntryOf(record);
    if (!Storable(entry)) return;
    {
        Round& round = TheRound();
        std::lock_guard lock(round.mutex);
        round.TakeOverIfBegun();
        if (std::find(round.misses.begin(), round.misses.end(), entry) == round.misses.end())
            round.misses.push_back(entry);
    }
    BookStore* book = &Book();
    BookWrites().Post([book, entry] { book->Add({entry}); });
}

// --- Hooks --------------------------------------------------------------------

// A practice word crossed untyped: a miss only while the learner drills.
void OnPracticeWordMissed(const WordRecord& record) {
    if (LearnerWasDrilling()) NoteMiss(record);
}

void OnTestAnswer(const WordRecord& record, bool right) {
    if (!right) {
        NoteMiss(record);
        return;
    }
    Round& round = TheRound();
    std::lock_guard lock(round.mutex);
    round.TakeOverIfBegun();
    if (bookIsList) round.rights.push_back(EntryOf(record));
}

// The entries answered right in this test of the book leave it.
void OnTestResult() {
    std::vector<BookEntry> leaving;
    {
        Round& round = TheRound();
        std::lock_guard lock(round.mutex);
        leaving.swap(round.rights);
    }
    BookStore* book = &Book();
    if (bookIsList && !leaving.empty()) BookWrites().Post([book, leaving] { book->Remove(leaving); });
}

void OnRoundStarted() {
    Round& round = TheRound();
    std::lock_guard lock(round.mutex);
    round.nextRoundBegun = true;
}

void OnListLoaded(const char* path, bool loaded) {
    OnRoundStarted();
    bookIsList = loaded && path && IsBook(path);
}

// The open button reads the program's own lists whole: it can then still
// replace them.
bool OnListOpening(const char* path) { return path && IsInDataFolder(path); }

// Keys tell that the learner is there; a list the book's thread handed
// over is drilled.
bool OnUiMessage(const plat::Message& message) {
    NoteUiMessage(message);
    InstalledList installed;
    if (!TakeHandedOverList(message, installed)) return false;
    if (installed.listPath.empty()) return true;
    (installed.isBook ? bookListPath : roundListPath) = installed.listPath;
    bookIsList = installed.isBook && drill.listLoaded == 1;
    return true;
}

// --- Menu items -----------------------------------------------------------------

std::size_t BookSize() { return KnownBookSize().value_or(0); }

std::string PracticeRoundText() { return WithCount(kPracticeRound, RoundMisses().size()); }
bool RoundHasMisses() { return !RoundMisses().empty(); }
// The round's misses are written as 本轮错词.txt and drilled from there.
void PracticeRound() {
    const std::vector<BookEntry> misses = RoundMisses();
    if (misses.empty()) return;
    BookStore* round = &RoundList();
    BookWrites().Post([round, misses] {
        if (round->ReplaceAll(misses)) HandOverList(plat::ListPathFromDataPath(round->Path()), BookText(misses), false);
    });
}

// The count is the one known when the menu opens; the book is read anew
// meanwhile (another window or an editor may have changed it), so the next
// opening tells what it holds now. The key always opens it as it is.
std::string OpenBookText() { return WithCount(kOpenBook, BookSize()); }
// One reading at a time: a menu opened again and again adds no more.
std::atomic<bool> rereadPending{false};
void RereadBook() {
    if (rereadPending.exchange(true)) return;
    BookStore* book = &Book();
    BookWrites().Post([book] {
        rereadPending = false;
        book->Read();
    });
}
// The book as it is now, read on the book's thread after the changes asked
// for before (written as the loader reads back the same entries).
void OpenBook() {
    BookStore* book = &Book();
    BookWrites().Post([book] {
        const auto entries = book->Read();
        if (entries && !entries->empty()) HandOverList(plat::ListPathFromDataPath(book->Path()), BookText(*entries), true);
    });
}

// The word on the canvas (practice) or the entry asked (test); none while
// an end message or a result is shown.
const WordRecord* EntryOnCanvas() {
    if (drill.testMode == 1) return drill.testFinished == 0 ? CurrentEntry(drill.testIndex) : nullptr;
    return drill.practiceFinished == 0 ? CurrentEntry(drill.practiceIndex) : nullptr;
}

// The entry 从错题本删去此词 acts on: the one on the canvas when the menu
// opened or F8 was pressed, while the book is the list. UiThread only.
std::optional<BookEntry> takenEntry;

void TakeEntryOnCanvas() {
    const WordRecord* entry = bookIsList ? EntryOnCanvas() : nullptr;
    takenEntry = entry ? std::optional(EntryOf(*entry)) : std::nullopt;
}
std::string RemoveWordText() {
    return takenEntry ? std::string(kRemoveNamed) + " \"" + takenEntry->word + "\"" : kRemoveWord;
}
bool CanRemoveWord() {
    if (!takenEntry) return false;
    return Book().KnownToHold(*takenEntry);
}
void RemoveWord() {
    if (!takenEntry) return;
    BookStore* book = &Book();
    BookWrites().Post([book, gone = *takenEntry] { book->Remove({gone}); });
    takenEntry.reset();
}

// The misses of the last moments reach the book before the process ends.
void OnProgramEnding() { BookWrites().FlushWithin(kEndingWait); }

}  // namespace

void Install() {
    InstallLearnerPresence();
    hooks::practiceWordMissed.Add(OnPracticeWordMissed);
    hooks::testAnswerJudged.Add(OnTestAnswer);
    hooks::testResultShown.Add(OnTestResult);
    hooks::roundStarted.Add(OnRoundStarted);
    hooks::listLoaded.Add(OnListLoaded);
    hooks::programEnding.Add(OnProgramEnding);
    hooks::listRewrittenByFeature.Add(OnListOpening);
    hooks::uiMessage.Add(OnUiMessage);
    menu::AddItem({PracticeRoundText, plat::VK_F1 + 3, nullptr, RoundHasMisses, PracticeRound, false});
    menu::AddItem({OpenBookText, plat::VK_F1 + 2, nullptr, nullptr, OpenBook, false, RereadBook});
    menu::AddItem({RemoveWordText, plat::VK_F1 + 7, nullptr, CanRemoveWord, RemoveWord, false, TakeEntryOnCanvas});
    // The menu tells the book's size from memory: read it once, off the
    // drill's threads, before anyone opens the menu.
    KnownBookSize();
}

std::vector<BookEntry> RoundMisses() {
    Round& round = TheRound();
    std::lock_guard lock(round.mutex);
    return round.misses;
}

std::string BookPath() { return Book().Path(); }

std::optional<std::size_t> KnownBookSize() {
    BookStore& book = Book();
    const auto size = book.KnownSize();
    // Not read yet (the first use, or a new data folder): read on the
    // queue's thread, known from then on.
    if (!size) BookWrites().Post([&book] { book.Read(); });
    return size;
}

bool BookKnownToHold(const BookEntry& entry) { return Book().KnownToHold(entry); }

void WaitForBookWrites() { BookWrites().Flush(); }

}  // namespace kestran::wordbook
