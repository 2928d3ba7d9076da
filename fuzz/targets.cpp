// The table of fuzz targets and the helpers they share.
#include "fuzz/targets.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fuzz {

const std::vector<Target>& targets() {
    static const std::vector<Target> all = {
        {"instance_file", instanceFile}, {"spec_lines", specLines},   {"xlsx_package", xlsxPackage},
        {"xlsx_parts", xlsxParts},       {"text_import", textImport}, {"formulas", formulas},
        {"references", references},      {"totals", totalsSearch},
        {"number_formats", numberFormats},
    };
    return all;
}

void fail(const std::string& rule, const std::string& detail) {
    std::fprintf(stderr, "broken rule: %s\n", rule.c_str());
    if (!detail.empty()) std::fprintf(stderr, "  %s\n", detail.c_str());
    std::fflush(stderr);
    std::abort();
}

namespace {

// Removed when the process ends normally.
struct ScratchFolder {
    std::filesystem::path path;
    ScratchFolder() {
        std::filesystem::path base = "/dev/shm";
        std::error_code ec;
        if (!std::filesystem::is_directory(base, ec) || access(base.c_str(), W_OK) != 0)
            base = std::filesystem::temp_directory_path();
        path = base / ("quorant-fuzz-" + std::to_string(getpid()));
        std::filesystem::create_directories(path, ec);
    }
    ~ScratchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
};

}  // namespace

std::string scratchPath(const std::string& name) {
    static ScratchFolder folder;
    return (folder.path / name).string();
}

void writeScratch(const std::string& path, const uint8_t* data, size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    out.flush();
    if (!out) fail("the scratch file can be written", path);
}

}  // namespace fuzz
