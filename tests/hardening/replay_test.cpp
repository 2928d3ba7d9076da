// Every committed fuzzing seed, every input that once made a reader fail, and
// the example workbooks, replayed through the fuzz targets in a normal build:
// a reader that crashes, leaks or breaks one of the rules the targets check
// ends this test program.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>

#include "fuzz/targets.h"

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> filesIn(const fs::path& dir) {
    std::vector<fs::path> files;
    std::error_code ec;
    if (!fs::is_directory(dir, ec)) return files;
    for (const auto& entry : fs::directory_iterator(dir))
        if (entry.is_regular_file()) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

// Replays the files; returns how many there were.
size_t replay(const fuzz::Target& target, const std::vector<fs::path>& files) {
    for (const fs::path& file : files) {
        std::ifstream in(file, std::ios::binary);
        const std::string data((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
        // Named before it runs: a failing input ends the program.
        std::cerr << "replaying " << target.name << " " << file.string() << "\n";
        target.run(reinterpret_cast<const uint8_t*>(data.data()), data.size());
    }
    return files.size();
}

class Replay : public ::testing::TestWithParam<fuzz::Target> {};

TEST_P(Replay, SeedsAndFormerFailuresPass) {
    const fuzz::Target& target = GetParam();
    const fs::path root = QUORANT_SOURCE_DIR;
    size_t seeds = replay(target, filesIn(root / "fuzz" / "corpus" / target.name));
    replay(target, filesIn(root / "fuzz" / "regressions" / target.name));
    if (std::string(target.name) == "xlsx_package") {
        seeds += replay(target, filesIn(root / "examples"));
        seeds += replay(target, filesIn(root / "tests" / "host" / "fixtures"));
    }
    EXPECT_GT(seeds, 0u) << "every target has seeds";
}

INSTANTIATE_TEST_SUITE_P(Fuzz, Replay, ::testing::ValuesIn(fuzz::targets()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
