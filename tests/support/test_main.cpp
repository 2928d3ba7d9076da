// The main of every test program: each test runs in a fresh folder of its
// own (below the folder the program started in), so tests that write files
// (logs, workbooks, the engine log) never meet, also when run in parallel.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
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

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleMock(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(
        new PerTestFolder(std::filesystem::current_path()));
    return RUN_ALL_TESTS();
}
