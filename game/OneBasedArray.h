#pragma once

#include <array>
#include <cstddef>

namespace tarnwick {

/// A fixed array indexed from 1, read and written as `array(i)`, so that
/// hole numbers index it directly. An index outside 1..Size throws
/// std::out_of_range instead of touching memory it does not own.
template <typename T, std::size_t Size> class OneBasedArray {
public:
    constexpr T& operator()(int index) { return m_items.at(offset(index)); }
    constexpr const T& operator()(int index) const { return m_items.at(offset(index)); }

    constexpr void fill(const T& value) { m_items.fill(value); }
    constexpr auto begin() const { return m_items.begin(); }
    constexpr auto end() const { return m_items.end(); }

    friend constexpr bool operator==(const OneBasedArray&, const OneBasedArray&) = default;

private:
    // A negative index wraps to a huge size_t, which at() rejects as well.
    static constexpr std::size_t offset(int index) { return static_cast<std::size_t>(index) - 1; }

    std::array<T, Size> m_items {};
};

/// A fixed two-dimensional array indexed from 1 in both directions.
template <typename T, std::size_t Rows, std::size_t Columns> class OneBasedGrid {
public:
    constexpr T& operator()(int row, int column) { return m_rows(row)(column); }
    constexpr const T& operator()(int row, int column) const { return m_rows(row)(column); }

    constexpr void fill(const T& value)
    {
        for (int row = 1; row <= static_cast<int>(Rows); ++row) {
            for (int column = 1; column <= static_cast<int>(Columns); ++column) {
                (*this)(row, column) = value;
            }
        }
    }

    friend constexpr bool operator==(const OneBasedGrid&, const OneBasedGrid&) = default;

private:
    OneBasedArray<OneBasedArray<T, Columns>, Rows> m_rows {};
};

} // namespace tarnwick
