// The page drawn from figures, and the page written from a record: whole,
// nothing fetched, one mark for each figure that is not zero, the texts
// escaped, and failures reported rather than a page of zeros.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "features/report/report_dates.h"
#include "features/report/report_html.h"
#include "features/report/report_writer.h"
#include "platform/user_data.h"
#include "tests/report/drilled_learner.h"
#include "tests/record/time_zone_for_test.h"
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

// That the page asks for nothing outside itself is seen in a real browser
// (report_in_browser.py); here, that it runs nothing and forbids fetching.
TEST(ReportPage, IsWholeWithoutScriptOrAnythingFetched) {
    const std::string page = RenderReportHtml(SomeFigures(), "2026-12-08 10:00");
    EXPECT_EQ(page.find("<script"), std::string::npos);
    EXPECT_NE(page.find("default-src 'none'"), std::string::npos);
    // The learner's own words are text, never markup.
    EXPECT_NE(page.find("&lt;script&gt;"), std::string::npos);
    EXPECT_NE(page.find("&amp; &quot;bad&quot;"), std::string::npos);
    // Every chart has its table.
    for (const char* chart : {"calendar", "recent", "scores", "retention", "due", "books", "missed", "typing"})
        EXPECT_NE(Section(page, chart).find("<table>"), std::string::npos) << chart;
}

// The page goes beside the record whatever the record holds, or is none
// at all; a damaged record or a folder that cannot take the page is a
// failure with its reason, and no page.
TEST(ReportWriter, WritesThePageBesideTheRecordOrSaysWhyNot) {
    UseTimeZoneForTest("UTC0");
    enum Record { kNone, kNoTables, kDamaged, kDrilled };
    struct Case {
        const char* what;
        Record record;
        bool folderIsAFile, written;
    } const cases[] = {{"no record", kNone, false, true},         {"a record without tables", kNoTables, false, true},
                       {"a drilled record", kDrilled, false, true}, {"a damaged record", kDamaged, false, false},
                       {"the folder is a file", kNone, true, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        if (c.record == kNoTables) std::ofstream(folder.Record()).close();
        if (c.record == kDamaged) std::ofstream(folder.Record()) << std::string(5000, 'x');
        int drilledDays = 0;
        if (c.record == kDrilled) {
            kestran::record::RecordDb db;
            ASSERT_EQ(db.Open(folder.Record()), kestran::record::RecordDb::Opened::Ok);
            drilledDays = static_cast<int>(DrillLearner(db, 20795 - 7, 20795).answers.size());
        }
        const std::string target = c.folderIsAFile ? folder.File("plain-file") : folder.path.string();
        if (c.folderIsAFile) std::ofstream(target) << "x";
        const ReportResult result = WriteReport({target, folder.Record(), {}, (20795LL * 86400 + 15 * 3600) * 1000});
        EXPECT_EQ(result.written, c.written) << result.error;
        EXPECT_EQ(result.error.empty(), c.written);
        std::string page;  // read as the program names it (GBK on Windows)
        ASSERT_EQ(plat::ReadWholeFile(result.path, page) == plat::ReadResult::Read, c.written) << result.path;
        EXPECT_EQ(std::filesystem::exists(folder.Record()), c.record != kNone) << "reading made a record";
        if (!c.written) continue;
        EXPECT_EQ(result.path, plat::PathInFolder(folder.path.string(), kReportFileName));
        EXPECT_NE(page.find("2026-12-08 15:00"), std::string::npos);
        EXPECT_EQ(CountMarks(Section(page, "calendar")), drilledDays);
        int files = 0;  // SQLite's own files aside
        for (const auto& entry : std::filesystem::directory_iterator(folder.path))
            files += entry.path().filename().string().rfind("record.db", 0) != 0;
        EXPECT_EQ(files, 1) << "nothing but the page is left beside the record";
    }
    EXPECT_FALSE(WriteReport({"", "", {}, 0}).written);
}

}  // namespace
