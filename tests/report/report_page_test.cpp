// The page drawn from figures, and the page written from a record: whole,
// nothing fetched, one mark for each figure that is not zero, the texts
// escaped, and failures reported rather than a page of zeros.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>

#include "features/report/report_dates.h"
#include "features/report/report_html.h"
#include "features/report/report_writer.h"
#include "platform/user_data.h"
#include "tests/report/drilled_learner.h"
#include "tests/report/report_test_support.h"

namespace {

using namespace kestran::report;
using namespace kestran::reporttest;

// The section of one chart.
std::string Section(const std::string& page, const std::string& chart) {
    const auto start = page.find("data-chart=\"" + chart + "\"");
    if (start == std::string::npos) return {};
    return page.substr(start, page.find("</section>", start) - start);
}

int CountMarks(const std::string& html) {
    int marks = 0;
    for (std::size_t at = 0; (at = html.find("class=\"mark\"", at)) != std::string::npos; ++at) ++marks;
    return marks;
}

ReportFigures SomeFigures() {
    ReportFigures f;
    f.today = 20795;
    f.answers.assign(kCalendarDays, 0);
    f.answers[kCalendarDays - 1] = 40;
    f.answers[kCalendarDays - 3] = 7;
    f.streak = 1;
    for (int i = 0; i < kRecentDays; ++i) f.recent.push_back({f.today - kRecentDays + 1 + i, i % 3, i % 2});
    f.scores.push_back({"/x/a.txt", "a", {{f.today - 2, 0, 60}, {f.today, 0, 80}}});
    for (int w = 0; w < kWeeks; ++w) f.retention.push_back({WeekStart(f.today) - (kWeeks - 1 - w) * 7, w == kWeeks - 1 ? 10 : 0, 9});
    f.due.assign(kForecastDays, 0);
    f.due[0] = 5;
    f.due[4] = 2;
    f.books.push_back({{"GRE", "GRE", 3, 300}, 20, 5});
    f.missed.push_back({"<script>", "\xE5\x9D\x8F & \"bad\"", 3, f.today});
    for (int w = 0; w < kWeeks; ++w) f.typing.push_back({WeekStart(f.today) - (kWeeks - 1 - w) * 7, w > 50 ? 4 : 0, 4000, 20});
    return f;
}

TEST(ReportPage, OneMarkForEachFigureThatIsNotZero) {
    const ReportFigures f = SomeFigures();
    const std::string page = RenderReportHtml(f, "2026-12-08 10:00");
    struct {
        const char* chart;
        int marks;
    } const cases[] = {
        {"calendar", 2},
        {"recent", 20 + 15},  // i % 3 != 0 new words, odd i reviews
        {"scores", 2},
        {"retention", 1},
        {"due", 2},
        {"books", 3},  // known, learning, new
        {"missed", 1},
        {"typing", 2},
    };
    for (const auto& c : cases) EXPECT_EQ(CountMarks(Section(page, c.chart)), c.marks) << c.chart;
    // Each mark names its day: the calendar's days and the due days.
    EXPECT_NE(Section(page, "calendar").find("class=\"mark\" data-key=\"" + std::to_string(f.today) + "\" data-value=\"40\""),
              std::string::npos);
    EXPECT_NE(Section(page, "due").find("data-key=\"" + std::to_string(f.today + 4) + "\" data-value=\"2\""), std::string::npos);
    EXPECT_NE(Section(page, "retention").find("data-value=\"90\""), std::string::npos);  // 9 of 10
    EXPECT_NE(Section(page, "typing").find("data-value=\"200\""), std::string::npos);    // 4000 ms / 20 letters
}

TEST(ReportPage, IsWholeWithoutScriptOrAnythingFetched) {
    const std::string page = RenderReportHtml(SomeFigures(), "2026-12-08 10:00");
    EXPECT_EQ(page.find("<script"), std::string::npos);
    EXPECT_EQ(page.find("src="), std::string::npos);
    EXPECT_EQ(page.find("url("), std::string::npos);
    EXPECT_EQ(page.find("@import"), std::string::npos);
    EXPECT_EQ(page.find("<link"), std::string::npos);
    // The only address is the SVG namespace, which is a name, not a request.
    const std::regex address("(https?|ftp)://[^\"]*");
    for (auto it = std::sregex_iterator(page.begin(), page.end(), address); it != std::sregex_iterator(); ++it)
        EXPECT_EQ(it->str(), "http://www.w3.org/2000/svg");
    EXPECT_NE(page.find("default-src 'none'"), std::string::npos);
    // The learner's own words are text, never markup.
    EXPECT_NE(page.find("&lt;script&gt;"), std::string::npos);
    EXPECT_NE(page.find("&amp; &quot;bad&quot;"), std::string::npos);
    // Every chart has its table.
    for (const char* chart : {"calendar", "recent", "scores", "retention", "due", "books", "missed", "typing"})
        EXPECT_NE(Section(page, chart).find("<table>"), std::string::npos) << chart;
}

// The page, read as the program names it (GBK on Windows).
std::string ReadAll(const std::string& path) {
    std::string bytes;
    plat::ReadWholeFile(path, bytes);
    return bytes;
}

TEST(ReportWriter, WritesThePageFromTheRecordInTheDataFolder) {
    UseUtcClock();
    TempFolder folder;
    kestran::record::RecordDb db;
    ASSERT_EQ(db.Open(folder.Record()), kestran::record::RecordDb::Opened::Ok);
    const Drilled drilled = DrillLearner(db, 20795 - 42, 20795);
    const auto progress = db.Progress(kDrilledBook, 20795);
    db.Close();
    auto files = [&] {
        int count = 0;
        for (const auto& entry : std::filesystem::directory_iterator(folder.path))
            count += entry.is_regular_file() && entry.path().filename().string().rfind("record.db", 0) != 0;  // SQLite's own aside
        return count;
    };
    const std::vector<kestran::wordbooks::Book> books = {{kDrilledBook, kDrilledBook, 50, 5000}, {"GRE", "GRE", 3, 90}};
    const ReportResult result = WriteReport({folder.path.string(), folder.Record(), books, (20795LL * 86400 + 15 * 3600) * 1000});
    ASSERT_TRUE(result.written) << result.error;
    EXPECT_EQ(result.path, plat::PathInFolder(folder.path.string(), kReportFileName));
    const std::string page = ReadAll(result.path);
    EXPECT_NE(page.find("2026-12-08 15:00"), std::string::npos);
    EXPECT_EQ(CountMarks(Section(page, "calendar")), static_cast<int>(drilled.answers.size()));
    // A layer for each of the drilled book's learning, known and new; the untouched one all new.
    EXPECT_EQ(CountMarks(Section(page, "books")), (progress.learning > 0) + (progress.known > 0) + 1 + 1);
    EXPECT_EQ(files(), 1) << "nothing but the page is left beside the record";
}

TEST(ReportWriter, ALearnerWithoutARecordGetsAnEmptyReport) {
    UseUtcClock();
    TempFolder folder;
    const ReportResult result = WriteReport({folder.path.string(), folder.Record(), {}, 20795LL * 86400 * 1000});
    ASSERT_TRUE(result.written) << result.error;
    const std::string page = ReadAll(result.path);
    EXPECT_EQ(CountMarks(page), 0);
    // Reading created no record.
    EXPECT_FALSE(std::filesystem::exists(folder.Record()));

    // A record file the writer has not given its tables yet is no record either.
    std::ofstream(folder.Record()).close();
    const ReportResult empty = WriteReport({folder.path.string(), folder.Record(), {}, 20795LL * 86400 * 1000});
    ASSERT_TRUE(empty.written) << empty.error;
    EXPECT_EQ(CountMarks(ReadAll(empty.path)), 0);
}

TEST(ReportWriter, ADamagedRecordOrAFolderThatCannotBeWrittenIsAFailure) {
    TempFolder folder;
    std::ofstream(folder.Record()) << std::string(5000, 'x');
    ReportResult result = WriteReport({folder.path.string(), folder.Record(), {}, 20795LL * 86400 * 1000});
    EXPECT_FALSE(result.written);
    EXPECT_FALSE(result.error.empty());
    std::string bytes;
    EXPECT_EQ(plat::ReadWholeFile(result.path, bytes), plat::ReadResult::Missing);

    const std::string notAFolder = folder.File("plain-file");
    std::ofstream(notAFolder) << "x";
    result = WriteReport({notAFolder, folder.Record(), {}, 20795LL * 86400 * 1000});
    EXPECT_FALSE(result.written);
    EXPECT_FALSE(result.error.empty());
    EXPECT_FALSE(WriteReport({"", "", {}, 0}).written);
}

}  // namespace
