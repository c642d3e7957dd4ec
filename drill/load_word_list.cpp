#include "drill/load_word_list.h"

#include <cstring>
#include <string>
#include <string_view>
#include <utility>

#include "drill/button_visual.h"
#include "drill/common_steps.h"
#include "drill/drill_state.h"
#include "drill/feature_hooks.h"
#include "wordlist/list_source.h"
#include "wordlist/text_stream.h"
#include "wordlist/word_list_parser.h"
#include "wordlist/word_table_blocks.h"

namespace kestran {

plat::OpenFileRequest listOpenRequest;

namespace {

// One filter: description ".txt", pattern "*.txt;"; the literal's own NUL
// ends the list.
constexpr char kListFilter[] = ".txt\0*.txt;\0";

// UiThread only. The blocks drill.WordTable and drill.drawnIndices point to,
// and the ones they pointed to before the last load: the ticker or the
// renderer may have been in the middle of reading those when listLoaded went
// to 0, so they are freed only when the next list is installed.
WordListBlocks currentBlocks;
WordListBlocks retiredBlocks;

std::unique_ptr<TextStream> OpenListFile() {
    // A path without its NUL inside the buffer is not a path.
    if (!std::memchr(drill.listPath, '\0', kListPathSize)) return nullptr;
    return OpenListSource(drill.listPath).stream;
}

// A list shorter than the one before must not leave a pass counter naming a
// slot beyond its drawnIndices.
void KeepPassCountersInRange(std::int32_t wordCount) {
    auto belowCount = [wordCount](Shared<std::int32_t>& counter) {
        std::int32_t value = counter;
        if (value < 0 || value >= wordCount) counter = 0;
    };
    belowCount(drill.practiceDrawn);
    belowCount(drill.practiceShown);
    belowCount(drill.testDrawn);
    std::int32_t answered = drill.randomAnswered;
    if (answered < 0 || answered > wordCount) drill.randomAnswered = 0;
}

void InstallBlocks(WordListBlocks fresh) {
    retiredBlocks = std::exchange(currentBlocks, WordListBlocks{});
    drill.WordTable = fresh.table.get();
    drill.drawnIndices = fresh.drawnIndices.get();
    const std::int32_t count = fresh.wordCount;
    currentBlocks = std::move(fresh);
    // The count goes up only once the blocks it describes are in place.
    drill.wordCount = count;
    drill.wordCountF = static_cast<float>(count);
}

// The parsed list replaces the one before and is marked loaded.
void MarkLoaded(WordListBlocks fresh) {
    const std::int32_t count = fresh.wordCount;
    InstallBlocks(std::move(fresh));
    KeepPassCountersInRange(count);
    drill.listLoaded = 1;
    drill.scrollX = kWordStartX;
}

// Count pass, table set-up, entry reading and trimming; then the list is
// marked loaded.
void ReadListFile(TextStream& file) {
    WordListBlocks fresh;
    if (!ParseWordList(file, fresh).loaded) {
        // No partial list: nothing is marked loaded and the previous blocks
        // stay as they were.
        drill.wordCount = 0;
        drill.wordCountF = 0.0f;
        return;
    }
    MarkLoaded(std::move(fresh));
}

// What every open attempt does before the file is chosen: listLoaded goes
// first, from here on no other thread reads the table.
void ResetListFields() {
    drill.resultPending = 0;
    drill.practiceFinished = 0;
    drill.listLoaded = 0;
    drill.wordCount = 0;
}

// The whole file, read at once: nothing keeps it open afterwards.
std::unique_ptr<TextStream> ReadListFileWhole() {
    std::unique_ptr<TextStream> file = OpenListFile();
    if (!file) return nullptr;
    std::string bytes;
    std::string_view piece;
    while (file->ReadRaw(piece)) bytes.append(piece);
    return TextStream::FromOwnedBytes(std::move(bytes));
}

void CloseListFile() {
    if (drill.listFile) {
        delete drill.listFile;
        drill.listFile = nullptr;
        drill.practiceIndex = 0;
    }
}

// What ends every open attempt.
void FinishOpening() {
    drill.testIndex = 0;
    // The dialog may have moved the working directory; the asset paths are
    // relative to the one at start-up.
    plat::SetCurrentDirectory(drill.startDirectory);
    hooks::listLoaded(drill.listPath, drill.listLoaded == 1);
}

// The file named in listPath replaces the list, or leaves none. A list
// opened through the dialog stays open while it is drilled; one the program
// changes itself is read whole, so that it can go on changing it (on
// Windows a file held open cannot be replaced).
void ReadChosenList(bool keepOpen) {
    CloseListFile();
    drill.listFile = (keepOpen ? OpenListFile() : ReadListFileWhole()).release();
    if (drill.listFile) ReadListFile(*drill.listFile);
    FinishOpening();
}

// The start of an open attempt without the dialog: `path` becomes listPath.
bool StartOpeningFrom(const char* path) {
    if (!path || std::strlen(path) >= kListPathSize) return false;
    drill.paused = 0;
    RestartRandomProgress();
    ClearAnswerBox();
    ResetListFields();
    std::memcpy(drill.listPath, path, std::strlen(path) + 1);
    return true;
}

}  // namespace

void PrepareListOpenRequest(bool clearFirst) {
    if (clearFirst) listOpenRequest = plat::OpenFileRequest{};
    listOpenRequest.structSize = 88;
    listOpenRequest.owner = MainDialog;
    listOpenRequest.filter = kListFilter;
    listOpenRequest.filterIndex = 1;
    listOpenRequest.file = drill.listPath;
    listOpenRequest.maxFile = static_cast<std::uint32_t>(kListPathSize);
    listOpenRequest.defaultExtension = "txt";
}

void LoadWordList() {
    drill.paused = 0;
    openButtonVisual.visualState = kLookPressed;
    RestartRandomProgress();
    plat::InvalidateRect(OpenButton, true);
    ClearAnswerBox();
    ResetListFields();

    // OK and cancel alike go on: after a cancel listPath still names the
    // list chosen last time, which is read anew.
    plat::GetOpenFileName(listOpenRequest);
    ReadChosenList(!hooks::listRewrittenByFeature(drill.listPath));
}

bool LoadWordListFrom(const char* path) {
    if (!StartOpeningFrom(path)) return false;
    ReadChosenList(false);
    return drill.listLoaded == 1;
}

bool InstallParsedWordList(const char* path, WordListBlocks parsed) {
    if (!StartOpeningFrom(path)) return false;
    CloseListFile();
    MarkLoaded(std::move(parsed));
    FinishOpening();
    return true;
}

void ReleaseWordListForTest() {
    delete drill.listFile;
    drill.listFile = nullptr;
    if (drill.WordTable == currentBlocks.table.get() || drill.WordTable == retiredBlocks.table.get())
        drill.WordTable = nullptr;
    if (drill.drawnIndices == currentBlocks.drawnIndices.get() ||
        drill.drawnIndices == retiredBlocks.drawnIndices.get())
        drill.drawnIndices = nullptr;
    currentBlocks = WordListBlocks{};
    retiredBlocks = WordListBlocks{};
}

}  // namespace kestran
