// Cost of the field-format interpreter on the records the program writes
// most often: the point records of a points file.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <array>
#include <string>

#include "platform/format.h"
#include "platform/units.h"

namespace {

// Keeps the last record, as a file line would, without a system call.
struct LastRecord final : RecordSink {
    std::string text;
    bool put_record(std::string_view record, bool) override {
        text.assign(record);
        return true;
    }
};

struct OneRecord final : RecordSource {
    std::string_view text;
    IoStatus next_record(std::string_view& record) override {
        record = text;
        return IoStatus::ok;
    }
};

// One point record: n, TIME and six state values through (I6,3X,9(D15.7,1X)).
void BM_WritePointRecord(benchmark::State& state) {
    static const FieldFormat f("(I6,3X,9(D15.7,1X))");
    LastRecord sink;
    int16_t n = 1;
    double time = 0.0;
    std::array<double, 6> y = {0.125, -1.2345678901, 3.3e-7, 2.0e5, -0.0, 6.02214076e23};
    for (auto _ : state) {
        const std::array<OutItem, 8> items{n, time, y[0], y[1], y[2], y[3], y[4], y[5]};
        format_write(f, items, sink);
        benchmark::DoNotOptimize(sink.text.data());
        time += 0.01;
        y[0] += 1e-3;
        n = int16_t(n % 1999 + 1);
    }
}
BENCHMARK(BM_WritePointRecord);

// The same record written to a points file: one system call per record.
void BM_WritePointRecordToFile(benchmark::State& state) {
    static const FieldFormat f("(I6,3X,9(D15.7,1X))");
    char name[] = "/tmp/kalvo-bench-XXXXXX";
    const int fd = mkstemp(name);
    if (fd < 0 || !open_unit(8, name)) {
        state.SkipWithError("cannot open a file in /tmp");
        return;
    }
    ::close(fd);
    double time = 0.0;
    for (auto _ : state) {
        write_unit(8, f, int16_t(1), time, 0.125, -1.2345678901, 3.3e-7, 2.0e5, -0.0, 6.02214076e23);
        time += 0.01;
    }
    close_unit(8);
    ::unlink(name);
}
BENCHMARK(BM_WritePointRecordToFile)->Iterations(100000);

// The same record read back.
void BM_ReadPointRecord(benchmark::State& state) {
    static const FieldFormat f("(I6,3X,9(D15.7,1X))");
    LastRecord sink;
    const std::array<OutItem, 8> out{int16_t(17), 1.5,   0.125, -1.2345678901,
                                     3.3e-7,      2.0e5, -0.0,  6.02214076e23};
    format_write(f, out, sink);
    OneRecord src;
    src.text = sink.text;
    int16_t n = 0;
    std::array<double, 7> v{};
    for (auto _ : state) {
        const std::array<InItem, 8> items{n, v[0], v[1], v[2], v[3], v[4], v[5], v[6]};
        format_read(f, items, src);
        benchmark::DoNotOptimize(v.data());
    }
}
BENCHMARK(BM_ReadPointRecord);

// Parsing a format, done once per place of use.
void BM_ParseFormat(benchmark::State& state) {
    for (auto _ : state) {
        FieldFormat f("(1X,A,2(3(1X,I4),1X),6D14.6)");
        benchmark::DoNotOptimize(&f);
    }
}
BENCHMARK(BM_ParseFormat);

// A parameter cell of the editor: a name and a value in F15.7.
void BM_WriteInternalCell(benchmark::State& state) {
    static const FieldFormat f("(1X,A8,1X,F15.7,5X)");
    Text<30> cell;
    const Text<8> name("  FX    ");
    double v = 9.80665;
    for (auto _ : state) {
        write_internal(cell, f, name, v);
        benchmark::DoNotOptimize(cell.c);
        v += 1e-7;
    }
}
BENCHMARK(BM_WriteInternalCell);

}  // namespace
