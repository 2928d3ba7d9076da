// The main of every test program: each test runs in a fresh folder of its
// own, so tests that write files (logs, workbooks, the engine log) never
// meet, also when run in parallel. The folders go below the program's work
// folder that ctest names in QUORANT_TEST_WORK, or below a new temporary
// folder when the program is started by hand: never into the folder it is
// started from, which may be the source tree.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>

namespace {

class PerTestFolder : public ::testing::EmptyTestEventListener {
  public:
    explicit PerTestFolder(std::filesystem::path base) : base_(std::move(base)) {}
    void OnTestStart(const ::testing::TestInfo& info) override {
        std::string name = std::string(info.test_suite_name()) + "." + info.name();
        for (char& c : name)
            if (c == '/') c = '_';
        const std::filesystem::path dir = base_ / name;
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
        std::filesystem::create_directories(dir, ignored);
        if (chdir(dir.c_str()) != 0) std::perror(dir.c_str());
    }
    void OnTestEnd(const ::testing::TestInfo&) override {
        if (chdir(base_.c_str()) != 0) std::perror(base_.c_str());
    }

  private:
    std::filesystem::path base_;
};

std::filesystem::path scratchBase() {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (const char* work = std::getenv("QUORANT_TEST_WORK"); work != nullptr && *work != '\0') {
        fs::create_directories(work, ec);
        return fs::absolute(work, ec);
    }
    std::string pattern = (fs::temp_directory_path(ec) / "quorant-tests-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        std::perror("cannot make a temporary folder for the tests");
        std::exit(2);
    }
    std::cerr << "test output goes to " << pattern << "\n";
    return pattern;
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleMock(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();  // lists, writes nothing
    const std::filesystem::path base = scratchBase();
    if (chdir(base.c_str()) != 0) {
        std::perror(base.c_str());
        return 2;
    }
    ::testing::UnitTest::GetInstance()->listeners().Append(new PerTestFolder(base));
    return RUN_ALL_TESTS();
}
