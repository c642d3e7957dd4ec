// Small steps that the loader, the keys, the ticker, the test checker and
// the buttons all take.
#pragma once

#include <cstdint>

#include "drill/shared.h"

namespace kestran {

// Where a word enters the canvas.
inline constexpr std::int32_t kWordStartX = -20;
inline constexpr char kHitSound[] = "RES\\41.wav";
// The answer box is read into 64 bytes: 63 bytes of text and the NUL.
inline constexpr int kAnswerBufferSize = 64;

inline void Increment(Shared<std::int32_t>& field) { field = field + 1; }
inline void Increment(Shared<float>& field) { field = field + 1.0f; }

// Empties the answer box; from another thread the call waits for UiThread.
void ClearAnswerBox();
// Reads the answer box into typed and typedAnswer.
void ReadAnswerBox(char (&typed)[kAnswerBufferSize]);
// The random progress count back at the first word.
void RestartRandomProgress();
// A finished practice pass or a test result waits for its acknowledgement,
// after which the next round begins.
bool RoundAwaitsAcknowledgement();

}  // namespace kestran
