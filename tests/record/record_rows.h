// Rows of a query on the learner's record file once the queued judgements
// are written: columns joined by '|', a NULL as "NULL".
#pragma once

#include <sqlite3.h>

#include <string>
#include <vector>

#include "features/record/record_feature.h"

inline std::vector<std::string> RecordRows(const std::string& sql) {
    kestran::record::WaitForRecordWrites();
    sqlite3* db = nullptr;
    sqlite3_open(kestran::record::RecordPath().c_str(), &db);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr);
    std::vector<std::string> rows;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        std::string row;
        for (int c = 0; c < sqlite3_column_count(stmt); ++c) {
            const auto* text = sqlite3_column_text(stmt, c);
            row += (c ? "|" : "") + std::string(text ? reinterpret_cast<const char*>(text) : "NULL");
        }
        rows.push_back(row);
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return rows;
}
