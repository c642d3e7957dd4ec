#include "platform/crt_rand.h"

#include <cstdint>

namespace plat {
namespace {
// Unseeded threads start as if seeded with 1, like the C runtime.
thread_local std::uint32_t tState = 1;
}  // namespace

void srand(unsigned seed) { tState = seed; }

int rand() {
    // The linear congruential step of the classic Windows C runtime.
    tState = tState * 214013u + 2531011u;
    return static_cast<int>((tState >> 16) & 0x7FFF);
}

}  // namespace plat
