// Whether the learner is drilling, so that a practice word crossing the
// canvas untyped counts as a miss only when someone was there to type it.
//
// A crossing counts when the window is active as the word leaves and a key
// was pressed in it during that word's crossing or the one before, and not
// longer ago than a minute. Practice left running on its own, or behind
// another window, adds nothing to the book; a learner who misses one word
// after typing the one before (or typed part of this one) gets the miss.
#pragma once

#include "platform/platform.h"

namespace kestran::wordbook {

// Sets the hooks that tell of activation and the words shown. Once, at
// start-up.
void InstallLearnerPresence();

// UiThread: every message its loop retrieves (the book's message hook
// passes them on): a key pressed in the window shows the learner is there.
void NoteUiMessage(const plat::Message& message);

// TickerThread, as a word crosses untyped: whether that is a miss.
bool LearnerWasDrilling();

// Back to the state at start-up. Tests only.
void ForgetLearnerPresenceForTest();

}  // namespace kestran::wordbook
