// The word books as shipped: books.tsv agrees with the chapter files, every
// chapter reads with no note from the list checker, and the phonetic table
// covers the books' words in standard IPA.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <set>

#include "tests/wordbooks/book_chapters.h"

namespace {

using namespace kestran;
using namespace kestran::wordbooks;
namespace fs = std::filesystem;

class WordBookFiles : public ::testing::Test {
protected:
    void SetUp() override {
        library_ = test::SourceLibrary();
        books_ = ReadBooks(library_);
        ASSERT_FALSE(books_.empty()) << "no books.tsv under " << library_;
    }
    fs::path library_;
    std::vector<Book> books_;
};

// Each chapter reads as kestran-list reads it: as GBK, with nothing to note.
TEST_F(WordBookFiles, BooksListTheirChaptersAndWordsAndEachWordOnce) {
    std::map<const Book*, std::set<std::string>> words;
    std::map<const Book*, std::vector<int>> sizes;
    test::ForEachChapter(library_, books_, [&](const test::ChapterRead& read) {
        const auto& blocks = read.check.blocks;
        ASSERT_TRUE(read.check.parse.loaded) << read.label;
        EXPECT_EQ(read.check.encoding, ListEncoding::kGbk) << read.label;
        for (const listtool::ListNote& note : read.check.notes) ADD_FAILURE() << read.label << ":" << note.line << " " << note.text;
        sizes[read.book].push_back(blocks.wordCount);
        for (std::int32_t i = 0; i < blocks.wordCount; ++i) {
            const WordRecord& record = blocks.table[i];
            EXPECT_NE(record.word[0], '\0') << read.label << " entry " << i;
            EXPECT_TRUE(words[read.book].insert(record.word).second) << read.label << ": " << record.word << " twice";
        }
    });
    for (const Book& book : books_) {
        EXPECT_EQ(static_cast<int>(words[&book].size()), book.words) << book.name;
        // Chapters differ by at most one word, the larger ones first.
        const auto& s = sizes[&book];
        ASSERT_EQ(static_cast<int>(s.size()), book.chapters) << book.name;
        EXPECT_TRUE(std::is_sorted(s.rbegin(), s.rend())) << book.name;
        EXPECT_LE(s.front() - s.back(), 1) << book.name;
        // No file in the folder beyond the chapters listed.
        int files = 0;
        for (const auto& entry : fs::directory_iterator(library_ / fs::path(std::u8string(
                                                             book.folder.begin(), book.folder.end())))) {
            ++files;
            EXPECT_GT(ChapterOf(entry.path(), book), 0) << test::Utf8(entry.path());
        }
        EXPECT_EQ(files, book.chapters) << book.name;
    }
}

TEST_F(WordBookFiles, PhoneticTableIsSortedUniqueStandardIpaForBookWords) {
    std::set<std::string> bookWords;
    test::ForEachChapter(library_, books_, [&](const test::ChapterRead& read) {
        for (std::int32_t i = 0; i < read.check.blocks.wordCount; ++i) bookWords.insert(read.check.blocks.table[i].word);
    });
    std::ifstream in(library_ / "phonetics.tsv", std::ios::binary);
    ASSERT_TRUE(in) << "no phonetics.tsv";
    std::string line, previous;
    int lines = 0;
    // ECDICT's stand-ins that must not survive: Cyrillic ә and є, Greek ε,
    // and the ASCII marks ' : ^ \ .
    const char* const kStandIns[] = {"\xD3\x99", "\xD1\x94", "\xCE\xB5", "'", ":", "^", "\\", ".", "?", "@"};
    while (std::getline(in, line)) {
        ++lines;
        const auto tab = line.find('\t');
        ASSERT_NE(tab, std::string::npos) << line;
        const std::string word = line.substr(0, tab), ipa = line.substr(tab + 1);
        EXPECT_LT(previous, word) << "not sorted or twice: " << word;
        EXPECT_TRUE(bookWords.count(word)) << word << " is in no book";
        EXPECT_FALSE(ipa.empty()) << word;
        for (const char* standIn : kStandIns) EXPECT_EQ(ipa.find(standIn), std::string::npos) << line;
        previous = word;
    }
    // ECDICT has a transcription for nearly all of them.
    EXPECT_GT(lines, static_cast<int>(bookWords.size() * 95 / 100));
}

}  // namespace
