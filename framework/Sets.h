// Sets of named values of an enumeration, as published option sets are.
#pragma once

#include <cstdint>
#include <initializer_list>

namespace ui {

template <typename E, int Count>
class TSet {
    static_assert(Count > 0 && Count <= 32, "a set holds at most 32 members");

public:
    constexpr TSet() = default;
    constexpr TSet(std::initializer_list<E> members) {
        for (E m : members) bits_ |= Bit(m);
    }
    static constexpr TSet All() {
        TSet s;
        for (int i = 0; i < Count; ++i) s.bits_ |= 1u << i;
        return s;
    }

    constexpr bool Contains(E m) const { return (bits_ & Bit(m)) != 0; }
    constexpr bool Empty() const { return bits_ == 0; }
    TSet& Include(E m) {
        bits_ |= Bit(m);
        return *this;
    }
    TSet& Exclude(E m) {
        bits_ &= ~Bit(m);
        return *this;
    }
    friend constexpr bool operator==(TSet a, TSet b) { return a.bits_ == b.bits_; }
    friend constexpr bool operator!=(TSet a, TSet b) { return a.bits_ != b.bits_; }

private:
    static constexpr uint32_t Bit(E m) { return 1u << static_cast<int>(m); }
    uint32_t bits_ = 0;
};

}  // namespace ui
