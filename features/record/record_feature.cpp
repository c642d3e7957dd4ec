#include "features/record/record_feature.h"

#include <algorithm>
#include <map>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <optional>

#include "drill/drill_state.h"
#include "drill/feature_hooks.h"
#include "drill/toggles.h"
#include "features/background_queue.h"
#include "features/feature_menu.h"
#include "features/record/learner_clock.h"
#include "features/record/list_origin.h"
#include "features/record/record_db.h"
#include "features/settings.h"
#include "features/wordbook/book_format.h"
#include "features/wordbook/learner_presence.h"
#include "features/wordbooks/wordbooks.h"
#include "platform/gbk.h"
#include "platform/platform.h"
#include "platform/data_file.h"
#include "platform/user_data.h"
#include "drill/load_word_list.h"

namespace kestran::record {
namespace {

constexpr char kRecordFile[] = "\xD1\xA7\xCF\xB0\xBC\xC7\xC2\xBC.db";      // 学习记录.db
constexpr char kReviewFile[] = "\xBD\xF1\xC8\xD5\xB8\xB4\xCF\xB0.txt";     // 今日复习.txt
constexpr char kReviewText[] = "\xBD\xF1\xC8\xD5\xB8\xB4\xCF\xB0";         // 今日复习
constexpr char kCaption[] = "\xD1\xA7\xCF\xB0\xBC\xC7\xC2\xBC";            // 学习记录
// 学习记录无法打开或写入：
constexpr char kCannotWrite[] =
    "\xD1\xA7\xCF\xB0\xBC\xC7\xC2\xBC\xCE\xDE\xB7\xA8\xB4\xF2\xBF\xAA\xBB\xF2\xD0\xB4\xC8\xEB\xA3\xBA";
// 学习记录已损坏，已另存为：
constexpr char kDamaged[] =
    "\xD1\xA7\xCF\xB0\xBC\xC7\xC2\xBC\xD2\xD1\xCB\xF0\xBB\xB5\xA3\xAC\xD2\xD1\xC1\xED\xB4\xE6\xCE\xAA\xA3\xBA";
// \n新的学习记录已开始。
constexpr char kStartedAfresh[] = "\n\xD0\xC2\xB5\xC4\xD1\xA7\xCF\xB0\xBC\xC7\xC2\xBC\xD2\xD1\xBF\xAA\xCA\xBC\xA1\xA3";


constexpr int kDefaultDailyCap = 100;
// The caps the menu offers in turn.
constexpr int kDailyCaps[] = {20, 50, 100, 200, 500};
constexpr char kDailyCapText[] = "\xC3\xBF\xC8\xD5\xB8\xB4\xCF\xB0\xC9\xCF\xCF\xDE ";  // 每日复习上限
constexpr char kChangeTo[] = " (\xB8\xC4\xCE\xAA ";                                                // (改为
constexpr double kDefaultTarget = 0.9;

// --- What the drill's threads hand over ------------------------------------

// The list now loaded (UiThread writes it; every hook reads it).
struct CurrentList {
    std::mutex mutex;
    ListOrigin origin;
    // 今日复习's list is being opened (UiThread): it is recorded under the
    // data path it was written to, however the loader spells it.
    bool openingReview = false;
};
CurrentList& TheList() {
    static CurrentList list;
    return list;
}

// When the entry now asked or moving came onto the canvas, on the record's
// clock (so a test can set the typing time); a time that runs backwards
// (the system clock set back meanwhile) is no time.
struct ShownAt {
    std::atomic<const WordRecord*> entry{nullptr};
    std::atomic<std::int64_t> at{0};

    void Note(const WordRecord& shown) {
        at = NowMs();
        entry = &shown;
    }
    std::optional<std::int64_t> Since(const WordRecord& judged) const {
        if (entry.load() != &judged) return std::nullopt;
        const std::int64_t ms = NowMs() - at.load();
        if (ms < 0) return std::nullopt;
        return ms;
    }
};
ShownAt practiceShown, testShown;

// --- The record's thread ---------------------------------------------------

// Everything below is used on the record's thread only, but the counts.
struct Writer {
    BackgroundQueue queue;
    RecordDb db;
    bool toldFailure = false;
    std::atomic<std::size_t> due{0};
    std::atomic<int> cap{kDefaultDailyCap};
    std::atomic<std::size_t> reviewedToday{0};  // entries reviewed in 今日复习 today
    std::string openedAt;  // the record file's path when opened
    std::mutex noticeMutex;
    std::map<std::string, BookProgress> books;  // by folder (UTF-8), under noticeMutex
    std::string notice;         // GBK, shown by UiThread
    std::string reviewListPath; // written, in the loader's form, for UiThread to load
};
// Never destroyed: its thread runs until the process ends.
Writer& TheWriter() {
    static auto* writer = new Writer();
    return *writer;
}

void Tell(Writer& writer, const std::string& text) {
    {
        std::lock_guard lock(writer.noticeMutex);
        writer.notice = text;
    }
    if (MainDialog) plat::PostMessage(MainDialog, kNoticeMessage, 0, 0);
}

void TellFailureOnce(Writer& writer) {
    if (writer.toldFailure) return;
    writer.toldFailure = true;
    Tell(writer, kCannotWrite + plat::GbkFromPath(RecordPath()));
}

void TellIfRenewed(Writer& writer) {
    if (writer.db.TakeRenewed()) Tell(writer, kDamaged + plat::Utf8ToGbk(writer.db.SetAside()) + kStartedAfresh);
}

// Opens the record at the first job (and again after a failure).
bool EnsureOpen(Writer& writer) {
    // Tests move the data folder between runs; the program never does.
    if (writer.db.IsOpen() && writer.openedAt == RecordPath()) return true;
    writer.db.Close();
    writer.openedAt = RecordPath();
    const int cap = std::atoi(settings::Get("record.dailyCap", std::to_string(kDefaultDailyCap)).c_str());
    writer.cap = cap > 0 ? cap : kDefaultDailyCap;
    const double target = std::atof(settings::Get("record.targetRetention", "0.9").c_str());
    const bool targetValid = target > 0.5 && target < 1.0;
    if (!plat::CreateUserDataFolder()) {
        TellFailureOnce(writer);
        return false;
    }
    const RecordDb::Opened opened = writer.db.Open(RecordPath(), targetValid ? target : kDefaultTarget);
    if (opened == RecordDb::Opened::Failed) {
        TellFailureOnce(writer);
        return false;
    }
    TellIfRenewed(writer);
    return true;
}

void Recount(Writer& writer) {
    // Nothing recorded yet: nothing is due, and no file is made for a
    // learner who has not drilled.
    plat::FileStamp stamp;
    if (!writer.db.IsOpen() && plat::StampOfFile(RecordPath(), stamp) == plat::ReadResult::Missing) {
        writer.due = 0;
        return;
    }
    if (!EnsureOpen(writer)) return;
    const std::int64_t today = LearnerDay(NowMs());
    writer.due = writer.db.CountDue(today);
    writer.reviewedToday = writer.db.ReviewsFrom(ReviewListPath(), today);
    auto books = writer.db.ProgressOfBooks(today);
    std::lock_guard lock(writer.noticeMutex);
    writer.books = std::move(books);
}

void Write(const Event& event) {
    Writer& writer = TheWriter();
    if (!EnsureOpen(writer)) return;
    const auto judged = writer.db.Add(event);
    TellIfRenewed(writer);
    if (!judged) {
        TellFailureOnce(writer);
        return;
    }
    if (judged->wasDue && writer.due > 0) --writer.due;
    if (judged->review && event.list == ReviewListPath()) ++writer.reviewedToday;
}

// Hands the judgement to the record's thread. Any drill thread.
void Post(const char* kind, const WordRecord& entry, bool right, std::optional<std::int64_t> ms) {
    Event event;
    event.at = NowMs();
    event.kind = kind;
    {
        CurrentList& list = TheList();
        std::lock_guard lock(list.mutex);
        event.list = list.origin.path;
        event.book = list.origin.book;
        event.chapter = list.origin.chapter;
    }
    event.word = plat::GbkToUtf8(entry.word);
    event.meaning = plat::GbkToUtf8(entry.meaning);
    event.right = right;
    event.ms = ms;
    TheWriter().queue.Post([event] { Write(event); });
}

// --- Hooks -------------------------------------------------------------------

void OnPracticeShown(const WordRecord& entry) { practiceShown.Note(entry); }
void OnTestShown(const WordRecord& entry) { testShown.Note(entry); }
void OnHit(const WordRecord& entry) { Post("hit", entry, true, practiceShown.Since(entry)); }
// A crossing is a miss by the wrong-word book's own rule: only while the
// learner was drilling.
void OnMiss(const WordRecord& entry) {
    if (wordbook::LearnerWasDrilling()) Post("miss", entry, false, std::nullopt);
}
// The judgements still queued are written before the process ends, within
// a bound, as every feature waits at the end (each takes about a millisecond).
void OnProgramEnding() { TheWriter().queue.FlushWithin(std::chrono::milliseconds(200)); }
void OnTestAnswer(const WordRecord& entry, bool right) { Post("test", entry, right, testShown.Since(entry)); }

void OnTestResult() {
    TestResult test;
    test.at = NowMs();
    test.score = drill.testScore;
    test.right = drill.correctCount;
    test.wrong = drill.wrongCount;
    {
        CurrentList& list = TheList();
        std::lock_guard lock(list.mutex);
        test.list = list.origin.path;
        test.book = list.origin.book;
        test.chapter = list.origin.chapter;
    }
    TheWriter().queue.Post([test] {
        Writer& writer = TheWriter();
        if (EnsureOpen(writer) && !writer.db.AddTest(test)) TellFailureOnce(writer);
        TellIfRenewed(writer);
        Recount(writer);  // the chooser's figures after a chapter's test
    });
}

void OnListLoaded(const char* path, bool loaded) {
    CurrentList& list = TheList();
    std::lock_guard lock(list.mutex);
    if (!loaded || !path)
        list.origin = ListOrigin{};
    else
        list.origin = OriginOf(list.openingReview ? ReviewListPath() : plat::DataPathFromListPath(path));
    list.openingReview = false;
}

bool OnMessage(const plat::Message& message) {
    Writer& writer = TheWriter();
    if (message.message == kNoticeMessage) {
        std::string text;
        {
            std::lock_guard lock(writer.noticeMutex);
            text.swap(writer.notice);
        }
        if (!text.empty()) plat::MessageBox(MainDialog, text.c_str(), kCaption, plat::MB_ICONWARNING);
        return true;
    }
    if (message.message == kReviewReadyMessage) {
        std::string path;
        {
            std::lock_guard lock(writer.noticeMutex);
            path = writer.reviewListPath;
        }
        if (path.empty()) return true;
        {
            CurrentList& list = TheList();
            std::lock_guard lock(list.mutex);
            list.openingReview = true;
        }
        if (LoadWordListFrom(path.c_str()) && drill.testMode == 0) ToggleMode();
        return true;
    }
    return false;
}

// --- The 词库 chooser's figures ----------------------------------------------

// After a book's line, what the learner knows of it, from memory (UiThread):
// "新 N · 学习中 N · 待复习 N · 已掌握 N"; nothing for a book not yet drilled.
std::string BookFigures(const wordbooks::Book& book, int chapter) {
    if (chapter != 0) return {};
    BookProgress progress;
    {
        Writer& writer = TheWriter();
        std::lock_guard lock(writer.noticeMutex);
        const auto found = writer.books.find(book.folder);
        if (found == writer.books.end()) return {};
        progress = found->second;
    }
    const int fresh = std::max(0, book.words - progress.learning - progress.known);
    const std::string dot = " \xA1\xA4 ";  // ·
    return "  \xD0\xC2 " + std::to_string(fresh) + dot + "\xD1\xA7\xCF\xB0\xD6\xD0 " +
           std::to_string(progress.learning) + dot + "\xB4\xFD\xB8\xB4\xCF\xB0 " + std::to_string(progress.due) + dot +
           "\xD2\xD1\xD5\xC6\xCE\xD5 " + std::to_string(progress.known);  // 新 学习中 待复习 已掌握
}

// --- Menu: 今日复习 (N) ---------------------------------------------------

// What today's cap leaves: the cap less the entries already reviewed in
// 今日复习 today.
std::size_t LeftToday() {
    const std::size_t cap = static_cast<std::size_t>(TheWriter().cap.load());
    const std::size_t done = TheWriter().reviewedToday;
    return done >= cap ? 0 : cap - done;
}
std::size_t ShownDue() { return std::min<std::size_t>(TheWriter().due, LeftToday()); }

std::string ReviewText() {
    // The count shown is the last one known; a fresh one is made for the next look.
    TheWriter().queue.Post([] { Recount(TheWriter()); });
    return std::string(kReviewText) + " (" + std::to_string(ShownDue()) + ")";
}
bool HasDue() { return ShownDue() > 0; }

// The cap after the present one among those offered; after the largest,
// the smallest.
int NextDailyCap() {
    const int cap = TheWriter().cap;
    for (int offered : kDailyCaps)
        if (offered > cap) return offered;
    return kDailyCaps[0];
}
// "每日复习上限 100 (改为 200)": choosing it sets the cap it names, kept in
// 设置.txt; 今日复习's count follows at once.
std::string DailyCapText() {
    return kDailyCapText + std::to_string(TheWriter().cap.load()) + kChangeTo + std::to_string(NextDailyCap()) + ")";
}
void ChangeDailyCap() {
    const int cap = NextDailyCap();
    TheWriter().cap = cap;
    settings::Set("record.dailyCap", std::to_string(cap));
}

// Writes today's due entries as a list in the data folder, then has
// UiThread open it as a test.
void StartReview() {
    TheWriter().queue.Post([] {
        Writer& writer = TheWriter();
        if (!EnsureOpen(writer)) return;
        Recount(writer);  // another window may have reviewed meanwhile
        const auto due = writer.db.Due(LearnerDay(NowMs()), LeftToday());
        std::vector<wordbook::BookEntry> entries;
        for (const DueEntry& entry : due) {
            wordbook::BookEntry gbk{plat::Utf8ToGbk(entry.word), plat::Utf8ToGbk(entry.meaning)};
            if (wordbook::Storable(gbk)) entries.push_back(std::move(gbk));
        }
        if (entries.empty()) return;
        // Through the data store: locked against other windows, replaced
        // atomically, a failure told to the learner by the store.
        plat::DataFile list(plat::UserDataFolder(), kReviewFile);
        const std::string text = wordbook::BookText(entries);
        if (!list.Update([&](plat::ReadResult, const std::string&) { return plat::DataFile::Change{true, text, false}; }))
            return;
        // The loader's form of the path is found here: on Windows it may ask
        // the file system for the short name, which UiThread must not wait for.
        const std::string path = plat::ListPathFromDataPath(list.Path());
        if (path.empty()) {
            plat::ReportDataFailure(plat::UserDataFolder());
            return;
        }
        {
            std::lock_guard lock(writer.noticeMutex);
            writer.reviewListPath = path;
        }
        if (MainDialog) plat::PostMessage(MainDialog, kReviewReadyMessage, 0, 0);
    });
}

}  // namespace

void Install() {
    hooks::practiceWordShown.Add(OnPracticeShown);
    hooks::testEntryShown.Add(OnTestShown);
    hooks::practiceWordHit.Add(OnHit);
    hooks::practiceWordMissed.Add(OnMiss);
    hooks::testAnswerJudged.Add(OnTestAnswer);
    hooks::testResultShown.Add(OnTestResult);
    hooks::listLoaded.Add(OnListLoaded);
    hooks::uiMessage.Add(OnMessage);
    hooks::programEnding.Add(OnProgramEnding);
    menu::AddItem({ReviewText, plat::VK_F1 + 10, nullptr, HasDue, StartReview, true});
    menu::AddItem({DailyCapText, 0, nullptr, nullptr, ChangeDailyCap, false});
    wordbooks::SetExtraText(BookFigures);
    // Opens the record and counts today's due entries, off the drill's threads.
    TheWriter().queue.Post([] { Recount(TheWriter()); });
}

std::string RecordPath() { return plat::PathInFolder(plat::UserDataFolder(), kRecordFile); }
std::string ReviewListPath() { return plat::PathInFolder(plat::UserDataFolder(), kReviewFile); }

std::size_t DueToday() { return ShownDue(); }

void WaitForRecordWrites() { TheWriter().queue.Flush(); }

void CloseForTest() {
    Writer& writer = TheWriter();
    writer.queue.Post([&writer] {
        writer.db.Close();
        writer.toldFailure = false;
        writer.due = 0;
    });
    writer.queue.Flush();
}

namespace {

// The path as UTF-8, whatever characters it holds (a narrow conversion
// could fail on Windows for a name outside the code page).
std::string Utf8Text(const std::filesystem::path& file) {
    const std::u8string text = file.u8string();
    return std::string(text.begin(), text.end());
}

}  // namespace

int ExportCommand(const std::filesystem::path& file) {
    std::ofstream out(file, std::ios::binary);
    if (!out) {
        std::fprintf(stderr, "kestran: cannot write %s\n", Utf8Text(file).c_str());
        return 1;
    }
    std::int64_t events = 0;
    plat::FileStamp stamp;
    if (plat::StampOfFile(RecordPath(), stamp) == plat::ReadResult::Missing) {
        RecordDb::WriteCsvHeader(out);  // nothing recorded yet
    } else {
        RecordDb db;
        const RecordDb::Opened opened = db.Open(RecordPath());
        if (opened == RecordDb::Opened::Renewed)
            std::fprintf(stderr, "kestran: the study record was damaged; it is kept as %s\n", db.SetAside().c_str());
        if (opened == RecordDb::Opened::Failed || !db.ExportCsv(out)) {
            std::fprintf(stderr, "kestran: cannot read the study record %s\n", RecordPath().c_str());
            return 1;
        }
        events = db.EventCount();
    }
    out.close();
    if (!out) {
        std::fprintf(stderr, "kestran: cannot write %s\n", Utf8Text(file).c_str());
        return 1;
    }
    std::printf("%lld events written to %s\n", static_cast<long long>(events), Utf8Text(file).c_str());
    return 0;
}

}  // namespace kestran::record
