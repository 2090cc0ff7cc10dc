// Runs the headless program in the test's directory with a list of
// keyboard lines, and reads back the screens it showed at every read and
// the files it wrote.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

// The screen shown while one keyboard read waited.
struct Screen {
    int read = 0;  // number of the read, from 1
    int row = 0;   // text cursor of the read
    int col = 0;
    std::vector<std::string> rows;  // text rows from 1, trailing blanks dropped

    std::string row_text(int r) const { return r >= 1 && r <= int(rows.size()) ? rows[size_t(r - 1)] : ""; }
    // n characters of text row r from column c, blank-padded.
    std::string at(int r, int c, int n) const {
        std::string s = row_text(r);
        if (int(s.size()) < c - 1 + n) s.resize(size_t(c - 1 + n), ' ');
        return s.substr(size_t(c - 1), size_t(n));
    }
    bool shows(int r, int c, std::string_view text) const { return at(r, c, int(text.size())) == text; }
    bool contains(std::string_view text) const {
        for (const std::string& s : rows)
            if (s.find(text) != std::string::npos) return true;
        return false;
    }
};

struct Session {
    std::vector<Screen> reads;
    bool finished = false;     // the program returned ("@@ finished")
    bool input_ended = false;  // it asked for a line that the script did not have
    bool timed_out = false;
    int exit_status = 0;  // as waitpid gives it
    std::string transcript;

    // The reads whose screen shows text at (r, c).
    std::vector<const Screen*> showing(int r, int c, std::string_view text) const {
        std::vector<const Screen*> found;
        for (const Screen& s : reads)
            if (s.shows(r, c, text)) found.push_back(&s);
        return found;
    }
    const Screen& last() const { return reads.back(); }
};

inline Session parse_transcript(const std::string& text) {
    Session out;
    out.transcript = text;
    std::istringstream in(text);
    std::string line;
    Screen* current = nullptr;
    while (std::getline(in, line)) {
        if (line.rfind("@@ read ", 0) == 0) {
            Screen s;
            std::sscanf(line.c_str(), "@@ read %d row %d col %d", &s.read, &s.row, &s.col);
            out.reads.push_back(s);
            current = &out.reads.back();
        } else if (line == "@@ waiting") {
            current = nullptr;
        } else if (line.rfind("@@ finished", 0) == 0) {
            out.finished = true;
        } else if (line == "@@ end of input") {
            out.input_ended = true;
            current = nullptr;
        } else if (current != nullptr) {
            current->rows.push_back(line);
        }
    }
    return out;
}

// Runs the program in the current directory with the lines as its
// keyboard, as a user starts it: the file-size signal at its default,
// whatever this test inherited, and the screens going to a pipe. A
// file_size_limit in bytes is a file-size limit as `ulimit -f` sets it.
// Ends the program when it takes longer than the limit.
inline Session run_program_with(const std::vector<std::string>& lines, int limit_seconds,
                                const char* extra_arg, const char* extra_value, rlim_t file_size_limit) {
    {
        std::ofstream keys("keyboard.in", std::ios::binary);
        for (const std::string& l : lines) keys << l << '\n';
    }
    int screens[2];
    if (pipe(screens) != 0) return Session{};
    const pid_t pid = fork();
    if (pid == 0) {
        const int in = open("keyboard.in", O_RDONLY);
        dup2(in, 0);
        dup2(screens[1], 1);
        close(screens[0]);
        close(screens[1]);
        signal(SIGXFSZ, SIG_DFL);
        const rlimit limit{file_size_limit, file_size_limit};
        setrlimit(RLIMIT_FSIZE, &limit);
        if (extra_arg != nullptr)
            execl(KALVO_HEADLESS_BIN, KALVO_HEADLESS_BIN, "--no-wait", extra_arg, extra_value,
                  (char*)nullptr);
        else
            execl(KALVO_HEADLESS_BIN, KALVO_HEADLESS_BIN, "--no-wait", (char*)nullptr);
        _exit(127);
    }
    close(screens[1]);
    bool timed_out = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(limit_seconds);
    std::string all;
    pollfd out{screens[0], POLLIN, 0};
    for (;;) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            timed_out = true;
            break;
        }
        if (poll(&out, 1, 5) <= 0) continue;
        char chunk[65536];
        const ssize_t k = read(screens[0], chunk, sizeof chunk);
        if (k < 0 && errno == EINTR) continue;
        if (k <= 0) break;  // the program and its children closed the pipe
        all.append(chunk, size_t(k));
    }
    close(screens[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    Session s = parse_transcript(all);
    s.timed_out = timed_out;
    s.exit_status = status;
    return s;
}

inline Session run_program(const std::vector<std::string>& lines, int limit_seconds = 60,
                           const char* extra_arg = nullptr, const char* extra_value = nullptr) {
    return run_program_with(lines, limit_seconds, extra_arg, extra_value, RLIM_INFINITY);
}

// The lines of a text file.
inline std::vector<std::string> file_lines(const std::string& name) {
    std::vector<std::string> out;
    std::ifstream in(name, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) out.push_back(line);
    return out;
}

inline bool file_exists(const std::string& name) { return std::ifstream(name).good(); }

// A number as the file formats write it (D exponent letter accepted).
inline double field_value(const std::string& line, int first_col, int width) {
    if (int(line.size()) < first_col) return 0.0;
    std::string f = line.substr(size_t(first_col - 1), size_t(width));
    for (char& c : f)
        if (c == 'D') c = 'E';
    return std::strtod(f.c_str(), nullptr);
}

// Value of pair p (from 0) of a header line of real pairs (1X,4(A8,F18.10,1X)).
inline double header_real(const std::vector<std::string>& lines, int line, int pair) {
    return field_value(lines.at(size_t(line - 1)), 10 + 27 * pair, 18);
}
inline std::string header_name(const std::vector<std::string>& lines, int line, int pair) {
    const std::string& l = lines.at(size_t(line - 1));
    return l.substr(size_t(1 + 27 * pair), 8);
}
// Value of pair p of a header line of integer pairs (1X,5(A8,I4,8X)).
inline int header_int(const std::vector<std::string>& lines, int line, int pair) {
    return int(field_value(lines.at(size_t(line - 1)), 10 + 20 * pair, 4));
}

// One point record: index n, the time, and six state values.
struct PointRecord {
    int n;
    double time;
    double v[6];
};
inline std::vector<PointRecord> point_records(const std::vector<std::string>& lines, int header_lines = 40) {
    std::vector<PointRecord> out;
    for (size_t i = size_t(header_lines); i < lines.size(); ++i) {
        PointRecord r;
        r.n = int(field_value(lines[i], 1, 6));
        r.time = field_value(lines[i], 10, 15);
        for (int k = 0; k < 6; ++k) r.v[k] = field_value(lines[i], 26 + 16 * k, 15);
        out.push_back(r);
    }
    return out;
}
