// The taps of a box filter: which source cells each target cell covers and
// what share of it each one gives. Both canvas devices resize pictures with it.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace plat {

struct BoxTap {
    int index;
    double weight;
};

inline std::vector<std::vector<BoxTap>> AreaTaps(int source, int target) {
    std::vector<std::vector<BoxTap>> taps(static_cast<std::size_t>(target));
    const double scale = static_cast<double>(source) / target;
    for (int i = 0; i < target; ++i) {
        const double from = i * scale, to = (i + 1) * scale;
        const int last = std::min(source, static_cast<int>(std::ceil(to)));
        for (int j = static_cast<int>(std::floor(from)); j < last; ++j) {
            const double overlap = std::min(to, j + 1.0) - std::max(from, static_cast<double>(j));
            if (overlap > 0) taps[static_cast<std::size_t>(i)].push_back({j, overlap / scale});
        }
    }
    return taps;
}

}  // namespace plat
