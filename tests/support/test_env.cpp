#include "tests/support/test_env.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "common/start_values.h"
#include "platform/testing.h"
#include "platform/units.h"

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
