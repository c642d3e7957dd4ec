#include "drill/random_draw.h"

#include <atomic>
#include <cstdint>
#include <vector>

namespace kestran {
namespace {

// The picks of one draw over a list longer than rand() reaches.
class LongListDraws {
public:
    explicit LongListDraws(int count) : count_(static_cast<std::uint64_t>(count)) {
        state_ = static_cast<std::uint64_t>(plat::rand()) << 15;
        state_ |= static_cast<std::uint64_t>(plat::rand());
    }
    int Next() {
        // splitmix64, then the top 32 bits scaled onto 0..count-1.
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        z ^= z >> 31;
        return static_cast<int>(((z >> 32) * count_) >> 32);
    }

private:
    std::uint64_t count_;
    std::uint64_t state_ = 0;
};

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
    return LongListDraws(count).Next();
}

int DrawIndexOtherThan(int count, int avoid) {
    // One entry, or nothing to avoid in range: the first draw stands.
    if (count <= 1 || avoid < 0 || avoid >= count) return DrawIndex(count);
    if (count <= kSingleValueDrawLimit) {
        int index = plat::rand() % count;
        while (index == avoid) index = plat::rand() % count;
        return index;
    }
    LongListDraws draws(count);
    int index = draws.Next();
    while (index == avoid) index = draws.Next();
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
    if (count <= kSingleValueDrawLimit) {
        for (long long draws = 0; draws < maxDraws; ++draws) {
            index = plat::rand() % count;
            if (!taken.Has(index)) return index;
        }
    } else {
        LongListDraws candidates(count);
        for (long long draws = 0; draws < maxDraws; ++draws) {
            index = candidates.Next();
            if (!taken.Has(index)) return index;
        }
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
