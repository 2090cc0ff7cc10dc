// Field formats in edit-descriptor notation (Iw, Fw.d, Dw.d, Ew.d, Aw, A, nX,
// quoted literals, repeated groups, a final $), parsed once and applied to
// records: the one interpreter behind every text and file line.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "common/text.h"

// Outcome of a read or write.
enum class IoStatus : uint8_t { ok, error, end_of_file };

// A parsed field format. Build it once (a static const at the place of use)
// and apply it to any number of records.
class FieldFormat {
public:
    explicit FieldFormat(std::string_view source);
    ~FieldFormat();
    FieldFormat(const FieldFormat&) = delete;
    FieldFormat& operator=(const FieldFormat&) = delete;

    std::string_view source() const;
    struct Program;
    const Program& program() const { return *program_; }

private:
    std::unique_ptr<Program> program_;
};

// One value to be written.
struct OutItem {
    enum class Kind : uint8_t { integer, real, text };
    Kind kind;
    int64_t i = 0;
    double d = 0.0;
    const char* s = nullptr;
    int32_t len = 0;

    OutItem(int16_t v) : kind(Kind::integer), i(v) {}  // NOLINT
    OutItem(int32_t v) : kind(Kind::integer), i(v) {}  // NOLINT
    OutItem(double v) : kind(Kind::real), d(v) {}      // NOLINT
    OutItem(std::string_view v) : kind(Kind::text), s(v.data()), len(int32_t(v.size())) {}  // NOLINT
    OutItem(const char* v) : OutItem(std::string_view(v)) {}                             // NOLINT
    template <int N>
    OutItem(const Text<N>& t) : kind(Kind::text), s(t.c), len(N) {}  // NOLINT
};

// One variable to be read into.
struct InItem {
    enum class Kind : uint8_t { i16, i32, real, text };
    Kind kind;
    void* p;
    int32_t len = 0;

    InItem(int16_t& v) : kind(Kind::i16), p(&v) {}  // NOLINT
    InItem(int32_t& v) : kind(Kind::i32), p(&v) {}  // NOLINT
    InItem(double& v) : kind(Kind::real), p(&v) {}  // NOLINT
    template <int N>
    InItem(Text<N>& t) : kind(Kind::text), p(t.c), len(N) {}  // NOLINT
    InItem(char* chars, int32_t n) : kind(Kind::text), p(chars), len(n) {}
};

// Where formatted output goes, one record at a time. left_open: the format
// ended in $, so the record is not ended. Returns false when it cannot be written.
struct RecordSink {
    virtual bool put_record(std::string_view text, bool left_open) = 0;

protected:
    ~RecordSink() = default;
};

// Where formatted input comes from, one record at a time.
struct RecordSource {
    virtual IoStatus next_record(std::string_view& record) = 0;

protected:
    ~RecordSource() = default;
};

// Writes the items through the format, as many records as the format and
// the items need (Fortran's reversion rule).
IoStatus format_write(const FieldFormat& f, std::span<const OutItem> items, RecordSink& sink);

// Reads the items through the format from whole records. An item whose
// field cannot be read keeps its old value and the read reports error.
IoStatus format_read(const FieldFormat& f, std::span<const InItem> items, RecordSource& source);

// Writes into a fixed-width text, blank-filled first.
IoStatus write_internal_items(char* target, int len, const FieldFormat& f, std::span<const OutItem> items);
// Reads from a fixed-width text (one record).
IoStatus read_internal_items(std::string_view source, const FieldFormat& f, std::span<const InItem> items);

template <int N, class... Args>
IoStatus write_internal(Text<N>& target, const FieldFormat& f, const Args&... args) {
    const std::array<OutItem, sizeof...(Args)> items{OutItem(args)...};
    return write_internal_items(target.c, N, f, items);
}

template <class... Args>
IoStatus read_internal(std::string_view source, const FieldFormat& f, Args&... args) {
    const std::array<InItem, sizeof...(Args)> items{InItem(args)...};
    return read_internal_items(source, f, items);
}

// The whole output of one write as one string (records joined by '\n');
// for tests and for building texts of any length.
std::string format_to_string(const FieldFormat& f, std::span<const OutItem> items);
template <class... Args>
std::string format_string(const FieldFormat& f, const Args&... args) {
    const std::array<OutItem, sizeof...(Args)> items{OutItem(args)...};
    return format_to_string(f, items);
}
