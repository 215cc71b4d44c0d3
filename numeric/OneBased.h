#pragma once
// One-based vectors and matrices, so formulas read like the text they come
// from (v[1..n], a(1..r, 1..c)).  Index 0 exists too: some matrices keep
// row and column 0 for summary values.
#include <cassert>
#include <cstddef>
#include <vector>

namespace corvane {

template <class T>
class Vec1 {
public:
    Vec1() = default;
    explicit Vec1(int n, const T& fill = T()) { resize(n, fill); }

    int size() const { return data_.empty() ? 0 : static_cast<int>(data_.size()) - 1; }
    bool empty() const { return size() == 0; }

    // Like a fresh dimensioning: old contents are discarded.
    void resize(int n, const T& fill = T()) {
        data_.assign(static_cast<std::size_t>(n < 0 ? 0 : n) + 1, fill);
    }
    // Keeps elements 1..min(old, n).
    void resizePreserve(int n, const T& fill = T()) {
        data_.resize(static_cast<std::size_t>(n < 0 ? 0 : n) + 1, fill);
    }

    T& operator[](int i) {
        assert(i >= 0 && static_cast<std::size_t>(i) < data_.size());
        return data_[static_cast<std::size_t>(i)];
    }
    const T& operator[](int i) const {
        assert(i >= 0 && static_cast<std::size_t>(i) < data_.size());
        return data_[static_cast<std::size_t>(i)];
    }

    bool operator==(const Vec1& other) const = default;

    // Raw access for algorithms that want a pointer (element 0 first).
    T* data() { return data_.data(); }
    const T* data() const { return data_.data(); }

private:
    std::vector<T> data_;
};

template <class T>
class Mat1 {
public:
    Mat1() = default;
    Mat1(int rows, int cols, const T& fill = T()) { resize(rows, cols, fill); }

    int rows() const { return rows_; }
    int cols() const { return cols_; }

    void resize(int rows, int cols, const T& fill = T()) {
        rows_ = rows < 0 ? 0 : rows;
        cols_ = cols < 0 ? 0 : cols;
        data_.assign(static_cast<std::size_t>(rows_ + 1) * static_cast<std::size_t>(cols_ + 1), fill);
    }

    T& operator()(int r, int c) {
        assert(r >= 0 && r <= rows_ && c >= 0 && c <= cols_);
        return data_[static_cast<std::size_t>(r) * static_cast<std::size_t>(cols_ + 1) + static_cast<std::size_t>(c)];
    }
    const T& operator()(int r, int c) const {
        assert(r >= 0 && r <= rows_ && c >= 0 && c <= cols_);
        return data_[static_cast<std::size_t>(r) * static_cast<std::size_t>(cols_ + 1) + static_cast<std::size_t>(c)];
    }

    bool operator==(const Mat1& other) const = default;

private:
    int rows_ = 0;
    int cols_ = 0;
    std::vector<T> data_;
};

}  // namespace corvane
