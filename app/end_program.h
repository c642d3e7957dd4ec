// The one way the program ends normally: Esc confirmed, the dialog closed,
// the session ending, a request to terminate, a quit message.
#pragma once

namespace kestran {

// The features finish what the learner must not lose (a bounded wait),
// then the process exits with `status`. UiThread only.
[[noreturn]] void EndProgram(int status);

}  // namespace kestran
