// Judging and scoring the answers of a test.
#pragma once

namespace kestran {

void CheckTestAnswer();
void DrawNextTestWord();
void FinishTest(float numerator, bool appendDigits);

// The score of `numerator` correct answers out of `count`: the quotient in
// double precision times 100.0, truncated toward zero. 0 when the list has
// no entries.
int TestScore(float numerator, float count);

}  // namespace kestran
