// One prepared SQLite statement, finalised when it goes. It keeps the first
// error (of the prepare, a bind or a step) and, once there is one, steps no
// more: a statement missing a value never runs, and the caller asks once,
// at the end, whether all went well.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kestran::record {

class Statement {
public:
    Statement(sqlite3* db, const char* sql) { code_ = sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr); }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // No error so far (a query run to its end, or stopped early, is Ok).
    bool Ok() const { return code_ == SQLITE_OK; }
    // SQLITE_OK, or the first error.
    int Code() const { return code_; }

    Statement& Bind(int i, std::int64_t v) { return Check(sqlite3_bind_int64(stmt_, i, v)); }
    Statement& Bind(int i, int v) { return Bind(i, static_cast<std::int64_t>(v)); }
    Statement& Bind(int i, double v) { return Check(sqlite3_bind_double(stmt_, i, v)); }
    Statement& Bind(int i, const std::string& v) {
        return Check(sqlite3_bind_text(stmt_, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT));
    }
    template <class T>
    Statement& Bind(int i, const std::optional<T>& v) {
        return v ? Bind(i, *v) : Check(sqlite3_bind_null(stmt_, i));
    }

    // SQLITE_ROW while there is a row, SQLITE_DONE at the end, else the
    // first error.
    int Step() {
        if (code_ != SQLITE_OK) return code_;
        const int code = sqlite3_step(stmt_);
        if (code != SQLITE_ROW && code != SQLITE_DONE) code_ = code;
        return code;
    }

    std::int64_t Int(int column) const { return sqlite3_column_int64(stmt_, column); }
    double Real(int column) const { return sqlite3_column_double(stmt_, column); }
    bool IsNull(int column) const { return sqlite3_column_type(stmt_, column) == SQLITE_NULL; }
    // A text column as it stands in the row, valid until the next Step.
    std::string_view View(int column) const {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
        return text ? std::string_view(text, static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column)))
                    : std::string_view();
    }
    std::string Text(int column) const { return std::string(View(column)); }
    // The first byte of a text column, or 0.
    char FirstChar(int column) const {
        const auto* text = sqlite3_column_text(stmt_, column);
        return text ? static_cast<char>(text[0]) : '\0';
    }

private:
    Statement& Check(int code) {
        if (code != SQLITE_OK && code_ == SQLITE_OK) code_ = code;
        return *this;
    }
    sqlite3_stmt* stmt_ = nullptr;
    int code_ = SQLITE_OK;
};

}  // namespace kestran::record
