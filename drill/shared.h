// Field types for state that three threads use without a lock. Every access
// is indivisible and visible to the other threads; a text is always read or
// written whole, never seen half-changed.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

namespace kestran {

// Called after every write that changed a field's value (drill/change_signal.cpp):
// the canvas sleeps through display refreshes at which nothing it shows can
// have changed, and a change wakes it.
void NoteSharedChange() noexcept;

// A scalar field. Plain reads and assignments are sequentially consistent,
// which also gives the flag handovers between threads their ordering.
template <class T>
class Shared {
public:
    constexpr Shared(T initial = T{}) noexcept : value_(initial) {}
    Shared(const Shared&) = delete;
    Shared& operator=(const Shared&) = delete;

    operator T() const noexcept { return value_.load(); }
    Shared& operator=(T v) noexcept {
        store(v);
        return *this;
    }
    T load(std::memory_order order = std::memory_order_seq_cst) const noexcept { return value_.load(order); }
    void store(T v, std::memory_order order = std::memory_order_seq_cst) noexcept {
        if (!(value_.exchange(v, order) == v)) NoteSharedChange();
    }

private:
    std::atomic<T> value_;
};

// A one-byte boolean holding only 0 or 1.
using Flag = Shared<std::uint8_t>;

// Stores 1 if the flag was 0 and 0 otherwise.
inline void Toggle(Flag& flag) { flag = flag == 0 ? 1 : 0; }

// A fixed-size NUL-terminated byte text.
template <std::size_t N>
class SharedText {
public:
    using Bytes = std::array<char, N>;

    SharedText(const char* initial = "") { Set(initial); }
    SharedText(const SharedText&) = delete;
    SharedText& operator=(const SharedText&) = delete;

    // Copies at most N - 1 bytes and always terminates.
    void Set(const char* text) {
        Bytes fresh{};
        if (text) std::memcpy(fresh.data(), text, strnlen(text, N - 1));
        Replace(fresh);
    }
    // Appends as much as fits, keeping the NUL.
    void Append(const char* text) {
        bool changed = false;
        {
            std::lock_guard lock(mutex_);
            std::size_t used = std::strlen(bytes_.data());
            const std::size_t added = text && used < N - 1 ? strnlen(text, N - 1 - used) : 0;
            std::memcpy(bytes_.data() + used, text ? text : "", added);
            changed = added > 0;
        }
        if (changed) NoteSharedChange();
    }
    void Clear() { Replace(Bytes{}); }
    // "%d", as the narrow formatting call writes it.
    void SetNumber(int value) {
        char digits[16];
        std::snprintf(digits, sizeof digits, "%d", value);
        Set(digits);
    }
    Bytes Get() const {
        std::lock_guard lock(mutex_);
        return bytes_;
    }
    std::string Str() const { return std::string(Get().data()); }

private:
    void Replace(const Bytes& fresh) {
        bool changed = false;
        {
            std::lock_guard lock(mutex_);
            changed = bytes_ != fresh;
            bytes_ = fresh;
        }
        if (changed) NoteSharedChange();
    }

    mutable std::mutex mutex_;
    Bytes bytes_{};
};

}  // namespace kestran
