// Runs the built flumpet tool in a scratch folder and reads what it printed and wrote.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace flumpet::test {

struct CliResult {
    int status = -1;
    std::string out, err;
};

class CliFixture : public testing::Test {
  protected:
    void SetUp() override {
        dir_ = std::filesystem::path(testing::TempDir()) /
               ("flumpet_cli_" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string path(const std::string& name) const { return (dir_ / name).string(); }
    static std::string bcn() { return std::string(FLUMPET_TEST_MODELS) + "/X/BCN_Epileptic.X"; }

    /// Runs `flumpet ARGS` (arguments as the shell reads them).
    CliResult run(const std::string& args) const {
        const std::string out = path("stdout.txt"), err = path("stderr.txt");
        // The import library's own leaks (its RAW reader) are not ours to report.
        const std::string command = "cd '" + dir_.string() + "' && LSAN_OPTIONS=suppressions='" FLUMPET_SOURCE_DIR
                                    "/tests/lsan_suppressions.txt' '" FLUMPET_TOOL "' " + args + " >'" + out + "' 2>'" + err + "'";
        CliResult r;
        const int raw = std::system(command.c_str());
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.out = read(out);
        r.err = read(err);
        return r;
    }
    static std::string read(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    bool exists(const std::string& name) const { return std::filesystem::exists(dir_ / name); }

    /// The imported character, made once per test.
    std::string importCharacter() {
        const CliResult r = run("import '" + bcn() + "' -o character.json --quiet");
        EXPECT_EQ(r.status, 0) << r.err;
        return "character.json";
    }

  private:
    std::filesystem::path dir_;
};

} // namespace flumpet::test
