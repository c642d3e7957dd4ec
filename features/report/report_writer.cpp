#include "features/report/report_writer.h"

#include <sqlite3.h>

#include <ctime>
#include <memory>

#include "features/record/record_schema.h"
#include "features/record/learner_clock.h"
#include "features/record/sqlite_statement.h"
#include "features/report/report_figures.h"
#include "features/report/report_html.h"
#include "platform/user_data.h"

namespace kestran::report {
namespace {

struct CloseDatabase {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using Database = std::unique_ptr<sqlite3, CloseDatabase>;

// An empty record in memory, with the record's tables.
Database EmptyRecord(std::string& error) {
    sqlite3* db = nullptr;
    const int opened = sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE, nullptr);
    Database database(db);
    if (opened != SQLITE_OK || sqlite3_exec(db, record::kSchemaSql, nullptr, nullptr, nullptr) != SQLITE_OK) {
        error = db ? sqlite3_errmsg(db) : "out of memory";
        return nullptr;
    }
    return database;
}

// Whether the record's writer has made its tables yet (a record file is
// made empty, then given its tables by the first program that opens it).
// A file that cannot be asked is taken as having them: reading it tells why.
bool HasTables(sqlite3* db) {
    record::Statement query(db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'events'");
    return query.Step() != SQLITE_DONE;
}

// The record, read only; a learner who has no record yet (no file, or a
// file without its tables) gets an empty one, so the report still opens,
// with zeros.
Database OpenRecord(const std::string& path, std::string& error) {
    plat::FileStamp stamp;
    if (plat::StampOfFile(path, stamp) == plat::ReadResult::Missing) return EmptyRecord(error);
    sqlite3* db = nullptr;
    const int opened = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
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
    if (!HasTables(db)) return EmptyRecord(error);
    return database;
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
    const std::string page = RenderReportHtml(*figures, record::LocalTimeText(request.nowMs, "%Y-%m-%d %H:%M"));
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
