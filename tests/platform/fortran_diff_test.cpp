// Differential test of platform/format.cpp and platform/units.cpp against
// the gfortran runtime: a small Fortran program, compiled in the test's
// directory, writes thousands of values with every output format the
// program uses and reads a set of typed answers with every input format it
// uses; this interpreter must give the same texts and values, character for
// character.
//
// Known deliberate differences, not exercised here:
// - A comma ends a numeric field in internal reads too (gfortran allows it
//   only on external units), so all reads here go through files.
// - A numeric field holds at most 128 characters besides blanks; a longer
//   one is a read error.
// - A write into a fixed-width text that is longer than the text is cut at
//   its end and succeeds (gfortran reports an end of record).
// - A unit read before any open whose default file is missing gives the
//   error outcome and creates no file (gfortran creates it and reports the
//   end of the file).
// - Formats are limited to I, F, D, E, A, X, literals, groups, / and $;
//   any other descriptor makes the format invalid and every transfer
//   through it an error.
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "platform/format.h"
#include "platform/units.h"
#include "tests/support/test_env.h"

namespace {

constexpr const char* kFortranSource = R"F90(
program diff
  implicit none
  integer, parameter :: mx = 20000
  integer(8) :: bits(mx)
  double precision :: v(mx), d(7)
  integer :: iv(mx), nv, ni, nn, na, k, j, c, ios, cat
  integer(2) :: i2(7)
  character(len=8) :: nm(mx)
  character(len=15) :: ch
  character(len=5) :: ch5
  character(len=40) :: fname

  open(11, file='counts.txt', status='old')
  read(11, *) nv, ni, nn, na
  close(11)
  open(11, file='values.txt', status='old')
  do k = 1, nv
    read(11, '(I20)') bits(k)
    v(k) = transfer(bits(k), 1d0)
  end do
  close(11)
  open(11, file='ints.txt', status='old')
  do k = 1, ni
    read(11, '(I12)') iv(k)
  end do
  close(11)
  open(11, file='names.txt', status='old')
  do k = 1, nn
    read(11, '(A8)') nm(k)
  end do
  close(11)

  open(20, file='out.txt', status='replace')
  do k = 1, ni
    write(20, '(I2)') iv(k)
    write(20, '(I3)') iv(k)
    write(20, '(I4)') iv(k)
    write(20, '(I5)') iv(k)
    write(20, '(I6)') iv(k)
    write(20, '(I8)') iv(k)
  end do
  do k = 1, nv
    write(20, '(F8.4)') v(k)
    write(20, '(F9.2)') v(k)
    write(20, '(F9.3)') v(k)
    write(20, '(F10.3)') v(k)
    write(20, '(F10.4)') v(k)
    write(20, '(F15.7)') v(k)
    write(20, '(F16.7)') v(k)
    write(20, '(F18.10)') v(k)
    write(20, '(D11.4)') v(k)
    write(20, '(D14.6)') v(k)
    write(20, '(D15.7)') v(k)
    write(20, '(D16.7)') v(k)
    write(20, '(D18.10)') v(k)
  end do
  do k = 1, nn
    write(20, '(I6,3X,9(D15.7,1X))') iv(ix(k, 0)), (v(vx(k, j)), j = 0, 8)
    write(20, '(I6,3X,9(D15.7,1X))') iv(ix(k, 0)), (v(vx(k, j)), j = 0, 6)
    write(20, '(1X,5(A8,I4,8X))') (nm(nx(k, j)), iv(ix(k, j)), j = 0, 4)
    write(20, '(1X,5(A8,I4,8X))') (nm(nx(k, j)), iv(ix(k, j)), j = 0, 6)
    write(20, '(1X,4(A8,D18.10,1X))') (nm(nx(k, j)), v(vx(k, j)), j = 0, 3)
    write(20, '(1X,4(A8,D18.10,1X))') (nm(nx(k, j)), v(vx(k, j)), j = 0, 5)
    write(20, '(1X,4(A8,F18.10,1X))') (nm(nx(k, j)), v(vx(k, j)), j = 0, 3)
    write(20, '(1X,4(A8,F18.10,1X))') (nm(nx(k, j)), v(vx(k, j)), j = 0, 5)
    write(20, '(1X,5(F18.10,2X))') (v(vx(k, j)), j = 0, 4)
    write(20, '(1X,5(F18.10,2X))') (v(vx(k, j)), j = 0, 6)
    write(20, '(1X,A,2(3(1X,I4),1X),6D14.6)') nm(nx(k, 0)), (iv(ix(k, j)), j = 0, 5), (v(vx(k, j)), j = 0, 5)
    write(20, '(1X,A,3X,1(2(3D14.6),3X))') nm(nx(k, 0)), (v(vx(k, j)), j = 0, 5)
    write(20, '(1X,A,3X,1(2(3D14.6),3X))') nm(nx(k, 0)), (v(vx(k, j)), j = 0, 11)
    write(20, '(1X,A,I3,6D14.6)') nm(nx(k, 0)), iv(ix(k, 0)), (v(vx(k, j)), j = 0, 5)
  end do
  close(20)

  open(21, file='reads.txt', status='replace')
  do k = 1, na
    write(fname, '(A,I4.4,A)') 'a_', k, '.txt'
    do c = 1, 16
      i2 = -7
      d = -7d0
      ch = '###############'
      ch5 = '#####'
      open(10, file=fname, status='old')
      select case (c)
      case (1)
        read(10, '(I2)', iostat=ios) i2(1)
      case (2)
        read(10, '(I3)', iostat=ios) i2(1)
      case (3)
        read(10, '(I5)', iostat=ios) i2(1)
      case (4)
        read(10, '(2(I3))', iostat=ios) i2(1), i2(2)
      case (5)
        read(10, '(F15.6)', iostat=ios) d(1)
      case (6)
        read(10, '(D15.6)', iostat=ios) d(1)
      case (7)
        read(10, '(F18.10)', iostat=ios) d(1)
      case (8)
        read(10, '(2(F18.10,1X))', iostat=ios) d(1), d(2)
      case (9)
        read(10, '(1X,5(I4,2X))', iostat=ios) (i2(j), j = 1, 5)
      case (10)
        read(10, '(1X,5(F18.10,2X))', iostat=ios) (d(j), j = 1, 5)
      case (11)
        read(10, '(A)', iostat=ios) ch
      case (12)
        read(10, '(A)', iostat=ios) ch5
      case (13)
        read(10, '(2(I3))', iostat=ios) (i2(j), j = 1, 3)
      case (14)
        read(10, '(1X,5(F18.10,2X))', iostat=ios) (d(j), j = 1, 7)
      case (15)
        read(10, '(A8,I2)', iostat=ios) ch, i2(1)
      case (16)
        read(10, '(I3)', iostat=ios) (i2(j), j = 1, 3)
      end select
      close(10)
      cat = 0
      if (ios > 0) cat = 1
      if (ios < 0) cat = -1
      write(21, '(I0,1X,I0,1X,I0,7(1X,I0),7(1X,Z16.16),1X,A)') c, k, cat, i2, &
        (transfer(d(j), 0_8), j = 1, 7), '[' // ch // '][' // ch5 // ']'
    end do
  end do
  close(21)

contains
  integer function vx(k, j)
    integer, intent(in) :: k, j
    vx = mod(k - 1 + j, nv) + 1
  end function
  integer function ix(k, j)
    integer, intent(in) :: k, j
    ix = mod(k - 1 + j, ni) + 1
  end function
  integer function nx(k, j)
    integer, intent(in) :: k, j
    nx = mod(k - 1 + j, nn) + 1
  end function
end program
)F90";

class FortranDiff : public KalvoTest {
protected:
    void SetUp() override {
        KalvoTest::SetUp();
        if (std::system("gfortran --version > /dev/null 2>&1") != 0)
            GTEST_SKIP() << "gfortran is not installed: the comparison with the Fortran runtime is skipped";
    }
};

uint64_t bits_of(double v) {
    uint64_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}
double from_bits(uint64_t b) {
    double v;
    std::memcpy(&v, &b, sizeof v);
    return v;
}

// Values of every kind the program may write, from a fixed seed.
std::vector<double> test_values() {
    // clang-format off
    std::vector<double> v = {
        0.0, -0.0, 1.0, -1.0, 0.5, -0.5, 0.125, 0.375, 2.5, 3.5, 2.675, 0.99999995, 9.9999995, 0.00004,
        -0.00004, 1e7, -1e6, 1e8, -1e7, 9999999.99999999, 9999999.9999999995, 999999.99999995, 1e99, 1e100,
        1e-99, 1e-100, 9.99999995e99, 9.999999995e-100, 1e308, std::numeric_limits<double>::max(),
        std::numeric_limits<double>::min(), std::numeric_limits<double>::denorm_min(),
        std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(), std::nan(""),
        -std::nan(""), 0.05, 0.15, 0.25, 0.35, 0.45, 1.0 / 3.0, 2.0 / 3.0,
    };
    // clang-format on
    std::mt19937_64 rng(20261209);
    std::uniform_real_distribution<double> mant(1.0, 10.0);
    std::uniform_int_distribution<int> small_exp(-6, 8), tiny_exp(-323, -280), huge_exp(280, 308);
    for (int i = 0; i < 1500; ++i) {
        const double s = (rng() & 1) ? -1.0 : 1.0;
        v.push_back(s * mant(rng) * std::pow(10.0, small_exp(rng)));
    }
    for (int i = 0; i < 300; ++i) {
        const double s = (rng() & 1) ? -1.0 : 1.0;
        v.push_back(s * mant(rng) * std::pow(10.0, tiny_exp(rng)));
        v.push_back(s * mant(rng) * std::pow(10.0, huge_exp(rng)));
    }
    for (int i = 0; i < 500; ++i) v.push_back(from_bits(rng()));  // any bit pattern, NaNs included
    // Exact binary fractions: many are ties at the printed precision.
    for (int i = 0; i < 500; ++i)
        v.push_back(double(int64_t(rng() % 2000001) - 1000000) / double(1 << (rng() % 14)));
    // Near the rounding boundaries of 4, 6, 7 and 10 digits.
    for (int i = 0; i < 400; ++i) {
        const int digits = std::array<int, 4>{4, 6, 7, 10}[rng() % 4];
        const double base =
            double(int64_t(rng() % 9000000000ull) + 1000000000) / 1e10 + 0.5 * std::pow(10.0, -digits);
        v.push_back(base * std::pow(10.0, int(rng() % 9) - 4));
    }
    return v;
}

std::vector<int32_t> test_ints() {
    std::vector<int32_t> v = {
        0,      1,      -1,      7,        9,        10,        -5,         -9,
        -10,    99,     100,     -99,      -100,     999,       1000,       -999,
        -1000,  9999,   10000,   -1234,    12345,    32767,     -32768,     99999,
        -99999, 999999, 1000000, 99999999, -9999999, -10000000, 2147483647, -2147483647 - 1};
    std::mt19937 rng(88);
    for (int i = 0; i < 300; ++i) v.push_back(int32_t(rng() % 241) - 120);
    for (int i = 0; i < 300; ++i) v.push_back(int32_t(rng() % 65536) - 32768);
    for (int i = 0; i < 100; ++i) v.push_back(int32_t(rng()));
    return v;
}

std::vector<std::string> test_names() {
    std::vector<std::string> v = {"   A    ",  "  FX    ", "EPS     ", "VISTA_X ",
                                  "\\zeta G ", "OMCSIo  ", "        ", "12345678"};
    std::mt19937 rng(6);
    const char alphabet[] = "ABCXYZabcxyz0189 _\\.-+";
    for (int i = 0; i < 600; ++i) {
        std::string s(8, ' ');
        for (char& c : s) c = alphabet[rng() % (sizeof alphabet - 1)];
        v.push_back(s);
    }
    return v;
}

std::vector<std::string> test_answers() {
    // clang-format off
    std::vector<std::string> v = {
        "", " ", "0", "5", "7", "15", "-5", "+5", "100", "99", "-99", "123", "1234", "12345", "32767",
        "32768", "-32768", "-32769", "40000", "99999", "1,2", "1 , 3", ",7", ",", ",,", "5,2", "12,34",
        "1.5", "-1.5", ".5", "5.", ".", "-", "+", "-.", ".-3", "1.5E3", "1.5D3", "1.5e3", "1.5d-3",
        "1.5E+3", "1.5E 3", "1.5+3", "15+3", "15-3", "1.5E", "1.5E+", "1.5-", "1.2.3", "abc", "1e999",
        "-1e999", "1e-400", "NaN", "nan", "Infinity", "-Infinity", "Inf", "-Inf", "+Inf", "infinity",
        "  0.1000000000-119", "  0.1000000D+01", " -0.1234568D-04", "0.1234567890123456789",
        "123456789012345678", "1.5,2.5", "1.5, 2.5", "1.5 ,2.5", " 1    2    3    4    5",
        "    1     2     3     4     5", "    1,    2,3,4,5,6,7",
        "       1.0000000000        2.0000000000        3.0000000000", "1,2,3,4,5,6,7", "KALVO10.TXT",
        "KALVO 7", "  KALVO12", "KALVO10.TXT and more", "111", "0=MORE", "1 2", " 1 2 ", "1e5", "1.5q3",
        "--1", "-+", "e5", ".e5", "E", "1.5e3e", "0.5000000000", "-0", "-0.0", "+0", "9999999.9999999999",
        "1.7976931348623157E308", "1.7976931348623159E308", "4.9406564584124654E-324",
        "2.4703282292062328E-324", "2.2250738585072014D-308", "0.30000000000000004", "0.1", "0.2",
        "1.00000000000000011102230246251565",
        "1.0000000000000001110223024625156540423631668090820312500001",
        "  0.9999999999999999444888487687421729", "1D+0400", "1+400", "12345678901234567890",
        "-000000000000000000000000001", "0000000000000000000000000000000000000000000000000015",
        "3.14159265358979323846264338327950288", "5e-1", "5e+1", "+5e1", "-5d-1", "NaN()", "NaN(abc)",
        "+NaN", "-NaN", "INF", "-infinity", " Inf ", "In f", "N a N", "Infinity5", "1Inf", "    ",
        "              1", "               1", "                 5",
    };
    // clang-format on
    std::mt19937 rng(1234);
    const char alphabet[] = "0123456789+-.,eEdD ";
    for (int i = 0; i < 250; ++i) {
        std::string s(size_t(rng() % 22), ' ');
        for (char& c : s) c = alphabet[rng() % (sizeof alphabet - 1)];
        v.push_back(s);
    }
    const char words[] = "NaNInfinity()qQ+- 1";
    for (int i = 0; i < 80; ++i) {
        std::string s(size_t(rng() % 10), ' ');
        for (char& c : s) c = words[rng() % (sizeof words - 1)];
        v.push_back(s);
    }
    // Long mantissas: the conversion must round them correctly.
    for (int i = 0; i < 80; ++i) {
        std::string s = (rng() & 1) ? "-" : "";
        const int before = int(rng() % 6), after = 10 + int(rng() % 8);
        for (int k = 0; k < before; ++k) s += char('0' + rng() % 10);
        s += '.';
        for (int k = 0; k < after; ++k) s += char('0' + rng() % 10);
        if (rng() & 1) {
            s += 'D';
            s += std::to_string(int(rng() % 600) - 300);
        }
        v.push_back(s);
    }
    return v;
}

void write_lines(const char* name, const std::vector<std::string>& lines) {
    std::ofstream out(name, std::ios::binary);
    for (const std::string& l : lines) out << l << '\n';
}

std::vector<std::string> read_lines(const char* name) {
    std::ifstream in(name, std::ios::binary);
    std::vector<std::string> lines;
    std::string l;
    while (std::getline(in, l)) lines.push_back(l);
    return lines;
}

// The lines the Fortran program writes to out.txt, from this interpreter.
std::vector<std::string> expected_output(const std::vector<double>& v, const std::vector<int32_t>& iv,
                                         const std::vector<std::string>& nm) {
    std::vector<std::string> out;
    const char* int_formats[] = {"(I2)", "(I3)", "(I4)", "(I5)", "(I6)", "(I8)"};
    const char* real_formats[] = {"(F8.4)",  "(F9.2)",  "(F9.3)",   "(F10.3)", "(F10.4)",
                                  "(F15.7)", "(F16.7)", "(F18.10)", "(D11.4)", "(D14.6)",
                                  "(D15.7)", "(D16.7)", "(D18.10)"};
    std::vector<std::unique_ptr<FieldFormat>> fi, fr;
    for (const char* s : int_formats) fi.push_back(std::make_unique<FieldFormat>(s));
    for (const char* s : real_formats) fr.push_back(std::make_unique<FieldFormat>(s));
    for (int32_t i : iv)
        for (auto& f : fi) out.push_back(format_string(*f, i));
    for (double x : v)
        for (auto& f : fr) out.push_back(format_string(*f, x));

    const FieldFormat point("(I6,3X,9(D15.7,1X))"), names_ints("(1X,5(A8,I4,8X))"),
        names_d("(1X,4(A8,D18.10,1X))"), names_f("(1X,4(A8,F18.10,1X))"), five_f("(1X,5(F18.10,2X))"),
        panel("(1X,A,2(3(1X,I4),1X),6D14.6)"), groups("(1X,A,3X,1(2(3D14.6),3X))"), row("(1X,A,I3,6D14.6)");
    const size_t nv = v.size(), ni = iv.size(), nn = nm.size();
    auto V = [&](size_t k, size_t j) { return v[(k + j) % nv]; };
    auto I = [&](size_t k, size_t j) { return iv[(k + j) % ni]; };
    auto N = [&](size_t k, size_t j) { return std::string_view(nm[(k + j) % nn]); };
    auto put = [&](const FieldFormat& f, const std::vector<OutItem>& items) {
        std::string s = format_to_string(f, items);
        size_t start = 0;
        for (;;) {
            const size_t nl = s.find('\n', start);
            out.push_back(s.substr(start, nl == std::string::npos ? std::string::npos : nl - start));
            if (nl == std::string::npos) break;
            start = nl + 1;
        }
    };
    for (size_t k = 0; k < nn; ++k) {
        for (int n : {9, 7}) {
            std::vector<OutItem> it{I(k, 0)};
            for (int j = 0; j < n; ++j) it.emplace_back(V(k, j));
            put(point, it);
        }
        for (int n : {5, 7}) {
            std::vector<OutItem> it;
            for (int j = 0; j < n; ++j) {
                it.emplace_back(N(k, j));
                it.emplace_back(I(k, j));
            }
            put(names_ints, it);
        }
        for (const FieldFormat* f : {&names_d, &names_f})
            for (int n : {4, 6}) {
                std::vector<OutItem> it;
                for (int j = 0; j < n; ++j) {
                    it.emplace_back(N(k, j));
                    it.emplace_back(V(k, j));
                }
                put(*f, it);
            }
        for (int n : {5, 7}) {
            std::vector<OutItem> it;
            for (int j = 0; j < n; ++j) it.emplace_back(V(k, j));
            put(five_f, it);
        }
        {
            std::vector<OutItem> it{N(k, 0)};
            for (int j = 0; j < 6; ++j) it.emplace_back(I(k, j));
            for (int j = 0; j < 6; ++j) it.emplace_back(V(k, j));
            put(panel, it);
        }
        for (int n : {6, 12}) {
            std::vector<OutItem> it{N(k, 0)};
            for (int j = 0; j < n; ++j) it.emplace_back(V(k, j));
            put(groups, it);
        }
        {
            std::vector<OutItem> it{N(k, 0), I(k, 0)};
            for (int j = 0; j < 6; ++j) it.emplace_back(V(k, j));
            put(row, it);
        }
    }
    return out;
}

// One result line of the reads, as the Fortran program writes it.
std::string read_result(int c, int k, IoStatus st, const int16_t (&i2)[7], const double (&d)[7],
                        const Text<15>& ch, const Text<5>& ch5) {
    std::string s = std::to_string(c) + " " + std::to_string(k) + " " +
                    (st == IoStatus::ok      ? "0"
                     : st == IoStatus::error ? "1"
                                             : "-1");
    for (int16_t i : i2) {
        s += ' ';
        s += std::to_string(i);
    }
    for (double x : d) {
        char hex[20];
        std::snprintf(hex, sizeof hex, " %016" PRIX64, bits_of(x));
        s += hex;
    }
    return s + " [" + ch.str() + "][" + ch5.str() + "]";
}

// Equal lines, where any two NaN patterns in the value columns count as equal.
bool same_result(const std::string& a, const std::string& b) {
    if (a == b) return true;
    std::istringstream sa(a), sb(b);
    std::string ta, tb;
    for (int t = 0; t < 17; ++t) {
        sa >> ta;
        sb >> tb;
        if (ta == tb) continue;
        if (t < 10) return false;
        const double x = from_bits(std::strtoull(ta.c_str(), nullptr, 16));
        const double y = from_bits(std::strtoull(tb.c_str(), nullptr, 16));
        if (!(std::isnan(x) && std::isnan(y))) return false;
    }
    return a.substr(a.find('[')) == b.substr(b.find('['));
}

TEST_F(FortranDiff, TextsAndValuesAgreeWithTheFortranRuntime) {
    const std::vector<double> values = test_values();
    const std::vector<int32_t> ints = test_ints();
    const std::vector<std::string> names = test_names();
    const std::vector<std::string> answers = test_answers();

    {
        std::ofstream src("diff.f90");
        src << kFortranSource;
        std::ofstream counts("counts.txt");
        counts << values.size() << ' ' << ints.size() << ' ' << names.size() << ' ' << answers.size() << '\n';
        std::ofstream vals("values.txt");
        for (double x : values) vals << int64_t(bits_of(x)) << '\n';
        std::ofstream is("ints.txt");
        for (int32_t i : ints) is << i << '\n';
    }
    write_lines("names.txt", names);
    for (size_t k = 0; k < answers.size(); ++k) {
        char name[32];
        std::snprintf(name, sizeof name, "a_%04zu.txt", k + 1);
        write_lines(name, {answers[k], answers[(k + 1) % answers.size()]});
    }
    ASSERT_EQ(std::system("gfortran -O0 -o diff diff.f90 > compile.log 2>&1"), 0) << read_file("compile.log");
    ASSERT_EQ(std::system("./diff > run.log 2>&1"), 0) << read_file("run.log");

    // Output texts.
    const std::vector<std::string> got = read_lines("out.txt");
    const std::vector<std::string> want = expected_output(values, ints, names);
    ASSERT_EQ(got.size(), want.size());
    int shown = 0, mismatches = 0;
    for (size_t i = 0; i < got.size(); ++i) {
        if (got[i] == want[i]) continue;
        ++mismatches;
        if (shown++ < 20)
            ADD_FAILURE() << "line " << i + 1 << "\n  gfortran: [" << got[i] << "]\n  here:     [" << want[i]
                          << "]";
    }
    EXPECT_EQ(mismatches, 0) << "of " << got.size() << " output lines";

    // Reads of the typed answers, through the numbered units.
    const std::vector<std::string> fortran_reads = read_lines("reads.txt");
    ASSERT_EQ(fortran_reads.size(), answers.size() * 16);
    const FieldFormat f[] = {FieldFormat("(I2)"),          FieldFormat("(I3)"),
                             FieldFormat("(I5)"),          FieldFormat("(2(I3))"),
                             FieldFormat("(F15.6)"),       FieldFormat("(D15.6)"),
                             FieldFormat("(F18.10)"),      FieldFormat("(2(F18.10,1X))"),
                             FieldFormat("(1X,5(I4,2X))"), FieldFormat("(1X,5(F18.10,2X))"),
                             FieldFormat("(A)"),           FieldFormat("(A)"),
                             FieldFormat("(2(I3))"),       FieldFormat("(1X,5(F18.10,2X))"),
                             FieldFormat("(A8,I2)"),       FieldFormat("(I3)")};
    shown = 0;
    mismatches = 0;
    size_t line = 0;
    for (size_t k = 1; k <= answers.size(); ++k) {
        char name[32];
        std::snprintf(name, sizeof name, "a_%04zu.txt", k);
        for (int c = 1; c <= 16; ++c) {
            int16_t i2[7] = {-7, -7, -7, -7, -7, -7, -7};
            double d[7] = {-7, -7, -7, -7, -7, -7, -7};
            Text<15> ch("###############");
            Text<5> ch5("#####");
            ASSERT_TRUE(open_unit(10, name, OpenStatus::old));
            IoStatus st = IoStatus::ok;
            switch (c) {
                case 1:
                case 2:
                case 3:
                    st = read_unit(10, f[c - 1], i2[0]);
                    break;
                case 4:
                    st = read_unit(10, f[c - 1], i2[0], i2[1]);
                    break;
                case 5:
                case 6:
                case 7:
                    st = read_unit(10, f[c - 1], d[0]);
                    break;
                case 8:
                    st = read_unit(10, f[c - 1], d[0], d[1]);
                    break;
                case 9:
                    st = read_unit(10, f[c - 1], i2[0], i2[1], i2[2], i2[3], i2[4]);
                    break;
                case 10:
                    st = read_unit(10, f[c - 1], d[0], d[1], d[2], d[3], d[4]);
                    break;
                case 11:
                    st = read_unit(10, f[c - 1], ch);
                    break;
                case 12:
                    st = read_unit(10, f[c - 1], ch5);
                    break;
                case 13:
                    st = read_unit(10, f[c - 1], i2[0], i2[1], i2[2]);
                    break;
                case 14:
                    st = read_unit(10, f[c - 1], d[0], d[1], d[2], d[3], d[4], d[5], d[6]);
                    break;
                case 15:
                    st = read_unit(10, f[c - 1], ch, i2[0]);
                    break;
                case 16:
                    st = read_unit(10, f[c - 1], i2[0], i2[1], i2[2]);
                    break;  // past the end
            }
            close_unit(10);
            const std::string mine = read_result(c, int(k), st, i2, d, ch, ch5);
            const std::string& theirs = fortran_reads[line++];
            if (same_result(theirs, mine)) continue;
            ++mismatches;
            if (shown++ < 30)
                ADD_FAILURE() << "answer [" << answers[k - 1] << "] with " << f[c - 1].source()
                              << "\n  gfortran: " << theirs << "\n  here:     " << mine;
        }
    }
    EXPECT_EQ(mismatches, 0) << "of " << fortran_reads.size() << " reads";
}

}  // namespace
