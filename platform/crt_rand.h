// The C runtime's pseudo-random generator as the drill expects it: values
// 0..32767 and a state of its own on every thread, so seeding on one thread
// never disturbs the draws of another.
#pragma once

namespace plat {

inline constexpr int kRandMax = 32767;

void srand(unsigned seed);
int rand();

}  // namespace plat
