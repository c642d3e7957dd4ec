// Writing the study report: the record read, the figures computed, the page
// written whole and atomically into the data folder as 学习报告.html. Runs on
// any thread but the drill's (it reads a database and writes a file).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "features/wordbooks/book_list.h"

namespace kestran::report {

// The report's name in the data folder (GBK): 学习报告.html.
inline constexpr char kReportFileName[] = "\xD1\xA7\xCF\xB0\xB1\xA8\xB8\xE6.html";

struct ReportRequest {
    std::string dataFolder;              // where the report goes (a data path: UTF-8)
    std::string recordPath;              // the study record (a data path, as SQLite names files)
    std::vector<wordbooks::Book> books;  // the word books, as the library lists them
    std::int64_t nowMs = 0;              // Unix ms: the day the report is for
    double target = 0.9;                 // the retention the schedule aims at
};

struct ReportResult {
    bool written = false;
    std::string path;   // the page (a data path), also when it could not be written
    std::string error;  // why not, in English, for a message or a log
};

ReportResult WriteReport(const ReportRequest& request);

}  // namespace kestran::report
