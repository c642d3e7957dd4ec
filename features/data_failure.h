// Telling the learner, once, that the data folder cannot be read or written:
// the first failure of a run (from the store of any feature, on whatever
// thread it happened) shows a message box on UiThread naming the folder.
// Nothing is shown while nothing fails.
#pragma once

namespace kestran::data_failure {

// The message a failing thread posts to MainDialog to have UiThread tell.
inline constexpr unsigned kTellMessage = 0x8000 + 0x44;  // WM_APP + 'D'

// Makes the store report here. Once, at start-up.
void Install();

// Whether the learner has been told in this run. Tests only.
bool ToldForTest();
// Forgets that the learner was told. Tests only.
void ResetForTest();

}  // namespace kestran::data_failure
