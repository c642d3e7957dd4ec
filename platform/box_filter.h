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

// Enlarging, a box repeats each source cell as a block: between the two
// nearest source cells the weights run linearly instead (a tent), the edge
// cells continuing outward. Shrinking, the box as above.
inline std::vector<std::vector<BoxTap>> ResizeTaps(int source, int target) {
    if (target <= source) return AreaTaps(source, target);
    std::vector<std::vector<BoxTap>> taps(static_cast<std::size_t>(target));
    const double scale = static_cast<double>(source) / target;
    for (int i = 0; i < target; ++i) {
        const double centre = (i + 0.5) * scale - 0.5;
        const int left = static_cast<int>(std::floor(centre));
        const double right = centre - left;
        const int first = std::clamp(left, 0, source - 1), second = std::clamp(left + 1, 0, source - 1);
        auto& tap = taps[static_cast<std::size_t>(i)];
        if (first == second) {
            tap.push_back({first, 1.0});
        } else {
            tap.push_back({first, 1.0 - right});
            tap.push_back({second, right});
        }
    }
    return taps;
}

}  // namespace plat
