// One prepared SQLite statement, finalised when it goes; the report's
// queries read columns by index.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace kestran::report {

class Statement {
public:
    Statement(sqlite3* db, const char* sql) { ok_ = sqlite3_prepare_v2(db, sql, -1, &statement_, nullptr) == SQLITE_OK; }
    ~Statement() { sqlite3_finalize(statement_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool Ok() const { return ok_; }
    Statement& Bind(int index, std::int64_t value) {
        ok_ = ok_ && sqlite3_bind_int64(statement_, index, value) == SQLITE_OK;
        return *this;
    }
    // True while there is a row; false at the end or on an error (Ok() then false).
    bool Step() {
        if (!ok_) return false;
        const int result = sqlite3_step(statement_);
        if (result == SQLITE_ROW) return true;
        ok_ = result == SQLITE_DONE;
        return false;
    }
    std::int64_t Int(int column) const { return sqlite3_column_int64(statement_, column); }
    double Real(int column) const { return sqlite3_column_double(statement_, column); }
    bool IsNull(int column) const { return sqlite3_column_type(statement_, column) == SQLITE_NULL; }
    // A text column as it stands in the row, valid until the next Step.
    std::string_view View(int column) const {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
        return text ? std::string_view(text, static_cast<std::size_t>(sqlite3_column_bytes(statement_, column)))
                    : std::string_view();
    }
    // The first byte of a text column, or 0.
    char FirstChar(int column) const {
        const auto* text = sqlite3_column_text(statement_, column);
        return text ? static_cast<char>(text[0]) : '\0';
    }
    std::string Text(int column) const {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
        return text ? std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(statement_, column))) : std::string();
    }

private:
    sqlite3_stmt* statement_ = nullptr;
    bool ok_ = false;
};

}  // namespace kestran::report
