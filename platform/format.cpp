// The field-format interpreter: parsing a format once into a flat program of
// edit operations, then writing items into records and reading items from
// records through it.
#include "platform/format.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

//---- parsed program ----

enum class OpKind : uint8_t {
    int_field,    // Iw
    fixed_field,  // Fw.d
    exp_d_field,  // Dw.d
    exp_e_field,  // Ew.d
    text_field,   // Aw, or A (w = 0: the item's own length)
    skip,         // nX
    literal,      // quoted text
    slash,        // end of record
    dollar,       // the record is left open
    group_begin,  // r( ; pair = index of the matching group_end
    group_end,    // ) ; pair = index of the matching group_begin
};

struct Op {
    OpKind kind;
    int32_t rep = 1;   // repeat count of a field or group
    int32_t w = 0;     // field width, or blanks of nX
    int32_t d = 0;     // digits after the point
    int32_t pair = 0;  // matching group bracket; literal: offset in the literal pool
    int32_t len = 0;   // literal: length
};

bool is_data(OpKind k) { return k <= OpKind::text_field; }

}  // namespace

struct FieldFormat::Program {
    std::string source;
    std::vector<Op> ops;
    std::string literals;
    int32_t reversion = 0;  // where the format starts again for a new record
    bool valid = true;
};

namespace {

constexpr int kMaxDepth = 16;  // nesting of groups

class Parser {
public:
    Parser(std::string_view s, FieldFormat::Program& p) : s_(s), p_(p) {}

    void run() {
        skip_blanks();
        // Outer brackets around the whole list are optional.
        size_t end = s_.size();
        while (end > 0 && s_[end - 1] == ' ') --end;
        if (i_ < end && s_[i_] == '(' && matching(i_) == end - 1) {
            ++i_;
            s_ = s_.substr(0, end - 1);
        }
        int depth = 0;
        int32_t open[kMaxDepth];
        while (ok_) {
            skip_blanks();
            if (i_ >= s_.size()) break;
            const char c = s_[i_];
            if (c == ',') {
                ++i_;
                continue;
            }
            if (c == '\'' || c == '"') {
                literal(c);
                continue;
            }
            if (c == '/') {
                ++i_;
                push(OpKind::slash, 1, 0, 0);
                continue;
            }
            if (c == '$' || c == '\\') {
                ++i_;
                push(OpKind::dollar, 1, 0, 0);
                continue;
            }
            if (c == ')') {
                ++i_;
                if (depth == 0) {
                    ok_ = false;
                    break;
                }
                const int32_t b = open[--depth];
                p_.ops[size_t(b)].pair = int32_t(p_.ops.size());
                push(OpKind::group_end, 1, 0, 0);
                p_.ops.back().pair = b;
                continue;
            }
            int32_t rep = 1;
            const bool has_rep = number(rep);
            skip_blanks();
            if (i_ >= s_.size()) {
                ok_ = false;
                break;
            }
            const char l = char(s_[i_] & ~0x20);  // upper case for letters
            if (s_[i_] == '(') {
                ++i_;
                if (depth == kMaxDepth) {
                    ok_ = false;
                    break;
                }
                if (depth == 0) p_.reversion = int32_t(p_.ops.size());
                open[depth++] = int32_t(p_.ops.size());
                push(OpKind::group_begin, rep, 0, 0);
                continue;
            }
            ++i_;
            if (l == 'X') {
                push(OpKind::skip, 1, has_rep ? rep : 1, 0);
                continue;
            }
            OpKind k;
            switch (l) {
                case 'I':
                    k = OpKind::int_field;
                    break;
                case 'F':
                    k = OpKind::fixed_field;
                    break;
                case 'D':
                    k = OpKind::exp_d_field;
                    break;
                case 'E':
                    k = OpKind::exp_e_field;
                    break;
                case 'A':
                    k = OpKind::text_field;
                    break;
                default:
                    ok_ = false;
                    continue;
            }
            int32_t w = 0, d = 0;
            skip_blanks();
            const bool has_w = number(w);
            if (!has_w && k != OpKind::text_field) {
                ok_ = false;
                break;
            }
            skip_blanks();
            // F, D and E need their digits after the point; I and A have none.
            const bool real_field =
                k == OpKind::fixed_field || k == OpKind::exp_d_field || k == OpKind::exp_e_field;
            if (i_ < s_.size() && s_[i_] == '.') {
                ++i_;
                skip_blanks();
                if (!number(d) || !real_field) ok_ = false;
            } else if (real_field) {
                ok_ = false;
            }
            if (rep < 1 || (k != OpKind::text_field && w < 1)) ok_ = false;
            push(k, rep, w, d);
        }
        if (depth != 0) ok_ = false;
        p_.valid = ok_;
    }

private:
    void skip_blanks() {
        while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\t')) ++i_;
    }
    bool number(int32_t& v) {
        size_t j = i_;
        int64_t n = 0;
        while (j < s_.size() && s_[j] >= '0' && s_[j] <= '9') {
            n = n * 10 + (s_[j] - '0');
            if (n > 1000000) n = 1000000;
            ++j;
        }
        if (j == i_) return false;
        i_ = j;
        v = int32_t(n);
        return true;
    }
    // Index of the bracket closing the one at `at`, or npos.
    size_t matching(size_t at) const {
        int depth = 0;
        char quote = 0;
        for (size_t j = at; j < s_.size(); ++j) {
            const char c = s_[j];
            if (quote) {
                if (c == quote) quote = 0;  // a doubled quote reopens at once
                continue;
            }
            if (c == '\'' || c == '"')
                quote = c;
            else if (c == '(')
                ++depth;
            else if (c == ')' && --depth == 0)
                return j;
        }
        return std::string_view::npos;
    }
    void literal(char q) {
        ++i_;
        const int32_t off = int32_t(p_.literals.size());
        for (;;) {
            if (i_ >= s_.size()) {
                ok_ = false;
                return;
            }
            const char c = s_[i_++];
            if (c == q) {
                if (i_ < s_.size() && s_[i_] == q) {
                    p_.literals.push_back(q);
                    ++i_;
                    continue;
                }
                break;
            }
            p_.literals.push_back(c);
        }
        push(OpKind::literal, 1, 0, 0);
        p_.ops.back().pair = off;
        p_.ops.back().len = int32_t(p_.literals.size()) - off;
    }
    void push(OpKind k, int32_t rep, int32_t w, int32_t d) {
        Op op;
        op.kind = k;
        op.rep = rep;
        op.w = w;
        op.d = d;
        p_.ops.push_back(op);
    }

    std::string_view s_;
    FieldFormat::Program& p_;
    size_t i_ = 0;
    bool ok_ = true;
};

//---- walking the program ----

// Steps through the operations of a format, expanding repeat counts; at the
// end of the format it reports nullptr, and revert() starts it again at the
// reversion point.
class Cursor {
public:
    explicit Cursor(const FieldFormat::Program& p) : ops_(p.ops.data()), n_(int32_t(p.ops.size())), p_(p) {}

    const Op* next() {
        for (;;) {
            if (rep_left_ > 0) {
                const Op* op = &ops_[pc_];
                if (--rep_left_ == 0) ++pc_;
                return op;
            }
            if (pc_ >= n_) return nullptr;
            const Op& op = ops_[pc_];
            switch (op.kind) {
                case OpKind::group_begin:
                    if (depth_ == kMaxDepth) return nullptr;
                    stack_[depth_].begin = pc_;
                    stack_[depth_].left = op.rep;
                    ++depth_;
                    ++pc_;
                    continue;
                case OpKind::group_end: {
                    Frame& f = stack_[depth_ - 1];
                    if (--f.left > 0) {
                        pc_ = f.begin + 1;
                    } else {
                        --depth_;
                        ++pc_;
                    }
                    continue;
                }
                default:
                    if (is_data(op.kind)) {
                        rep_left_ = op.rep;
                        continue;
                    }
                    ++pc_;
                    return &op;
            }
        }
    }
    void revert() {
        pc_ = p_.reversion;
        depth_ = 0;
        rep_left_ = 0;
    }

private:
    struct Frame {
        int32_t begin;
        int32_t left;
    };
    const Op* ops_;
    int32_t n_;
    const FieldFormat::Program& p_;
    int32_t pc_ = 0;
    int32_t rep_left_ = 0;
    int depth_ = 0;
    Frame stack_[kMaxDepth];
};

//---- output ----

// One record being built: a small inline buffer that grows only for long records.
class RecordBuffer {
public:
    void clear() {
        len_ = 0;
        pending_ = 0;
    }
    // Blanks that a position edit asks for; written only when a character follows.
    void skip(int32_t n) { pending_ += n; }
    char* grab(int32_t n) {
        const int32_t need = len_ + pending_ + n;
        if (need > cap_) grow(need);
        char* p = data_ + len_;
        std::memset(p, ' ', size_t(pending_));
        p += pending_;
        len_ = need;
        pending_ = 0;
        return p;
    }
    void put(const char* s, int32_t n) {
        if (n > 0) std::memcpy(grab(n), s, size_t(n));
    }
    void fill(char c, int32_t n) {
        if (n > 0) std::memset(grab(n), c, size_t(n));
    }
    std::string_view view() const { return std::string_view(data_, size_t(len_)); }
    int32_t pending() const { return pending_; }

private:
    void grow(int32_t need) {
        int32_t cap = cap_ * 2;
        while (cap < need) cap *= 2;
        // The heap copy keeps its characters when it grows; the inline ones move once.
        const bool inline_data = data_ == inline_;
        heap_.resize(size_t(cap));
        if (inline_data) std::memcpy(heap_.data(), inline_, size_t(len_));
        data_ = heap_.data();
        cap_ = cap;
    }
    char inline_[512];
    std::string heap_;
    char* data_ = inline_;
    int32_t cap_ = 512;
    int32_t len_ = 0;
    int32_t pending_ = 0;
};

void put_integer(RecordBuffer& r, int32_t w, int64_t v) {
    char buf[24];
    int n = 0;
    uint64_t u = v < 0 ? uint64_t(0) - uint64_t(v) : uint64_t(v);
    do {
        buf[23 - n++] = char('0' + u % 10);
        u /= 10;
    } while (u);
    if (v < 0) buf[23 - n++] = '-';
    if (n > w) {
        r.fill('*', w);
        return;
    }
    r.fill(' ', w - n);
    r.put(buf + 24 - n, n);
}

// NaN and the infinities, right-justified, as the Fortran runtime writes them.
void put_not_finite(RecordBuffer& r, int32_t w, double v) {
    char* p = r.grab(w);
    std::memset(p, ' ', size_t(w));
    if (w < 3) {
        std::memset(p, '*', size_t(w));
        return;
    }
    if (std::isnan(v)) {
        std::memcpy(p + w - 3, "NaN", 3);
        return;
    }
    const bool neg = std::signbit(v);
    if (neg && w == 3) {
        std::memset(p, '*', size_t(w));
        return;
    }
    if (w >= (neg ? 9 : 8)) {
        std::memcpy(p + w - 8, "Infinity", 8);
        if (neg) p[w - 9] = '-';
    } else {
        std::memcpy(p + w - 3, "Inf", 3);
        if (neg) p[w - 4] = '-';
    }
}

// Fixed point: [sign]I.FFF, the 0 before the point only where there is room.
void put_fixed(RecordBuffer& r, int32_t w, int32_t d, double v) {
    if (!std::isfinite(v)) {
        put_not_finite(r, w, v);
        return;
    }
    const bool neg = std::signbit(v);
    const double a = std::fabs(v);
    // A value with more integer digits than the field can hold.
    if (a >= 1e20 && a >= std::pow(10.0, double(w))) {
        r.fill('*', w);
        return;
    }
    if (d > 200) d = 200;
    char buf[512];
    const auto res = std::to_chars(buf, buf + sizeof buf, a, std::chars_format::fixed, d);
    if (res.ec != std::errc()) {
        r.fill('*', w);
        return;
    }
    int32_t n = int32_t(res.ptr - buf);
    // "I.FFF": integer part, point, d decimals (to_chars gives no point when d = 0).
    int32_t int_len = d > 0 ? n - d - 1 : n;
    const bool zero_int = int_len == 1 && buf[0] == '0';
    const int32_t sign = neg ? 1 : 0;
    const int32_t full = sign + int_len + 1 + d;
    const char* digits = buf;
    int32_t need = full;
    if (full > w) {
        if (zero_int && full - 1 <= w && d > 0) {
            ++digits;
            --int_len;
            need = full - 1;
        } else {
            r.fill('*', w);
            return;
        }
    }
    char* p = r.grab(w);
    std::memset(p, ' ', size_t(w - need));
    p += w - need;
    if (neg) *p++ = '-';
    std::memcpy(p, digits, size_t(int_len));
    p += int_len;
    *p++ = '.';
    if (d > 0) std::memcpy(p, buf + n - d, size_t(d));
}

// Exponent form: [sign]0.ddddD+xx, or [sign]0.dddd+xxx with three exponent digits.
void put_exponent(RecordBuffer& r, int32_t w, int32_t d, double v, char letter) {
    if (!std::isfinite(v)) {
        put_not_finite(r, w, v);
        return;
    }
    if (d < 1 || d > 200) {
        r.fill('*', w);
        return;
    }
    const bool neg = std::signbit(v);
    const double a = std::fabs(v);
    char buf[256];
    int32_t e10 = 0;
    if (a == 0.0) {
        std::memset(buf, '0', size_t(d));
    } else {
        const auto res = std::to_chars(buf + 1, buf + sizeof buf, a, std::chars_format::scientific, d - 1);
        if (res.ec != std::errc()) {
            r.fill('*', w);
            return;
        }
        // buf+1: "D.DDDDe+XX" (or "De+XX" when d = 1); gather the d digits at buf.
        char* q = buf + 1;
        buf[0] = *q;
        int32_t k = 1;
        const char* s = q + 1;
        if (*s == '.') ++s;
        while (*s != 'e') buf[k++] = *s++;
        ++s;
        const bool eneg = *s == '-';
        ++s;
        int32_t e = 0;
        while (s < res.ptr) e = e * 10 + (*s++ - '0');
        e10 = (eneg ? -e : e) + 1;
    }
    char ex[5];
    int32_t ae = e10 < 0 ? -e10 : e10;
    if (ae <= 99) {
        ex[0] = letter;
        ex[1] = e10 < 0 ? '-' : '+';
        ex[2] = char('0' + ae / 10);
        ex[3] = char('0' + ae % 10);
    } else if (ae <= 999) {
        ex[0] = e10 < 0 ? '-' : '+';
        ex[1] = char('0' + ae / 100);
        ex[2] = char('0' + ae / 10 % 10);
        ex[3] = char('0' + ae % 10);
    } else {
        r.fill('*', w);
        return;
    }
    const int32_t sign = neg ? 1 : 0;
    int32_t need = sign + 2 + d + 4;
    bool lead_zero = true;
    if (need > w) {
        if (need - 1 == w) {
            lead_zero = false;
            --need;
        } else {
            r.fill('*', w);
            return;
        }
    }
    char* p = r.grab(w);
    std::memset(p, ' ', size_t(w - need));
    p += w - need;
    if (neg) *p++ = '-';
    if (lead_zero) *p++ = '0';
    *p++ = '.';
    std::memcpy(p, buf, size_t(d));
    p += d;
    std::memcpy(p, ex, 4);
}

void put_text(RecordBuffer& r, int32_t w, const char* s, int32_t len) {
    if (w == 0) w = len;
    if (w > len) {
        r.fill(' ', w - len);
        r.put(s, len);
    } else {
        r.put(s, w);
    }
}

// Writes one item through a field; false when the item does not suit the field.
bool put_item(RecordBuffer& r, const Op& op, const OutItem& it) {
    switch (op.kind) {
        case OpKind::int_field:
            if (it.kind == OutItem::Kind::integer) {
                put_integer(r, op.w, it.i);
                return true;
            }
            break;
        case OpKind::fixed_field:
            if (it.kind != OutItem::Kind::text) {
                put_fixed(r, op.w, op.d, it.kind == OutItem::Kind::real ? it.d : double(it.i));
                return true;
            }
            break;
        case OpKind::exp_d_field:
        case OpKind::exp_e_field:
            if (it.kind != OutItem::Kind::text) {
                put_exponent(r, op.w, op.d, it.kind == OutItem::Kind::real ? it.d : double(it.i),
                             op.kind == OpKind::exp_d_field ? 'D' : 'E');
                return true;
            }
            break;
        case OpKind::text_field:
            if (it.kind == OutItem::Kind::text) {
                put_text(r, op.w, it.s, it.len);
                return true;
            }
            break;
        default:
            break;
    }
    r.fill('*', op.w > 0 ? op.w : 1);
    return false;
}

//---- input ----

// The characters of one input field, blanks removed, in a small buffer.
struct FieldChars {
    char c[128];
    int32_t n = 0;
    bool overflow = false;
    bool blank_after_last = false;  // a blank of the record follows the last non-blank
    std::string_view raw;           // the field's characters as they stand in the record
    void add(char ch) {
        if (n < int32_t(sizeof c))
            c[n++] = ch;
        else
            overflow = true;
    }
};

bool letter_is(char c, char upper) { return (c & ~0x20) == upper; }

bool equals_word(const char* s, int32_t n, const char* word) {
    const int32_t m = int32_t(std::strlen(word));
    if (n != m) return false;
    for (int32_t i = 0; i < n; ++i)
        if (!letter_is(s[i], word[i])) return false;
    return true;
}

// Reads an integer; empty reads 0. A sign that ends the characters of the
// field is an error, a sign followed by blanks of the record reads 0.
bool parse_integer(const FieldChars& f, int64_t lo, int64_t hi, int64_t& out) {
    if (f.overflow) return false;
    int32_t i = 0;
    bool neg = false;
    if (f.n == 0) {
        out = 0;
        return true;
    }
    if (f.c[0] == '+' || f.c[0] == '-') {
        neg = f.c[0] == '-';
        ++i;
        if (i == f.n && !f.blank_after_last) return false;
    }
    int64_t v = 0;
    for (; i < f.n; ++i) {
        const char ch = f.c[i];
        if (ch < '0' || ch > '9') return false;
        v = v * 10 + (ch - '0');
        if (v > hi + 1) return false;
    }
    if (neg) v = -v;
    if (v < lo || v > hi) return false;
    out = v;
    return true;
}

bool is_alnum(char c) { return (c >= '0' && c <= '9') || ((c & ~0x20) >= 'A' && (c & ~0x20) <= 'Z'); }

// Reads the words the writer writes for values that are not finite, as the
// Fortran runtime reads them: [sign] Inf, Infinity or NaN in any case, blanks
// only before and after the word; NaN may carry "(letters and digits)", and
// what follows the bracket is not looked at.
bool parse_special(std::string_view raw, double& out) {
    size_t i = 0;
    auto skip_blanks = [&] {
        while (i < raw.size() && raw[i] == ' ') ++i;
    };
    skip_blanks();
    bool neg = false;
    if (i < raw.size() && (raw[i] == '+' || raw[i] == '-')) neg = raw[i++] == '-';
    skip_blanks();
    const size_t start = i;
    while (i < raw.size() && is_alnum(raw[i]) && !(raw[i] >= '0' && raw[i] <= '9')) ++i;
    const char* word = raw.data() + start;
    const int32_t len = int32_t(i - start);
    if (equals_word(word, len, "INF") || equals_word(word, len, "INFINITY")) {
        skip_blanks();
        if (i != raw.size()) return false;
        out = neg ? -HUGE_VAL : HUGE_VAL;
        return true;
    }
    if (!equals_word(word, len, "NAN")) return false;
    if (i < raw.size() && raw[i] == '(') {
        for (++i; i < raw.size() && raw[i] != ')'; ++i)
            if (!is_alnum(raw[i])) return false;
        if (i == raw.size()) return false;
    } else {
        skip_blanks();
        if (i != raw.size()) return false;
    }
    out = std::nan("");
    return true;
}

// Reads a real: [sign] digits [. digits] [exponent], where the exponent is a
// letter E, D or Q with an optional sign, or a sign alone, then digits.
// Without a point the last d digits are decimals. NaN and Inf[inity] too.
bool parse_real(const FieldChars& f, int32_t d, double& out) {
    if (f.overflow) return false;
    const char* s = f.c;
    const int32_t n = f.n;
    int32_t i = 0;
    bool neg = false;
    if (i < n && (s[i] == '+' || s[i] == '-')) {
        neg = s[i] == '-';
        ++i;
    }
    if (i < n && (letter_is(s[i], 'I') || letter_is(s[i], 'N'))) return parse_special(f.raw, out);
    // Significant digits gathered for an exact conversion.
    char dig[800];
    int32_t nd = 0;
    int64_t scale = 0;  // power of ten to apply to the gathered digits
    bool point = false;
    int32_t digits = 0;
    for (; i < n; ++i) {
        const char ch = s[i];
        if (ch >= '0' && ch <= '9') {
            ++digits;
            if (nd == 0 && ch == '0') {
                if (point) --scale;
                continue;
            }
            if (nd < int32_t(sizeof dig)) {
                dig[nd++] = ch;
                if (point) --scale;
            } else if (!point) {
                ++scale;
            }
        } else if (ch == '.') {
            if (point) return false;
            point = true;
        } else {
            break;
        }
    }
    int64_t exp = 0;
    if (i < n) {
        const char ch = s[i];
        if (letter_is(ch, 'E') || letter_is(ch, 'D') || letter_is(ch, 'Q')) {
            ++i;
        } else if (ch != '+' && ch != '-') {
            return false;
        }
        bool eneg = false;
        if (i < n && (s[i] == '+' || s[i] == '-')) {
            eneg = s[i] == '-';
            ++i;
        }
        if (i == n) return false;
        for (; i < n; ++i) {
            if (s[i] < '0' || s[i] > '9') return false;
            if (exp < 100000) exp = exp * 10 + (s[i] - '0');
        }
        if (eneg) exp = -exp;
    }
    // The runtime refuses an exponent beyond four digits once the implied
    // decimals are counted in.
    const int64_t typed_exp = point ? exp : exp - d;
    if (typed_exp > 9999 || typed_exp < -9999) return false;
    if (!point) scale -= d;
    if (nd == 0) {
        out = neg && n > 1 ? -0.0 : 0.0;  // a sign alone reads 0, "-." or "-0" keeps the sign
        return true;
    }
    int64_t e = scale + exp;
    if (e > 1000000) e = 1000000;
    if (e < -1000000) e = -1000000;
    char buf[832];
    int32_t k = 0;
    if (neg) buf[k++] = '-';
    std::memcpy(buf + k, dig, size_t(nd));
    k += nd;
    buf[k++] = 'e';
    const auto res = std::to_chars(buf + k, buf + sizeof buf - 1, e);
    *res.ptr = '\0';
    // Beyond the range of a double the value is an infinity, below it zero
    // or a subnormal, as the Fortran runtime reads them.
    out = std::strtod(buf, nullptr);
    return true;
}

// Collects the characters of a numeric field of width w at pos, blanks
// dropped; a comma ends the field early and the next field starts after it.
void take_numeric(std::string_view rec, size_t& pos, int32_t w, FieldChars& f) {
    size_t j = pos;
    const size_t end = pos + size_t(w);
    while (j < end && j < rec.size()) {
        const char ch = rec[j];
        if (ch == ',') {
            f.raw = rec.substr(pos, j - pos);
            pos = j + 1;
            return;
        }
        if (ch != ' ') {
            f.add(ch);
            f.blank_after_last = false;
        } else if (f.n > 0) {
            f.blank_after_last = true;
        }
        ++j;
    }
    f.raw = pos < rec.size() ? rec.substr(pos, j - pos) : std::string_view();
    pos = end;
}

// Reads one item through a field; false when the field cannot be read (the
// item is then left as it was).
bool get_item(std::string_view rec, size_t& pos, const Op& op, const InItem& it) {
    if (op.kind == OpKind::text_field) {
        if (it.kind != InItem::Kind::text) return false;
        char* t = static_cast<char*>(it.p);
        const int32_t n = it.len;
        const int32_t w = op.w > 0 ? op.w : n;
        // The w characters of the field, the record padded with blanks.
        auto at = [&](int32_t k) -> char {
            const size_t q = pos + size_t(k);
            return q < rec.size() ? rec[q] : ' ';
        };
        if (w >= n) {
            for (int32_t k = 0; k < n; ++k) t[k] = at(w - n + k);
        } else {
            for (int32_t k = 0; k < w; ++k) t[k] = at(k);
            std::memset(t + w, ' ', size_t(n - w));
        }
        pos += size_t(w);
        return true;
    }
    FieldChars f;
    take_numeric(rec, pos, op.w, f);
    if (op.kind == OpKind::int_field) {
        int64_t v = 0;
        switch (it.kind) {
            case InItem::Kind::i16:
                if (!parse_integer(f, INT16_MIN, INT16_MAX, v)) return false;
                *static_cast<int16_t*>(it.p) = int16_t(v);
                return true;
            case InItem::Kind::i32:
                if (!parse_integer(f, INT32_MIN, INT32_MAX, v)) return false;
                *static_cast<int32_t*>(it.p) = int32_t(v);
                return true;
            case InItem::Kind::real:
                if (!parse_integer(f, INT64_MIN / 10, INT64_MAX / 10, v)) return false;
                *static_cast<double*>(it.p) = double(v);
                return true;
            default:
                return false;
        }
    }
    if (it.kind != InItem::Kind::real) return false;
    double v = 0.0;
    if (!parse_real(f, op.d, v)) return false;
    *static_cast<double*>(it.p) = v;
    return true;
}

}  // namespace

//---- public interface ----

FieldFormat::FieldFormat(std::string_view source) : program_(std::make_unique<Program>()) {
    program_->source = std::string(source);
    Parser(program_->source, *program_).run();
    // A format the interpreter does not understand is a fault of the program
    // itself: say so once, where the format is built.
    if (!program_->valid) std::fprintf(stderr, "field format not understood: %s\n", program_->source.c_str());
}

FieldFormat::~FieldFormat() = default;

std::string_view FieldFormat::source() const { return program_->source; }

IoStatus format_write(const FieldFormat& f, std::span<const OutItem> items, RecordSink& sink) {
    const FieldFormat::Program& p = f.program();
    if (!p.valid) return IoStatus::error;
    RecordBuffer rec;
    Cursor cur(p);
    IoStatus status = IoStatus::ok;
    size_t next = 0;
    bool open_end = false;
    bool data_since_revert = false;
    auto emit = [&](bool left_open) {
        if (!sink.put_record(rec.view(), left_open)) status = IoStatus::error;
        rec.clear();
        open_end = false;
    };
    bool stop = false;
    while (!stop) {
        const Op* op = cur.next();
        if (op == nullptr) {
            if (next >= items.size()) break;
            if (!data_since_revert) {
                status = IoStatus::error;  // a format without value fields cannot take items
                break;
            }
            emit(false);
            cur.revert();
            data_since_revert = false;
            continue;
        }
        switch (op->kind) {
            case OpKind::skip:
                rec.skip(op->w);
                break;
            case OpKind::literal:
                rec.put(p.literals.data() + op->pair, op->len);
                break;
            case OpKind::slash:
                emit(false);
                break;
            case OpKind::dollar:
                open_end = true;
                break;
            default:
                if (next >= items.size()) {
                    stop = true;  // output ends at the first field without an item
                    break;
                }
                if (!put_item(rec, *op, items[next])) status = IoStatus::error;
                ++next;
                data_since_revert = true;
                break;
        }
    }
    emit(open_end);
    return status;
}

IoStatus format_read(const FieldFormat& f, std::span<const InItem> items, RecordSource& source) {
    const FieldFormat::Program& p = f.program();
    if (!p.valid) return IoStatus::error;
    std::string_view rec;
    IoStatus st = source.next_record(rec);
    if (st != IoStatus::ok) return st;
    Cursor cur(p);
    size_t pos = 0;
    size_t next = 0;
    bool data_since_revert = false;
    while (next < items.size()) {
        const Op* op = cur.next();
        if (op == nullptr) {
            if (!data_since_revert) return IoStatus::error;
            st = source.next_record(rec);
            if (st != IoStatus::ok) return st;
            pos = 0;
            cur.revert();
            data_since_revert = false;
            continue;
        }
        switch (op->kind) {
            case OpKind::skip:
                pos += size_t(op->w);
                break;
            case OpKind::literal:
                pos += size_t(op->len);
                break;
            case OpKind::slash:
                st = source.next_record(rec);
                if (st != IoStatus::ok) return st;
                pos = 0;
                break;
            case OpKind::dollar:
                break;
            default:
                if (!get_item(rec, pos, *op, items[next])) return IoStatus::error;
                ++next;
                data_since_revert = true;
                break;
        }
    }
    return IoStatus::ok;
}

namespace {

// Output into a fixed-width text: the first record only.
struct InternalSink final : RecordSink {
    char* target;
    int len;
    int records = 0;
    bool put_record(std::string_view text, bool) override {
        if (records++ > 0) return false;
        const size_t n = text.size() < size_t(len) ? text.size() : size_t(len);
        std::memcpy(target, text.data(), n);
        return true;
    }
};

struct InternalSource final : RecordSource {
    std::string_view text;
    bool given = false;
    IoStatus next_record(std::string_view& record) override {
        if (given) return IoStatus::end_of_file;
        given = true;
        record = text;
        return IoStatus::ok;
    }
};

struct StringSink final : RecordSink {
    std::string out;
    int records = 0;
    bool put_record(std::string_view text, bool) override {
        if (records++ > 0) out.push_back('\n');
        out.append(text);
        return true;
    }
};

}  // namespace

IoStatus write_internal_items(char* target, int len, const FieldFormat& f, std::span<const OutItem> items) {
    if (len > 0) std::memset(target, ' ', size_t(len));
    InternalSink sink;
    sink.target = target;
    sink.len = len;
    return format_write(f, items, sink);
}

IoStatus read_internal_items(std::string_view source, const FieldFormat& f, std::span<const InItem> items) {
    InternalSource src;
    src.text = source;
    return format_read(f, items, src);
}

std::string format_to_string(const FieldFormat& f, std::span<const OutItem> items) {
    StringSink sink;
    format_write(f, items, sink);
    return std::move(sink.out);
}
