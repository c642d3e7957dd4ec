// The keyboard front end of UiThread: every key-down passes through here
// before the focused control sees it.
#pragma once

namespace kestran {

// Applies the key's row of the table to the drill state. Returns whether the
// key-down is to be handed on to the focused control.
bool HandleKeyDown(int virtualKey);

}  // namespace kestran
