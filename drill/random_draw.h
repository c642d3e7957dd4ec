// Random picks of list indices on the calling thread's generator, and the
// slot accesses of the drawn-index array shared by practice and test.
#pragma once

#include <cstdint>

#include "platform/crt_rand.h"

namespace kestran {

// Up to this many entries one rand() value reaches every index, and the
// pick is rand() % count as the drill has always made it.
inline constexpr int kSingleValueDrawLimit = plat::kRandMax + 1;

// An index in 0..count-1 (count >= 1).
//
// Lists longer than one rand() value reaches take their picks from a 64-bit
// generator seeded with two rand() values of the calling thread, so every
// index can come up and the picks still follow the thread's seeding. One
// seeding serves all the draws of one pick, which keeps the rejected draws
// at the end of a long pass cheap.
int DrawIndex(int count);

// Draws until the index differs from `avoid`. With one entry there is no
// other index: its only index is taken after one draw.
int DrawIndexOtherThan(int count, int avoid);

// Rejection sampling: draws until the index equals none of slots[0] to
// slots[used - 1], and yields the same index a scan of those slots would.
// Membership is looked up in a bitmap, so the last pick of a long pass costs
// one table build and cheap draws instead of a scan per draw. When the
// slots already hold every index, the draw takes no exclusion.
int DrawIndexNotAmong(int count, const std::int32_t* slots, int used);

// The slots are read and written by the ticker and by UiThread; each access
// is indivisible.
std::int32_t ReadSlot(const std::int32_t* slots, int index);
void WriteSlot(std::int32_t* slots, int index, std::int32_t value);

}  // namespace kestran
