// A check that stops a fuzz run with the failing line, as a finding.
#pragma once

#include <cstdio>
#include <cstdlib>

#define CHECK(condition)                                                               \
    do {                                                                               \
        if (!(condition)) {                                                            \
            std::fprintf(stderr, "check failed at line %d: %s\n", __LINE__, #condition); \
            std::abort();                                                              \
        }                                                                              \
    } while (0)
