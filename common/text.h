// Fixed-width texts: always N characters, padded with blanks, compared as
// blank-padded texts ("1" equals "1" followed by blanks).
#pragma once

#include <cstring>
#include <string>
#include <string_view>

// True when a and b are equal once the shorter is padded with blanks.
inline bool padded_equal(std::string_view a, std::string_view b) {
    const std::size_t n = a.size() > b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        const char ca = i < a.size() ? a[i] : ' ';
        const char cb = i < b.size() ? b[i] : ' ';
        if (ca != cb) return false;
    }
    return true;
}

template <int N>
struct Text {
    char c[N];

    Text() { std::memset(c, ' ', N); }
    Text(std::string_view s) { assign(s); }  // NOLINT: texts convert like CHARACTER assignment

    // Assignment cuts a longer text and pads a shorter one with blanks.
    void assign(std::string_view s) {
        const std::size_t n = s.size() < std::size_t(N) ? s.size() : std::size_t(N);
        std::memcpy(c, s.data(), n);
        std::memset(c + n, ' ', N - n);
    }
    Text& operator=(std::string_view s) {
        assign(s);
        return *this;
    }
    void blank() { std::memset(c, ' ', N); }

    std::string_view view() const { return std::string_view(c, N); }
    operator std::string_view() const { return view(); }  // NOLINT
    std::string str() const { return std::string(c, N); }
    // The text without its trailing blanks.
    std::string_view trimmed() const {
        int n = N;
        while (n > 0 && c[n - 1] == ' ') --n;
        return std::string_view(c, n);
    }
    bool is_blank() const { return trimmed().empty(); }
    // Characters i to j (1-based, inclusive).
    std::string_view sub(int i, int j) const { return std::string_view(c + i - 1, j - i + 1); }
    char& operator()(int i) { return c[i - 1]; }
    char operator()(int i) const { return c[i - 1]; }
    static constexpr int size() { return N; }

    friend bool operator==(const Text& a, std::string_view b) { return padded_equal(a.view(), b); }
    template <int M>
    friend bool operator==(const Text& a, const Text<M>& b) {
        return padded_equal(a.view(), b.view());
    }
};
