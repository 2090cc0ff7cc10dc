// The program without a desktop: keyboard lines from standard input, the
// screen as text on standard output at every read, for scripts and tests.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/frontend.h"
#include "platform/surface.h"
#include "platform/testing.h"
#include "platform/units.h"

namespace {

constexpr int kEndOfInputStatus = 3;
constexpr int kMathErrorStatus = 4;
constexpr int kUsageStatus = 2;

bool g_no_wait = false;
std::string g_png_dir;

void print_screen() {
    const std::string s = screen_text();
    std::fwrite(s.data(), 1, s.size(), stdout);
}

void save_png(int n) {
    std::vector<uint32_t> pixels(size_t(kSurfaceWidth) * kSurfaceHeight);
    copy_pixels(pixels.data());
    const std::string path = g_png_dir + "/read-" + std::to_string(n) + ".png";
    if (!write_png(path.c_str(), pixels.data(), kSurfaceWidth, kSurfaceHeight)) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
    }
}

// One line of standard input without its line end; false at the end of
// input with nothing read.
bool stdin_line(std::string& line) {
    line.clear();
    int c;
    while ((c = std::getc(stdin)) != EOF) {
        if (c == '\n') return true;
        line.push_back(char(c));
    }
    return !line.empty();
}

// The picture of a read is in its file before the read is announced, so a
// script that answers what it sees finds it there.
bool headless_read_line(std::string& line, int row, int col) {
    const int n = keyboard_reads();
    if (!g_png_dir.empty()) save_png(n);
    std::printf("@@ read %d row %d col %d\n", n, row, col);
    print_screen();
    std::fputs("@@ waiting\n", stdout);
    std::fflush(stdout);
    if (stdin_line(line)) return true;
    std::fputs("@@ end of input\n", stdout);
    print_screen();
    std::fflush(stdout);
    close_all_units();
    std::exit(kEndOfInputStatus);
}

void headless_wait(int32_t ms) {
    if (!g_no_wait && ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void headless_math_error(const char* function, const char* error) {
    std::printf("@@ math error: %s: %s\n", function, error);
    print_screen();
    std::fflush(stdout);
    std::exit(kMathErrorStatus);
}

constexpr Frontend kHeadless{headless_read_line, headless_wait, headless_math_error, nullptr};

}  // namespace

int run_headless(int argc, char** argv, ProgramEntry program) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--no-wait") == 0) {
            g_no_wait = true;
        } else if (std::strcmp(argv[i], "--png") == 0 && i + 1 < argc) {
            g_png_dir = argv[++i];
            std::error_code ec;
            std::filesystem::create_directories(g_png_dir, ec);
        } else {
            std::fprintf(stderr, "usage: %s [--png DIR] [--no-wait]\n", argv[0]);
            return kUsageStatus;
        }
    }
    take_file_size_limit_as_failed_write();
    install_frontend(&kHeadless);
    program();
    close_all_units();
    const int code = 0;
    std::printf("@@ finished %d\n", code);
    std::fflush(stdout);
    install_frontend(nullptr);
    return code;
}
