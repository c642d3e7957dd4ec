#include "drill/random_draw.h"

#include <atomic>
#include <cstdint>
#include <vector>

namespace kestran {
namespace {

// 2^30: two 15-bit values cover every index below it.
constexpr long long kTwoValueDrawLimit = 1LL << 30;

class IndexBitmap {
public:
    void Reset(int count) { words_.assign((static_cast<std::size_t>(count) + 63) / 64, 0); }
    bool Has(int index) const { return (words_[Word(index)] >> Bit(index)) & 1u; }
    void Add(int index) { words_[Word(index)] |= std::uint64_t{1} << Bit(index); }
    // The first index not in the set at or after `from`, wrapping around.
    int FirstFreeFrom(int from, int count) const {
        for (int step = 0; step < count; ++step) {
            int index = (from + step) % count;
            if (!Has(index)) return index;
        }
        return from;
    }

private:
    static std::size_t Word(int index) { return static_cast<std::size_t>(index) >> 6; }
    static unsigned Bit(int index) { return static_cast<unsigned>(index) & 63u; }
    std::vector<std::uint64_t> words_;
};

IndexBitmap& ThreadBitmap() {
    thread_local IndexBitmap bitmap;
    return bitmap;
}

}  // namespace

int DrawIndex(int count) {
    if (count <= 1) return count == 1 ? plat::rand() % 1 : 0;
    if (count <= kSingleValueDrawLimit) return plat::rand() % count;
    std::uint64_t value = static_cast<std::uint64_t>(plat::rand()) << 15;
    value |= static_cast<std::uint64_t>(plat::rand());
    if (count > kTwoValueDrawLimit) value = (value << 15) | static_cast<std::uint64_t>(plat::rand());
    return static_cast<int>(value % static_cast<std::uint64_t>(count));
}

int DrawIndexOtherThan(int count, int avoid) {
    int index = DrawIndex(count);
    // One entry, or nothing to avoid in range: the first draw stands.
    if (count <= 1 || avoid < 0 || avoid >= count) return index;
    while (index == avoid) index = DrawIndex(count);
    return index;
}

int DrawIndexNotAmong(int count, const std::int32_t* slots, int used) {
    if (count <= 0) return 0;
    if (!slots || used <= 0) return DrawIndex(count);

    IndexBitmap& taken = ThreadBitmap();
    taken.Reset(count);
    int distinct = 0;
    for (int i = 0; i < used; ++i) {
        std::int32_t value = ReadSlot(slots, i);
        // A slot outside the list (left from an earlier list) can never equal a draw.
        if (value < 0 || value >= count || taken.Has(value)) continue;
        taken.Add(value);
        ++distinct;
    }
    if (distinct >= count) return DrawIndex(count);

    // Every index is reachable, so the loop ends long before this bound; the
    // bound only makes "never draw for ever" independent of the generator.
    const long long maxDraws = 64LL * count + 1024;
    int index = 0;
    for (long long draws = 0; draws < maxDraws; ++draws) {
        index = DrawIndex(count);
        if (!taken.Has(index)) return index;
    }
    return taken.FirstFreeFrom(index, count);
}

std::int32_t ReadSlot(const std::int32_t* slots, int index) {
    return std::atomic_ref<std::int32_t>(const_cast<std::int32_t&>(slots[index])).load(std::memory_order_relaxed);
}

void WriteSlot(std::int32_t* slots, int index, std::int32_t value) {
    std::atomic_ref<std::int32_t>(slots[index]).store(value, std::memory_order_relaxed);
}

}  // namespace kestran
