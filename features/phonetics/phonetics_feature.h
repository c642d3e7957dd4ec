// 显示音标: the moving practice word shows its phonetic transcription beside
// it, for any list whose words the word books' phonetic table has. A toggle
// in the features' menu, kept in the settings file, off until the learner
// turns it on; while off, the canvas is drawn exactly as without it.
#pragma once

namespace kestran::phonetics {

// Tells the phonetic table where it is: phonetics.tsv in the word books'
// folder. Once, at start-up, before the features that read the table.
void FindTableInLibrary();

// Adds the menu item and the hook. Once, at start-up.
void Install();

// Returns once the toggle's last change is in the settings file. Tests only.
void FlushSettingsForTest();

}  // namespace kestran::phonetics
