// Fixed-size arrays indexed from 1, matrices stored by columns.
#pragma once

#include <cassert>
#include <cstddef>

// A vector of N values, v(1) .. v(N).
template <class T, int N>
struct Vec {
    T v[N];

    T& operator()(int i) {
        assert(i >= 1 && i <= N);
        return v[i - 1];
    }
    const T& operator()(int i) const {
        assert(i >= 1 && i <= N);
        return v[i - 1];
    }
    T* data() { return v; }
    const T* data() const { return v; }
    static constexpr int size() { return N; }
    void fill(const T& x) {
        for (T& e : v) e = x;
    }
    friend bool operator==(const Vec&, const Vec&) = default;
};

// An R by C matrix, m(i, j) is row i, column j; columns are contiguous.
template <class T, int R, int C>
struct Mat {
    T v[R * C];

    T& operator()(int i, int j) {
        assert(i >= 1 && i <= R && j >= 1 && j <= C);
        return v[(j - 1) * R + (i - 1)];
    }
    const T& operator()(int i, int j) const {
        assert(i >= 1 && i <= R && j >= 1 && j <= C);
        return v[(j - 1) * R + (i - 1)];
    }
    // Column j as a pointer to its R contiguous values.
    T* column(int j) {
        assert(j >= 1 && j <= C);
        return v + (j - 1) * R;
    }
    const T* column(int j) const {
        assert(j >= 1 && j <= C);
        return v + (j - 1) * R;
    }
    T* data() { return v; }
    const T* data() const { return v; }
    static constexpr int rows() { return R; }
    static constexpr int cols() { return C; }
    void fill(const T& x) {
        for (T& e : v) e = x;
    }
    friend bool operator==(const Mat&, const Mat&) = default;
};

// A three-index array a(i, j, k), the first index varying fastest.
template <class T, int A, int B, int C>
struct Arr3 {
    T v[A * B * C];

    T& operator()(int i, int j, int k) {
        assert(i >= 1 && i <= A && j >= 1 && j <= B && k >= 1 && k <= C);
        return v[((k - 1) * B + (j - 1)) * A + (i - 1)];
    }
    const T& operator()(int i, int j, int k) const {
        assert(i >= 1 && i <= A && j >= 1 && j <= B && k >= 1 && k <= C);
        return v[((k - 1) * B + (j - 1)) * A + (i - 1)];
    }
    void fill(const T& x) {
        for (T& e : v) e = x;
    }
};
