#include "features/report/report_html.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "features/report/report_dates.h"
#include "features/report/svg_chart.h"

namespace kestran::report {
namespace {

using svg::Escape;
using svg::Number;

constexpr char kGreen[] = "#2e9e5b", kBlue[] = "#3b7dd8", kOrange[] = "#e08a2c", kGrey[] = "#c9ced6",
               kRed[] = "#d2553f", kLightGreen[] = "#9fd8a8";
const char* const kLineColours[] = {"#3b7dd8", "#e08a2c", "#2e9e5b", "#a04fc2", "#d2553f", "#1f9fa8", "#8a6d3b", "#5a5a5a"};
constexpr std::size_t kLinesShown = std::size(kLineColours);
constexpr std::size_t kScoreRows = 30;

constexpr char kStyle[] = R"CSS(
body{font-family:"Noto Sans CJK SC","Microsoft YaHei","PingFang SC","WenQuanYi Micro Hei",sans-serif;
 margin:0;background:#f4f5f7;color:#222}
main{max-width:820px;margin:0 auto;padding:16px}
h1{font-size:26px;margin:8px 0 2px}
h2{font-size:18px;margin:0 0 6px}
small,.en{font-size:12px;color:#667;font-weight:normal}
section{background:#fff;border-radius:8px;padding:14px 18px;margin:14px 0;box-shadow:0 1px 3px #0002}
.tiles{display:flex;flex-wrap:wrap;gap:10px}
.tile{flex:1 1 120px;background:#fff;border-radius:8px;padding:10px 14px;box-shadow:0 1px 3px #0002}
.tile b{display:block;font-size:28px;color:#2e9e5b}
svg.chart{max-width:100%;height:auto;display:block}
.grid{stroke:#e3e6ea;stroke-width:1}
.tick,.row-label,.month{font-size:11px;fill:#556}
.row-label{font-size:12px;fill:#222}
.target{stroke:#d2553f;stroke-width:1.5;stroke-dasharray:6 4}
.target-label{font-size:11px;fill:#d2553f}
.line{stroke-width:2}
.legend{font-size:12px;margin:4px 0}
.legend span{margin-right:14px}
.legend i{display:inline-block;width:11px;height:11px;margin-right:4px;vertical-align:-1px;border-radius:2px}
details{margin-top:6px;font-size:13px}
summary{cursor:pointer;color:#3b7dd8}
table{border-collapse:collapse;margin-top:6px}
th,td{padding:2px 10px;border-bottom:1px solid #e3e6ea;text-align:right}
th:first-child,td:first-child{text-align:left}
.empty{color:#889;font-size:13px}
footer{font-size:12px;color:#889;text-align:center;margin:18px 0}
)CSS";

std::string Heading(const char* chinese, const char* english) {
    return std::string("<h2>") + chinese + " <small>" + english + "</small></h2>";
}

// A chart's figures as a small table, folded away under the chart.
class Table {
public:
    explicit Table(std::vector<std::string> header) { Row(header, "th"); }
    void Row(const std::vector<std::string>& cells, const char* tag = "td") {
        body_ += "<tr>";
        for (const std::string& cell : cells) body_ += std::string("<") + tag + ">" + Escape(cell) + "</" + tag + ">";
        body_ += "</tr>";
    }
    std::string Html() const {
        return "<details><summary>\xE8\xA1\xA8\xE6\xA0\xBC <span class=\"en\">Table</span></summary><table>" + body_ +
               "</table></details>";
    }

private:
    std::string body_;
};

std::string Percent(int part, int whole) {
    if (whole <= 0) return "-";
    char text[16];
    std::snprintf(text, sizeof text, "%.0f%%", 100.0 * part / whole);
    return text;
}

std::string Tile(const std::string& value, const char* chinese, const char* english) {
    return "<div class=\"tile\"><b>" + Escape(value) + "</b>" + chinese + " <span class=\"en\">" + english + "</span></div>";
}

std::string Summary(const ReportFigures& f) {
    return "<div class=\"tiles\">" + Tile(std::to_string(f.streak), "连续学习天数", "Day streak") +
           Tile(std::to_string(f.studiedDays), "近一年学习天数", "Days studied, 12 months") +
           Tile(std::to_string(f.entries), "已学词条", "Entries drilled") +
           Tile(std::to_string(f.known), "已掌握", "Known") +
           Tile(std::to_string(f.due.empty() ? 0 : f.due.front()), "今日待复习", "Due today") + "</div>";
}

// --- The calendar -------------------------------------------------------------

std::string Calendar(const ReportFigures& f) {
    constexpr int kCell = 12, kGap = 2, kLeft = 30, kTop = 18;
    std::vector<int> studied;
    for (int count : f.answers)
        if (count > 0) studied.push_back(count);
    std::sort(studied.begin(), studied.end());
    // Shades by the quarters of the days studied, so a light and a heavy
    // learner both see their own rhythm.
    auto quartile = [&](double q) { return studied.empty() ? 0 : studied[static_cast<std::size_t>(q * (studied.size() - 1))]; };
    const int limits[3] = {quartile(0.25), quartile(0.5), quartile(0.75)};
    const char* const shades[5] = {"#ebedf0", "#c6e8cd", "#8fd19e", "#48a868", "#1e7a43"};
    auto shade = [&](int count) {
        if (count <= 0) return shades[0];
        int level = 1;
        for (int limit : limits) level += count > limit;
        return shades[level];
    };
    const int first = WeekStart(f.FirstCalendarDay());
    const int weeks = (f.today - first) / 7 + 1;
    const int width = kLeft + weeks * (kCell + kGap) + 4, height = kTop + 7 * (kCell + kGap) + 4;
    std::string out = "<svg class=\"chart calendar\" viewBox=\"0 0 " + std::to_string(width) + " " + std::to_string(height) +
                      "\" width=\"" + std::to_string(width) + "\" height=\"" + std::to_string(height) +
                      "\" role=\"img\" xmlns=\"http://www.w3.org/2000/svg\">";
    const char* const weekdays[7] = {"一", "", "三", "", "五", "", "日"};
    for (int row = 0; row < 7; ++row)
        if (*weekdays[row])
            out += "<text class=\"month\" x=\"4\" y=\"" + std::to_string(kTop + row * (kCell + kGap) + 10) + "\">" +
                   weekdays[row] + "</text>";
    int lastMonth = 0;
    for (int day = f.FirstCalendarDay(); day <= f.today; ++day) {
        const int column = (day - first) / 7, row = day - first - column * 7;
        const int x = kLeft + column * (kCell + kGap), y = kTop + row * (kCell + kGap);
        const CivilDate date = CivilFromDays(day);
        if (date.month != lastMonth && row == 0 && column + 2 < weeks) {
            out += "<text class=\"month\" x=\"" + std::to_string(x) + "\" y=\"12\">" + std::to_string(date.month) + "月</text>";
            lastMonth = date.month;
        }
        const int count = f.answers[day - f.FirstCalendarDay()];
        out += std::string("<rect") + (count > 0 ? " class=\"mark\"" : " class=\"cell\"") + " data-key=\"" +
               std::to_string(day) + "\" data-value=\"" + std::to_string(count) + "\" x=\"" + std::to_string(x) +
               "\" y=\"" + std::to_string(y) + "\" width=\"" + std::to_string(kCell) + "\" height=\"" +
               std::to_string(kCell) + "\" rx=\"2\" fill=\"" + shade(count) + "\"><title>" + IsoDate(day) + ": " +
               std::to_string(count) + " 次作答</title></rect>";
    }
    out += "</svg>";
    out += "<p class=\"legend\">少 <span class=\"en\">Less</span> ";
    for (const char* colour : shades) out += std::string("<i style=\"background:") + colour + "\"></i>";
    out += " 多 <span class=\"en\">More</span></p>";

    Table table({"月份 Month", "学习天数 Days", "作答 Answers"});
    int month = -1, days = 0, answers = 0;
    std::string label;
    auto flush = [&] {
        if (month >= 0) table.Row({label, std::to_string(days), std::to_string(answers)});
    };
    for (int day = f.FirstCalendarDay(); day <= f.today; ++day) {
        const CivilDate date = CivilFromDays(day);
        if (date.year * 12 + date.month != month) {
            flush();
            month = date.year * 12 + date.month;
            label = IsoDate(day).substr(0, 7);
            days = answers = 0;
        }
        const int count = f.answers[day - f.FirstCalendarDay()];
        days += count > 0;
        answers += count;
    }
    flush();
    return "<section id=\"calendar\" data-chart=\"calendar\">" + Heading("学习日历", "Study calendar, last 12 months") +
           "<p>连续学习天数 <span class=\"en\">Current streak</span>: <b>" + std::to_string(f.streak) + "</b></p>" + out +
           table.Html() + "</section>";
}

// --- Charts over days and weeks -------------------------------------------------

std::string RecentLearning(const ReportFigures& f) {
    svg::BarChart chart;
    svg::Layer fresh{"新词 New", kBlue, {}}, reviews{"复习 Reviews", kGreen, {}};
    Table table({"日期 Date", "新词 New", "复习 Reviews"});
    for (std::size_t i = 0; i < f.recent.size(); ++i) {
        const DayLearning& day = f.recent[i];
        chart.keys.push_back(day.day);
        chart.slotLabels.push_back(i % 5 == 4 || i + 1 == f.recent.size() ? ShortDate(day.day) : "");
        chart.slotTitles.push_back(IsoDate(day.day));
        fresh.values.push_back(day.newWords);
        reviews.values.push_back(day.reviews);
        table.Row({IsoDate(day.day), std::to_string(day.newWords), std::to_string(day.reviews)});
    }
    chart.layers = {fresh, reviews};
    return "<section id=\"recent\" data-chart=\"recent\">" + Heading("近30天的新词与复习", "New words and reviews a day, last 30 days") +
           svg::Legend({{fresh.name, kBlue}, {reviews.name, kGreen}}) + svg::Draw(chart) + table.Html() + "</section>";
}

std::vector<std::pair<int, std::string>> MonthTicks(int first, int last) {
    std::vector<std::pair<int, std::string>> ticks;
    for (int day = first; day <= last; ++day) {
        const CivilDate date = CivilFromDays(day);
        if (date.day == 1) ticks.emplace_back(day, std::to_string(date.month) + "月");
    }
    return ticks;
}

std::string TestScores(const ReportFigures& f) {
    std::string body;
    if (f.scores.empty()) {
        body = "<p class=\"empty\">近一年还没有测验。 <span class=\"en\">No tests in the last 12 months.</span></p>";
    } else {
        svg::LineChart chart;
        chart.firstKey = f.FirstCalendarDay();
        chart.lastKey = f.today;
        chart.ticks = MonthTicks(chart.firstKey, chart.lastKey);
        chart.yMax = 100;
        std::vector<std::pair<std::string, std::string>> legend;
        for (std::size_t i = 0; i < f.scores.size() && i < kLinesShown; ++i) {
            svg::Line line{f.scores[i].name, kLineColours[i], {}};
            for (const TestPoint& test : f.scores[i].tests)
                line.points.push_back({test.day, static_cast<double>(test.score),
                                       f.scores[i].name + " " + IsoDate(test.day) + ": " + std::to_string(test.score) + " 分"});
            legend.emplace_back(line.name, line.colour);
            chart.lines.push_back(std::move(line));
        }
        // Lists tested longer ago: their tests as grey points, unjoined.
        svg::Line others{"其他词表 Other lists", kGrey, {}};
        others.joined = false;
        for (std::size_t i = kLinesShown; i < f.scores.size(); ++i)
            for (const TestPoint& test : f.scores[i].tests)
                others.points.push_back({test.day, static_cast<double>(test.score),
                                         f.scores[i].name + " " + IsoDate(test.day) + ": " + std::to_string(test.score) + " 分"});
        if (!others.points.empty()) {
            legend.emplace_back(others.name, others.colour);
            chart.lines.insert(chart.lines.begin(), std::move(others));
        }
        Table table({"词表 List", "测验次数 Tests", "最近 Last", "最好 Best", "平均 Mean", "最近日期 Last date"});
        for (std::size_t i = 0; i < f.scores.size() && i < kScoreRows; ++i) {
            const ListScores& list = f.scores[i];
            int best = 0, sum = 0;
            for (const TestPoint& test : list.tests) {
                best = std::max(best, test.score);
                sum += test.score;
            }
            table.Row({list.name, std::to_string(list.tests.size()), std::to_string(list.tests.back().score),
                       std::to_string(best), Number(static_cast<double>(sum) / list.tests.size()),
                       IsoDate(list.tests.back().day)});
        }
        body = svg::Legend(legend) + svg::Draw(chart) + table.Html();
        if (f.scores.size() > kLinesShown)
            body += "<p class=\"empty\">连线的是最近测验的 " + std::to_string(kLinesShown) +
                    " 个词表。 <span class=\"en\">Lines join the tests of the lists tested most recently.</span></p>";
    }
    return "<section id=\"scores\" data-chart=\"scores\">" + Heading("测验成绩", "Test scores over time, per list") + body +
           "</section>";
}

std::string Retention(const ReportFigures& f) {
    svg::BarChart chart;
    svg::Layer share{"答对率 Right", kGreen, {}};
    Table table({"周 Week of", "复习 Reviews", "答对 Right", "答对率 Share"});
    for (std::size_t i = 0; i < f.retention.size(); ++i) {
        const WeekShare& week = f.retention[i];
        chart.keys.push_back(week.firstDay);
        chart.slotLabels.push_back(i % 8 == 0 ? ShortDate(week.firstDay) : "");
        chart.slotTitles.push_back(IsoDate(week.firstDay) + " (" + std::to_string(week.right) + "/" +
                                   std::to_string(week.reviews) + ")");
        share.values.push_back(week.reviews > 0 ? 100.0 * week.right / week.reviews : 0);
        if (week.reviews > 0)
            table.Row({IsoDate(week.firstDay), std::to_string(week.reviews), std::to_string(week.right),
                       Percent(week.right, week.reviews)});
    }
    chart.layers = {share};
    chart.yMax = 100;
    chart.target = 100 * f.target;
    chart.targetLabel = "目标 Target " + Number(100 * f.target) + "%";
    chart.unit = "%";
    return "<section id=\"retention\" data-chart=\"retention\">" +
           Heading("每周记忆保持率", "Retention: share of due reviews answered right, per week") + svg::Draw(chart) +
           table.Html() + "</section>";
}

std::string DueForecast(const ReportFigures& f) {
    svg::BarChart chart;
    svg::Layer due{"待复习 Due", kOrange, {}};
    Table table({"日期 Date", "待复习 Due"});
    for (std::size_t i = 0; i < f.due.size(); ++i) {
        const int day = f.today + static_cast<int>(i);
        chart.keys.push_back(day);
        chart.slotLabels.push_back(i % 5 == 0 ? (i == 0 ? std::string("今天") : ShortDate(day)) : "");
        chart.slotTitles.push_back(IsoDate(day));
        due.values.push_back(f.due[i]);
        table.Row({IsoDate(day), std::to_string(f.due[i])});
    }
    chart.layers = {due};
    return "<section id=\"due\" data-chart=\"due\">" +
           Heading("未来30天待复习", "Reviews due each of the next 30 days (today includes overdue)") + svg::Draw(chart) +
           table.Html() + "</section>";
}

std::string Books(const ReportFigures& f) {
    std::string body;
    if (f.books.empty()) {
        body = "<p class=\"empty\">没有找到词库。 <span class=\"en\">No word books found.</span></p>";
    } else {
        svg::RowChart chart;
        svg::Layer known{"已掌握 Known", kGreen, {}}, learning{"学习中 Learning", kLightGreen, {}}, fresh{"未学 New", kGrey, {}};
        Table table({"词库 Book", "词数 Words", "未学 New", "学习中 Learning", "已掌握 Known"});
        for (const BookProgress& book : f.books) {
            chart.rows.push_back(book.book.name);
            known.values.push_back(book.known);
            learning.values.push_back(book.learning);
            fresh.values.push_back(book.New());
            table.Row({book.book.name, std::to_string(book.book.words), std::to_string(book.New()),
                       std::to_string(book.learning), std::to_string(book.known)});
        }
        chart.layers = {known, learning, fresh};
        chart.unit = " 词";
        body = svg::Legend({{known.name, kGreen}, {learning.name, kLightGreen}, {fresh.name, kGrey}}) + svg::Draw(chart) +
               table.Html();
    }
    return "<section id=\"books\" data-chart=\"books\">" + Heading("词库进度", "Word book progress: new / learning / known") +
           body + "</section>";
}

std::string Missed(const ReportFigures& f) {
    std::string body;
    if (f.missed.empty()) {
        body = "<p class=\"empty\">还没有错词。 <span class=\"en\">No word missed yet.</span></p>";
    } else {
        svg::RowChart chart;
        svg::Layer misses{"错误次数 Misses", kRed, {}};
        Table table({"单词 Word", "释义 Meaning", "错误次数 Misses", "最近一次 Last"});
        for (const MissedWord& word : f.missed) {
            chart.rows.push_back(word.word + "  " + word.meaning);
            misses.values.push_back(word.misses);
            table.Row({word.word, word.meaning, std::to_string(word.misses), IsoDate(word.lastDay)});
        }
        chart.layers = {misses};
        chart.unit = " 次";
        body = svg::Draw(chart) + table.Html();
    }
    return "<section id=\"missed\" data-chart=\"missed\">" + Heading("最常错的20个词", "The 20 words missed most") + body +
           "</section>";
}

std::string Typing(const ReportFigures& f) {
    svg::LineChart chart;
    chart.firstKey = f.typing.front().firstDay;
    chart.lastKey = f.typing.back().firstDay;
    chart.ticks = MonthTicks(chart.firstKey, chart.lastKey);
    svg::Line line{"每字母毫秒 ms per letter", kBlue, {}};
    Table table({"周 Week of", "作答 Answers", "每字母毫秒 ms/letter"});
    for (const WeekTyping& week : f.typing) {
        if (week.answers == 0) continue;
        line.points.push_back({week.firstDay, week.MsPerLetter(),
                               IsoDate(week.firstDay) + ": " + Number(std::round(week.MsPerLetter())) + " ms/字母"});
        table.Row({IsoDate(week.firstDay), std::to_string(week.answers), Number(std::round(week.MsPerLetter()))});
    }
    chart.lines = {line};
    return "<section id=\"typing\" data-chart=\"typing\">" +
           Heading("每个字母的输入用时", "Typing time per letter, right answers and hits, per week (ms)") +
           svg::Draw(chart) + table.Html() + "</section>";
}

}  // namespace

std::string RenderReportHtml(const ReportFigures& f, const std::string& generatedAt) {
    std::string page;
    page.reserve(256 * 1024);
    page += "<!DOCTYPE html>\n<html lang=\"zh-CN\"><head><meta charset=\"utf-8\">"
            // Nothing may be fetched: the page is whole as it is.
            "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; style-src 'unsafe-inline'\">"
            "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
            "<title>KESTRAN 学习报告</title><style>";
    page += kStyle;
    page += "</style></head><body><main>";
    page += "<h1>学习报告 <small>Study report</small></h1><p class=\"en\">" + Escape(generatedAt) + " · " +
            IsoDate(f.today) + " · 共 " + std::to_string(f.totalEvents) + " 条记录 (" + std::to_string(f.totalEvents) +
            " events)</p>";
    page += Summary(f);
    page += Calendar(f);
    page += RecentLearning(f);
    page += TestScores(f);
    page += Retention(f);
    page += DueForecast(f);
    page += Books(f);
    page += Missed(f);
    page += Typing(f);
    page += "<footer>KESTRAN · 本页不含脚本，可离线查看 <span class=\"en\">No script; works offline.</span></footer>";
    page += "</main></body></html>\n";
    return page;
}

}  // namespace kestran::report
