// Judging and scoring the answers of a test.
#pragma once

namespace kestran {

void CheckTestAnswer();
void DrawNextTestWord();
void FinishTest(float numerator, bool appendDigits);

}  // namespace kestran
