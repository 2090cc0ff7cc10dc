// Tests for platform/headless.cpp: the program run with keyboard lines from
// standard input and the screen written to standard output, in a child
// process of its own with both redirected to files.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/console.h"
#include "platform/frontend.h"
#include "platform/mathfn.h"
#include "platform/surface.h"
#include "platform/units.h"
#include "platform/window.h"
#include "tests/support/test_env.h"

namespace {

struct ChildRun {
    int status;  // exit status, or -1 when the child did not exit normally
    std::string out;
};

class HeadlessTest : public KalvoTest {
protected:
    ChildRun run(const std::string& input, std::vector<std::string> args, ProgramEntry program) {
        write_file("stdin.txt", input);
        std::fflush(stdout);
        std::fflush(stderr);
        const pid_t pid = fork();
        if (pid == 0) {
            if (std::freopen("stdin.txt", "r", stdin) == nullptr) _exit(100);
            if (std::freopen("stdout.txt", "w", stdout) == nullptr) _exit(101);
            args.insert(args.begin(), "kalvo-headless");
            std::vector<char*> argv;
            for (std::string& a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            const int code = run_headless(int(args.size()), argv.data(), program);
            std::fflush(stdout);
            _exit(code);
        }
        int wstatus = 0;
        waitpid(pid, &wstatus, 0);
        return ChildRun{WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1, read_file("stdout.txt")};
    }
};

//---- small programs for the frontend to run ----

void one_question() {
    static const FieldFormat i3("(I3)");
    static const FieldFormat got("(A,I4)");
    win_text_pos(2, 1);
    win_text("PROMPT:");
    int16_t x = 0;
    read_keyboard(i3, x);
    win_text_pos(4, 1);
    write_console(got, "GOT", x);
}

void two_questions_and_a_pause() {
    static const FieldFormat a("(A)");
    static const FieldFormat rec("(A)");
    open_unit(8, "out.txt");
    write_unit(8, rec, "RECORD ONE");
    win_text_pos(1, 10);
    win_text("FIRST? ");
    Text<8> answer;
    read_keyboard(a, answer);
    win_text("SECOND?   ");
    read_keyboard(a, answer);
    write_unit(8, rec, "RECORD TWO");
    pause_prompt(" PAUSA ");
}

void long_wait() { wait_ms(60000); }
void short_wait() { wait_ms(60); }

void math_failure() {
    win_text_pos(3, 3);
    win_text("BEFORE");
    open_unit(8, "kept.txt");
    write_unit(8, FieldFormat("(A)"), "KEPT");
    math_error("SQRT", "DOMAIN error");
}

void drawing_then_question() {
    win_back_colour(0x00FFFFFF);
    win_clear(0);
    win_pen_colour(0x000000FF);
    win_move(0, 0);
    win_line(10, 0);
    Text<4> answer;
    read_keyboard(FieldFormat("(A)"), answer);
}

//---- tests ----

TEST_F(HeadlessTest, EveryReadShowsItsNumberEchoPositionAndTheScreen) {
    const ChildRun r = run("42\n", {}, one_question);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              "@@ read 1 row 2 col 8\n"
              "\n"
              "PROMPT:\n"
              "@@ waiting\n"
              "@@ finished 0\n");
}

TEST_F(HeadlessTest, LaterReadsSeeTheEchoOfEarlierAnswers) {
    const ChildRun r = run("yes\nno\n\n", {}, two_questions_and_a_pause);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              "@@ read 1 row 1 col 17\n"
              "         FIRST?\n"
              "@@ waiting\n"
              "@@ read 2 row 2 col 11\n"
              "         FIRST? yes\n"
              "SECOND?\n"
              "@@ waiting\n"
              "@@ read 3 row 4 col 1\n"
              "         FIRST? yes\n"
              "SECOND?   no\n"
              " PAUSA\n"
              "@@ waiting\n"
              "@@ finished 0\n");
    EXPECT_EQ(read_file("out.txt"), "RECORD ONE\nRECORD TWO\n");
}

TEST_F(HeadlessTest, EndOfInputShowsTheScreenKeepsTheRecordsAndExitsWithThree) {
    const ChildRun r = run("yes\n", {}, two_questions_and_a_pause);
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.out,
              "@@ read 1 row 1 col 17\n"
              "         FIRST?\n"
              "@@ waiting\n"
              "@@ read 2 row 2 col 11\n"
              "         FIRST? yes\n"
              "SECOND?\n"
              "@@ waiting\n"
              "@@ end of input\n"
              "         FIRST? yes\n"
              "SECOND?\n");
    EXPECT_EQ(read_file("out.txt"), "RECORD ONE\n");
}

TEST_F(HeadlessTest, LastLineWithoutLineEndIsStillALine) {
    const ChildRun r = run("7", {}, one_question);
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("@@ finished 0\n"), std::string::npos);
}

TEST_F(HeadlessTest, PngOptionSavesTheSurfaceAtEveryRead) {
    const ChildRun r = run("x\n", {"--png", "shots"}, drawing_then_question);
    EXPECT_EQ(r.status, 0);
    const std::string png = read_file("shots/read-1.png");
    ASSERT_GT(png.size(), 24u);
    EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    auto be32 = [&](size_t at) {
        return (uint32_t(uint8_t(png[at])) << 24) | (uint32_t(uint8_t(png[at + 1])) << 16) |
               (uint32_t(uint8_t(png[at + 2])) << 8) | uint32_t(uint8_t(png[at + 3]));
    };
    EXPECT_EQ(be32(16), uint32_t(kSurfaceWidth));
    EXPECT_EQ(be32(20), uint32_t(kSurfaceHeight));
    // The first stored block holds row 0: filter byte, then a red pixel.
    const size_t data = 33 + 8 + 2 + 5;
    EXPECT_EQ(png.substr(data, 4), std::string("\0\xFF\0\0", 4));
    EXPECT_EQ(png.substr(data + 1 + 3 * 11, 3), "\xFF\xFF\xFF");
}

// A script that answers what it sees finds the read's picture complete
// when the read is announced.
TEST_F(HeadlessTest, PictureOfAReadIsWrittenBeforeTheReadIsAnnounced) {
    int to_child[2], from_child[2];
    ASSERT_EQ(pipe(to_child), 0);
    ASSERT_EQ(pipe(from_child), 0);
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(to_child[0], 0);
        dup2(from_child[1], 1);
        close(to_child[1]);
        close(from_child[0]);
        char a0[] = "kalvo-headless", a1[] = "--png", a2[] = "shots";
        char* argv[] = {a0, a1, a2, nullptr};
        const int code = run_headless(3, argv, drawing_then_question);
        std::fflush(stdout);
        _exit(code);
    }
    close(to_child[0]);
    close(from_child[1]);
    std::string seen;
    char buf[256];
    while (seen.find("@@ waiting\n") == std::string::npos) {
        const ssize_t k = read(from_child[0], buf, sizeof buf);
        if (k <= 0) break;
        seen.append(buf, size_t(k));
    }
    const std::string png = read_file("shots/read-1.png");
    // Signature, header, the stored rows (3 bytes a pixel and a filter byte
    // a row) and the end chunk.
    EXPECT_GE(png.size(), size_t(kSurfaceHeight) * (1 + 3 * size_t(kSurfaceWidth)));
    EXPECT_EQ(png.substr(png.size() < 8 ? 0 : png.size() - 8, 4), "IEND");
    ASSERT_EQ(write(to_child[1], "x\n", 2), 2);
    close(to_child[1]);
    while (read(from_child[0], buf, sizeof buf) > 0) {
    }
    close(from_child[0]);
    int wstatus = 0;
    waitpid(pid, &wstatus, 0);
    EXPECT_TRUE(WIFEXITED(wstatus) && WEXITSTATUS(wstatus) == 0);
}

TEST_F(HeadlessTest, NoWaitOptionMakesWaitsReturnAtOnce) {
    const auto t0 = std::chrono::steady_clock::now();
    const ChildRun r = run("", {"--no-wait"}, long_wait);
    const auto took = std::chrono::steady_clock::now() - t0;
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "@@ finished 0\n");
    EXPECT_LT(took, std::chrono::seconds(30));
}

TEST_F(HeadlessTest, WaitsAreRealWithoutTheOption) {
    const auto t0 = std::chrono::steady_clock::now();
    const ChildRun r = run("", {}, short_wait);
    const auto took = std::chrono::steady_clock::now() - t0;
    EXPECT_EQ(r.status, 0);
    EXPECT_GE(took, std::chrono::milliseconds(60));
}

TEST_F(HeadlessTest, MathErrorShowsFunctionAndErrorKeepsTheRecordsAndExitsWithFour) {
    const ChildRun r = run("", {}, math_failure);
    EXPECT_EQ(r.status, 4);
    EXPECT_EQ(r.out,
              "@@ math error: SQRT: DOMAIN error\n"
              "\n"
              "\n"
              "  BEFORE\n");
    EXPECT_EQ(read_file("kept.txt"), "KEPT\n");
}

}  // namespace
