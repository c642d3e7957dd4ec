// Places for frames' pixels in a segment of memory shared with the X server.
// A place stays taken from the moment its pixels are written until the
// server says it has read them; the server reads the places in the order
// they were sent, so the taken ones form a run that wraps around the
// segment's end, and each report frees the oldest places up to the one named.
#pragma once

#include <algorithm>
#include <cstddef>
#include <deque>
#include <optional>

namespace plat::qt {

class SharedPixelRing {
public:
    explicit SharedPixelRing(std::size_t size) : size_(size) {}

    // The offset of `bytes` bytes in one piece that the server no longer
    // reads, now taken; none while the server still holds too much of the
    // segment, or for more than the segment holds.
    std::optional<std::size_t> Take(std::size_t bytes) {
        if (bytes == 0 || bytes > size_) return std::nullopt;
        std::size_t at = 0;
        if (!taken_.empty()) {
            const std::size_t head = taken_.back().end;
            const std::size_t tail = taken_.front().offset;
            if (head > tail) {  // taken: [tail, head); free after head and before tail
                if (size_ - head >= bytes)
                    at = head;
                else if (tail >= bytes)
                    at = 0;
                else
                    return std::nullopt;
            } else {  // wrapped round: free only between head and tail
                if (tail - head < bytes) return std::nullopt;
                at = head;
            }
        }
        taken_.push_back(Place{at, at + bytes});
        return at;
    }

    // The server has read the place at `offset`, and so every place sent
    // before it. An offset of no taken place frees nothing.
    void Release(std::size_t offset) {
        const auto read = std::find_if(taken_.begin(), taken_.end(),
                                       [offset](const Place& place) { return place.offset == offset; });
        if (read != taken_.end()) taken_.erase(taken_.begin(), read + 1);
    }

    bool Idle() const { return taken_.empty(); }

private:
    struct Place {
        std::size_t offset;
        std::size_t end;
    };
    std::size_t size_;
    std::deque<Place> taken_;
};

}  // namespace plat::qt
