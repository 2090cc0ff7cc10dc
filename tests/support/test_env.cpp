#include "tests/support/test_env.h"

#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "common/start_values.h"
#include "platform/testing.h"
#include "platform/units.h"

namespace {

constexpr uid_t kOrdinaryUser = 65534;  // "nobody"

}  // namespace

void KalvoTest::SetUp() {
    previous_dir_ = std::filesystem::current_path();
    std::string tmpl = (std::filesystem::temp_directory_path() / "kalvo-test-XXXXXX").string();
    char* made = mkdtemp(tmpl.data());
    ASSERT_NE(made, nullptr);
    dir_ = made;
    std::filesystem::current_path(dir_);
    unsetenv("FORT88");
    set_start_values();
    reset_window();
}

void KalvoTest::TearDown() {
    close_all_units();
    if (root_given_up_) {
        // The saved user ID is still root's.
        EXPECT_EQ(setresuid(0, 0, 0), 0);
        EXPECT_EQ(setresgid(0, 0, 0), 0);
        prctl(PR_SET_DUMPABLE, 1);
        root_given_up_ = false;
    }
    std::filesystem::current_path(previous_dir_);
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
}

std::string KalvoTest::read_file(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void KalvoTest::write_file(const std::string& name, const std::string& content) {
    std::ofstream out(name, std::ios::binary);
    out << content;
}

bool KalvoTest::without_root() {
    if (geteuid() != 0) return true;
    if (chown(dir_.c_str(), kOrdinaryUser, kOrdinaryUser) != 0) return false;
    if (setresgid(kOrdinaryUser, kOrdinaryUser, 0) != 0) return false;
    if (setresuid(kOrdinaryUser, kOrdinaryUser, 0) != 0) {
        EXPECT_EQ(setresgid(0, 0, 0), 0);
        return false;
    }
    root_given_up_ = true;
    return true;
}

int KalvoTest::with_full_disk(const std::function<int()>& body, rlim_t limit_bytes) {
    const pid_t child = fork();
    if (child < 0) return -1;
    if (child == 0) {
        const rlimit limit{limit_bytes, limit_bytes};
        setrlimit(RLIMIT_FSIZE, &limit);
        _exit(body());
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
