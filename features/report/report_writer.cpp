#include "features/report/report_writer.h"

#include <sqlite3.h>

#include <ctime>
#include <memory>

#include "features/record/record_schema.h"
#include "features/record/learner_clock.h"
#include "features/report/report_figures.h"
#include "features/report/report_html.h"
#include "platform/user_data.h"

namespace kestran::report {
namespace {

struct CloseDatabase {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using Database = std::unique_ptr<sqlite3, CloseDatabase>;

// The record, read only; a learner who has no record yet gets an empty one,
// so the report still opens (with zeros).
Database OpenRecord(const std::string& path, std::string& error) {
    sqlite3* db = nullptr;
    plat::FileStamp stamp;
    const bool exists = plat::StampOfFile(path, stamp) != plat::ReadResult::Missing;
    const int opened = exists ? sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr)
                              : sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE, nullptr);
    Database database(db);
    if (opened != SQLITE_OK) {
        error = db ? sqlite3_errmsg(db) : "out of memory";
        return nullptr;
    }
    // Another window may be writing: wait for it a little rather than fail.
    sqlite3_busy_timeout(db, 3000);
    // The report reads the whole record once: mapped, it is read without a
    // copy through SQLite's page cache.
    sqlite3_exec(db, "PRAGMA mmap_size = 268435456", nullptr, nullptr, nullptr);
    if (!exists && sqlite3_exec(db, record::kSchemaSql, nullptr, nullptr, nullptr) != SQLITE_OK) {
        error = sqlite3_errmsg(db);
        return nullptr;
    }
    return database;
}

std::string LocalTimeText(std::int64_t nowMs) {
    const std::time_t seconds = static_cast<std::time_t>(nowMs / 1000);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &seconds);
#else
    localtime_r(&seconds, &local);
#endif
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local);
    return text;
}

}  // namespace

ReportResult WriteReport(const ReportRequest& request) {
    ReportResult result;
    if (request.dataFolder.empty()) {
        result.error = "no data folder";
        return result;
    }
    result.path = plat::PathInFolder(request.dataFolder, kReportFileName);
    const Database db = OpenRecord(request.recordPath, result.error);
    if (!db) return result;
    ReportInputs inputs;
    inputs.today = static_cast<int>(record::LearnerDay(request.nowMs));
    inputs.target = request.target;
    inputs.books = request.books;
    const auto figures = ComputeFigures(db.get(), inputs, result.error);
    if (!figures) return result;
    const std::string page = RenderReportHtml(*figures, LocalTimeText(request.nowMs));
    // A learner without a record may have no data folder yet.
    if (request.dataFolder == plat::UserDataFolder()) plat::CreateUserDataFolder();
    if (!plat::WriteFileAtomically(result.path, page)) {
        result.error = "the page could not be written";
        return result;
    }
    result.written = true;
    return result;
}

}  // namespace kestran::report
