// A learner simulated over many days, written straight into a study record
// (the record's own tables), with every figure the report should show
// counted on the side as the simulation goes. The clock is the simulation's:
// each event's time is noon UTC of its day plus seconds, so with TZ=UTC the
// learner's day of an event is its day.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace kestran::reporttest {

struct SimConfig {
    int today = 20700;       // the last simulated day
    int days = 90;           // simulated days, ending today
    int newPerDay = 12;      // new entries a studied day
    int practicePasses = 1;  // practice passes over the day's new entries
    double studyChance = 0.8;
    int streakTail = 9;      // the last days are all studied; the day before is not
    std::uint32_t seed = 7;
};

struct Tally {
    int count = 0, right = 0;
    std::int64_t ms = 0, letters = 0;
};

struct SimCard {
    std::string word, meaning, book;
    double stability = 0;
    int firstDay = 0, lastDay = 0;
    std::int64_t lastAt = 0;
};

struct SimTest {
    std::string list, name;
    int day = 0, score = 0;
};

// What the simulation did, counted its own way.
struct SimTruth {
    std::map<int, int> answers;             // events a day
    std::map<int, int> newWords;            // entries first drilled a day
    std::map<int, Tally> reviews;           // a day: first judgements of older entries, right ones
    std::map<int, Tally> typing;            // a day: right answers and hits with their times
    std::vector<SimTest> tests;             // in order
    std::map<std::pair<std::string, std::string>, std::pair<int, int>> misses;  // entry: count, last day
    std::vector<SimCard> cards;
    std::int64_t events = 0;
};

// Simulates into a new record file at `utf8Path` (created with the
// record's schema) and answers what it did.
SimTruth SimulateLearner(const std::string& utf8Path, const SimConfig& config);

// The books the simulation draws from, as books.tsv lines.
std::string SimulatedCatalogue();

}  // namespace kestran::reporttest
