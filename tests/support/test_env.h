// Test fixture: every test starts from the program's start values, with a
// fresh window and keyboard script, in an empty working directory of its own.
#pragma once

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <filesystem>
#include <functional>
#include <string>

class KalvoTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The whole content of a file in the test's directory.
    static std::string read_file(const std::string& name);
    static void write_file(const std::string& name, const std::string& content);
    // Makes file permissions hold for the rest of the test: run as root, the
    // test goes on as an ordinary user owning its directory (root again at
    // its end). False when that cannot be done.
    bool without_root();
    // Runs body in a child process whose files cannot grow past the limit
    // (1 KiB unless given), as on a full disk; the child's exit code, -1 if
    // it died. The file-size signal is left as it is: the units take a
    // write past the limit as a failed write themselves.
    static int with_full_disk(const std::function<int()>& body, rlim_t limit_bytes = 1024);

    std::filesystem::path dir_;

private:
    std::filesystem::path previous_dir_;
    bool root_given_up_ = false;
};
