// The study record's tables, as SQL text: the one place that says what the
// record file holds. The record's writer creates them; the report and any
// other reader rely on these names and meanings. Columns and tables may be
// added later; these are never renamed.
//
//   day      the learner's day: days since 1970-01-01 of local time minus
//            4 hours, so that a session past midnight counts for the evening
//   "known"  a card with stability >= 21 days; "learning" a card with less;
//            "new" an entry with no card; "due" a card whose retrievability
//            today is under the target (0.9 unless the learner set another)
#pragma once

namespace kestran::record {

inline constexpr int kSchemaVersion = 2;  // PRAGMA user_version; 2 added events.due

inline constexpr const char kSchemaSql[] = R"SQL(
CREATE TABLE IF NOT EXISTS events(
  id INTEGER PRIMARY KEY,
  at INTEGER NOT NULL,              -- Unix ms, UTC
  day INTEGER NOT NULL,             -- the learner's day (see above)
  kind TEXT NOT NULL,               -- 'test', 'hit', 'miss'
  list TEXT NOT NULL,               -- the list's path, UTF-8
  book TEXT,                        -- word-book folder, e.g. 四级; NULL otherwise
  chapter INTEGER,                  -- chapter number within the book, or NULL
  word TEXT NOT NULL,
  meaning TEXT NOT NULL,            -- UTF-8
  right INTEGER,                    -- 1/0
  ms INTEGER,                       -- typing time; NULL for a miss
  letters INTEGER NOT NULL,         -- letters in the word
  review INTEGER NOT NULL DEFAULT 0,-- 1: the day's first judgement of the entry
  grade INTEGER,                    -- 1..4 Again..Easy; NULL when not a review
  due INTEGER                       -- 1/0: a review of an entry that was due; NULL when
                                    -- not a review of a known entry, or kept before version 2
);
CREATE TABLE IF NOT EXISTS tests(
  id INTEGER PRIMARY KEY,
  at INTEGER NOT NULL,
  day INTEGER NOT NULL,
  list TEXT NOT NULL,
  book TEXT,
  chapter INTEGER,
  score INTEGER NOT NULL,
  right INTEGER NOT NULL,
  wrong INTEGER NOT NULL
);
CREATE TABLE IF NOT EXISTS cards(
  word TEXT NOT NULL,
  meaning TEXT NOT NULL,
  state INTEGER NOT NULL,           -- 1 learning, 2 review, 3 relearning
  stability REAL NOT NULL,          -- days
  difficulty REAL NOT NULL,         -- 1..10
  last_at INTEGER NOT NULL,         -- Unix ms of the last judgement
  first_day INTEGER NOT NULL,       -- the learner's day it was first drilled
  reps INTEGER NOT NULL,
  lapses INTEGER NOT NULL,
  last_day INTEGER NOT NULL DEFAULT 0, -- the learner's day of last_at
  PRIMARY KEY(word, meaning)
);
-- Which word books an entry was drilled from (an entry may be in several).
CREATE TABLE IF NOT EXISTS card_books(
  word TEXT NOT NULL,
  meaning TEXT NOT NULL,
  book TEXT NOT NULL,
  PRIMARY KEY(book, word, meaning)
);
CREATE INDEX IF NOT EXISTS events_by_day ON events(day);
CREATE INDEX IF NOT EXISTS events_by_entry ON events(word, meaning);
)SQL";

}  // namespace kestran::record
