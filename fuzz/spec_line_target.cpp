// Test specification files: every line the reader hands over either parses
// into a test the runner can run or is refused with its message.
#include <cmath>
#include <cstdio>

#include "batch/test_spec.h"
#include "fuzz/targets.h"
#include "host/host.h"
#include "instance/instance.h"

namespace fuzz {

namespace {

void checkSpec(const batch::TestSpec& s, bool bias) {
    if (s.k != static_cast<int>(s.dim.size()) || s.k < 1) fail("k counts the dimensions");
    for (int32_t d : s.dim)
        if (d < 1) fail("every dimension has categories");
    if (s.timelim < 1 || s.numrep < 1) fail("time limit and repetitions are positive");
    if (!std::isfinite(s.from) || !std::isfinite(s.to)) fail("the value range is finite");
    if (!(s.basenumber > 0) || !std::isfinite(s.basenumber)) fail("the base is positive");
    if (!(s.pzeroinp >= 0 && s.pzeroinp <= 100)) fail("the share of zeros is a percentage");
    if (bias && (s.basenumber != std::trunc(s.basenumber) || s.randint != 1))
        fail("a bias test has a whole base and whole values");
}

}  // namespace

void specLines(const uint8_t* data, size_t size) {
    if (size == 0) return;
    const bool bias = (data[0] & 1) != 0;
    std::vector<std::string> lines;
    // fmemopen refuses an empty buffer; an empty file simply has no lines.
    if (size > 1) {
        std::FILE* f = fmemopen(const_cast<uint8_t*>(data + 1), size - 1, "r");
        if (!f) fail("fmemopen opens the input");
        batch::readSpecLines(f, [&](std::string&& line) { lines.push_back(std::move(line)); });
        std::fclose(f);
    }
    size_t characters = 0;
    for (const std::string& line : lines) {
        if (line.empty()) fail("empty lines are skipped");
        if (line.find('\n') != std::string::npos) fail("a line holds no line feed");
        characters += line.size();
    }
    // UTF-16 (2 bytes a character) becomes UTF-8 of up to 3 bytes.
    if (characters > size / 2 * 3) fail("the lines hold no more than the file's text");

    double batchBase = 0;
    for (const std::string& line : lines) {
        batch::TestSpec spec;
        if (batch::parseSpecLine(line, bias, batchBase, spec) == 0) checkSpec(spec, bias);
    }
    gOptions = RoundingOptions{};
    host::clearJournal();
}

}  // namespace fuzz
