// The cost of the data files: one stored state written as its record pair,
// the 40-line header of a points file, and loading a full points file back,
// or a file of one long line.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "common/control.h"
#include "common/params.h"
#include "common/start_values.h"
#include "common/state.h"
#include "datafiles/data_file_io.h"
#include "datafiles/datafiles_internal.h"
#include "platform/units.h"

namespace {

// Runs in a directory of its own, removed afterwards.
struct ScratchDir {
    std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::path dir;
    ScratchDir() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "kalvo-bench-XXXXXX").string();
        dir = mkdtemp(tmpl.data());
        std::filesystem::current_path(dir);
        set_start_values();
    }
    ~ScratchDir() {
        close_all_units();
        std::filesystem::current_path(previous);
        std::filesystem::remove_all(dir);
    }
};

void fill_table() {
    for (int n = 1; n <= kTableSize; ++n) {
        TIME(n) = 0.001 * n;
        for (int k = 1; k <= 12; ++k) YP(k, n) = std::sin(0.01 * n + k);
    }
}

void BM_PointRecordPair(benchmark::State& state) {
    ScratchDir scratch;
    fill_table();
    stop_mode = 0;
    header_written = 1;
    open_unit(kPointsUnit, "/dev/null");
    NTIME = 1000;
    for (auto _ : state) point_records();
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PointRecordPair);

void BM_PointsFileHeader(benchmark::State& state) {
    ScratchDir scratch;
    for (int k = 1; k <= kRealSlots; ++k) real_params(k) = 1.0 / k;
    open_unit(kPointsUnit, "/dev/null");
    for (auto _ : state) {
        header_written = 0;
        write_parameter_header(kPointsUnit);
    }
}
BENCHMARK(BM_PointsFileHeader);

void BM_LoadFullPointsFile(benchmark::State& state) {
    ScratchDir scratch;
    fill_table();
    stop_mode = 0;
    make_file_name(".TXT");
    open_unit(kPointsUnit, file_name.view());
    write_parameter_header(kPointsUnit);
    for (int n = 1; n <= 1998; ++n) {
        NTIME = int16_t(n);
        point_records();
    }
    close_unit(kPointsUnit);
    for (auto _ : state) {
        open_load_file();
        if (read_parameter_header(1) == HeaderRead::complete) load_points();
        close_unit(kParameterUnit);
    }
    state.SetItemsProcessed(state.iterations() * 1998);
}
BENCHMARK(BM_LoadFullPointsFile)->Unit(benchmark::kMillisecond);

// A corrupt data file of one line of the given number of MB, loaded as a
// ".MXT": the line is read whole before the header's first field is taken.
void BM_LoadOneLongLine(benchmark::State& state) {
    ScratchDir scratch;
    make_file_name(".MXT");
    open_unit(kParameterUnit, file_name.view());
    const std::string line(size_t(state.range(0)) << 20, 'x');
    write_unit(kParameterUnit, FieldFormat("(A)"), line);
    close_unit(kParameterUnit);
    for (auto _ : state) {
        open_load_file();
        benchmark::DoNotOptimize(read_parameter_header(2));
        close_unit(kParameterUnit);
    }
    state.SetBytesProcessed(state.iterations() * int64_t(line.size()));
}
BENCHMARK(BM_LoadOneLongLine)->Arg(1)->Arg(8)->Arg(64)->Unit(benchmark::kMillisecond);

}  // namespace
