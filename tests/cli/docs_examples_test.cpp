// Every example in the README and docs/ runs as written, and every output
// shown there is what the program prints: command lines are run in a copy of
// the examples, scripts with `quorant script`, synopses are held against the
// command's --help, sample outputs against a real run. A code block that is
// none of these must be named below as one that is not run here (build,
// benchmark and fuzzing commands, which make runs), so a new example cannot
// go untested.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/cli_run.h"

namespace {

namespace fs = std::filesystem;
using clirun::slurp;

const std::string kSource = QUORANT_SOURCE_DIR;

struct Block {
    int line = 0;  // where it starts in its file
    std::vector<std::string> lines;
    std::string first() const { return lines.empty() ? "" : lines.front(); }
    std::string text() const {
        std::string t;
        for (const auto& l : lines) t += l + "\n";
        return t;
    }
};

// The code blocks of a markdown file: fenced ones, and lines indented by four
// blanks after a blank line.
std::vector<Block> codeBlocks(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    std::vector<Block> blocks;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].rfind("```", 0) == 0) {
            Block b;
            b.line = int(i) + 2;
            while (++i < lines.size() && lines[i].rfind("```", 0) != 0) b.lines.push_back(lines[i]);
            blocks.push_back(b);
        } else if (lines[i].rfind("    ", 0) == 0 && i > 0 && lines[i - 1].empty()) {
            Block b;
            b.line = int(i) + 1;
            for (; i < lines.size() && (lines[i].rfind("    ", 0) == 0 || lines[i].empty()); ++i)
                b.lines.push_back(lines[i].empty() ? "" : lines[i].substr(4));
            while (!b.lines.empty() && b.lines.back().empty()) b.lines.pop_back();
            blocks.push_back(b);
        }
    }
    return blocks;
}

// Runs a shell script in the test's folder with the built program first on
// the PATH and no input; its status, standard output and error.
clirun::Outcome sh(const std::string& script) {
    std::ofstream("example.sh") << "set -e\n" << script;
    const std::string cmd = "PATH='" + std::string(QUORANT_BIN_DIR) +
                            "':\"$PATH\" sh example.sh </dev/null >cli.out 2>cli.err";
    const int raw = std::system(cmd.c_str());
    clirun::Outcome r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = slurp("cli.out");
    r.err = slurp("cli.err");
    return r;
}

std::string trim(std::string s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.pop_back();
    size_t start = s.find_first_not_of(" \t");
    return start == std::string::npos ? "" : s.substr(start);
}

std::vector<std::string> words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> out;
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}

// A word standing for something to fill in: BOOK.xlsx, DIR, FILE_comp.log.
bool isPlaceholder(std::string word) {
    return std::regex_search(word, std::regex("[A-Z]{2,}"));
}

class DocExamples : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::copy(kSource + "/examples", "examples", fs::copy_options::recursive);
    }

    // Checks one file; every block must be run, checked or named as not run.
    void checkFile(const std::string& relative) {
        for (const Block& b : codeBlocks(kSource + "/" + relative)) {
            where_ = relative + ":" + std::to_string(b.line);
            SCOPED_TRACE(where_);
            if (!checkBlock(b)) ADD_FAILURE() << "an example that is not run: " << b.first();
        }
    }

    bool checkBlock(const Block& b) {
        const std::string first = b.first();
        auto starts = [&](const char* prefix) { return first.rfind(prefix, 0) == 0; };
        if (starts("Resolution Info")) return checkResolutionInfo(b);
        if (starts("== the rounded table")) return checkRoundedGrid(b);
        if (starts("{\"command\": \"round\"")) return checkJson(b);
        if (starts("dims seed from to")) return checkSpecLine(b);
        if (starts("TestNumber;ObjectiveFuncValue")) return checkLogHeader(b);
        if (starts("demo.qsc:")) return checkScriptMessage(first);
        if (starts("Found total:")) return checkFoundTotals(b);
        if (starts("Quorant is serving the folder")) return checkServeBanner(b);
        // The live progress line: only on a terminal, during a run of more
        // than a second (its tests drive a pseudo terminal).
        if (std::regex_search(first, std::regex("^[0-9]+:[0-9]{2} of [0-9]+:[0-9]{2} ")))
            return true;
        // Outputs and commands of make bench and make fuzz (docs/benchmarks.md,
        // docs/fuzzing.md): run by those targets, not by the tests.
        // A line of the load benchmark: its kind, cells, file size, time, memory.
        if (std::regex_search(first, std::regex("^[a-z]+ +[0-9]+ cells +file "))) return true;
        for (const char* notRun : {"engine_bench ", "an empty process", "fuzz formulas:", "make ",
                                   "rm -rf build/fuzz", "build/fuzz/", "capture    table "})
            if (starts(notRun)) return true;
        const std::string w0 = words(first).empty() ? "" : words(first)[0];
        if (w0 == "quorant" || w0 == "mkdir") return checkCommands(b);
        return checkScript(b);
    }

    // Lines of commands: those with placeholders are synopses held against
    // --help, the others are run in order.
    bool checkCommands(const Block& b) {
        std::vector<std::string> lines;
        for (const std::string& l : b.lines) {
            if (!l.empty() && (l[0] == ' ') && !lines.empty())
                lines.back() += " " + trim(l);  // a synopsis continued
            else if (!trim(l).empty())
                lines.push_back(l);
        }
        std::string script;
        for (std::string line : lines) {
            const size_t hash = line.find(" #");
            if (hash != std::string::npos) line = line.substr(0, hash);
            const size_t gap = line.find("  ");  // a description after the command
            if (gap != std::string::npos) line = line.substr(0, gap);
            line = trim(line);
            const auto w = words(line);
            if (w[0] == "make" || w[0].rfind("scripts/", 0) == 0) continue;  // make runs them
            bool synopsis = false;
            for (const auto& word : w) synopsis = synopsis || isPlaceholder(word);
            if (synopsis)
                checkSynopsis(w);
            else
                script += line + "\n";
        }
        if (!script.empty()) {
            const clirun::Outcome r = sh(script);
            EXPECT_EQ(r.status, 0) << script << r.err;
        }
        return true;
    }

    // The options a synopsis names are the command's, as its --help says.
    void checkSynopsis(const std::vector<std::string>& w) {
        ASSERT_GE(w.size(), 2u) << "a synopsis names its command";
        const clirun::Outcome help = sh("quorant " + w[1] + " --help\n");
        ASSERT_EQ(help.status, 0) << w[1] << ": " << help.err;
        for (std::string word : w) {
            word = std::regex_replace(word, std::regex("[\\[\\]]"), "");
            if (word.rfind("-", 0) != 0) continue;
            EXPECT_NE(help.out.find(word), std::string::npos) << w[1] << " has no option " << word;
        }
    }

    // A script runs as written; an answer (a dialog block) is queued in front of
    // a table captured with the options sheet, and must be used up.
    bool checkScript(const Block& b) {
        const std::string first = b.first();
        for (const char* grammar :
             {"dialog [", "message-box ok|", "file-dialog PATH", "dialog-box ["})
            if (first.rfind(grammar, 0) == 0) return true;  // the syntax, no example
        std::string script = b.text();
        if (first.rfind("dialog ", 0) == 0)
            script = "new\nset A1 1\nset A2 2\nset A3 3\n" + script +
                     "call fLookup 0\ncall fAddsums 0\nexpect-answered\n";
        std::ofstream("block.qs") << script;
        const clirun::Outcome r = sh("quorant --quiet script block.qs\n");
        EXPECT_EQ(r.status, 0) << script << r.out << r.err;
        return true;
    }

    // What the demo prints, apart from the times, is what a run prints.
    bool checkResolutionInfo(const Block& b) {
        const clirun::Outcome r =
            sh("mkdir -p demo && cd demo && quorant --quiet round ../examples/employment.xlsx "
               "--out .\n");
        EXPECT_EQ(r.status, 0) << r.err;
        for (const std::string& l : b.lines) {
            if (l.find("Time") != std::string::npos || trim(l) == "...") continue;
            EXPECT_NE(r.out.find(l + "\n"), std::string::npos) << l << "\nin\n" << r.out;
        }
        return true;
    }

    bool checkRoundedGrid(const Block& b) {
        if (!fs::exists("demo/employment-rounded.xlsx"))
            sh("mkdir -p demo && cd demo && quorant --quiet round ../examples/employment.xlsx "
               "--out .\n");
        std::ofstream("demo/show.qs")
            << "open employment-rounded.xlsx\nshow \"Region x Age\" grid\n";
        const clirun::Outcome r = sh("quorant --quiet script --bare demo/show.qs\n");
        EXPECT_EQ(r.status, 0) << r.err;
        std::istringstream shown(r.out);
        std::vector<std::string> lines;
        for (std::string l; std::getline(shown, l);) lines.push_back(trim(l));
        for (size_t i = 1; i < b.lines.size(); ++i)
            EXPECT_NE(std::find(lines.begin(), lines.end(), trim(b.lines[i])), lines.end())
                << b.lines[i] << "\nin\n"
                << r.out;
        return true;
    }

    // The summary's fields, apart from the times, are those of a run.
    bool checkJson(const Block& b) {
        const clirun::Outcome r =
            sh("cd examples && quorant --quiet round employment.xlsx --json\n");
        EXPECT_EQ(r.status, 0) << r.err;
        const std::string doc = b.text();
        const std::regex pair("\"(\\w+)\": (\"[^\"]*\"|[-0-9.]+)");
        int checked = 0;
        for (auto it = std::sregex_iterator(doc.begin(), doc.end(), pair);
             it != std::sregex_iterator(); ++it) {
            if ((*it)[1].str().find("Seconds") != std::string::npos) continue;
            EXPECT_NE(r.out.find((*it)[0].str()), std::string::npos) << (*it)[0] << "\nin\n"
                                                                     << r.out;
            ++checked;
        }
        EXPECT_GT(checked, 10);
        return true;
    }

    // The field legend names the example line's fields, which make a batch.
    bool checkSpecLine(const Block& b) {
        EXPECT_EQ(b.lines.size(), 2u);
        EXPECT_EQ(words(b.lines[0]).size(), words(b.lines[1]).size());
        std::ofstream("one.qtt") << b.lines[1] << "\n";
        const clirun::Outcome r = sh("quorant --quiet tests one.qtt\n");
        EXPECT_EQ(r.status, 0) << r.err;
        return true;
    }

    bool checkLogHeader(const Block& b) {
        if (!fs::exists("one_comp.log")) {
            std::ofstream("one.qtt") << "2,2 1 1 50 0 10 1 1 1 1 1\n";
            sh("quorant --quiet tests one.qtt\n");
        }
        std::ifstream log("one_comp.log");
        std::string header;
        std::getline(log, header);
        EXPECT_EQ(b.first(), header);
        EXPECT_EQ(std::count(b.lines[1].begin(), b.lines[1].end(), ';'),
                  std::count(header.begin(), header.end(), ';'));
        return true;
    }

    // The two failure messages of docs/scripting.md, made by scripts whose
    // lines fall where the messages say.
    bool checkScriptMessage(const std::string& message) {
        std::string script;
        const std::string pick = "pick \"&Rounding\" \"Generate Random Instance...\"\n";
        if (message.find("opened with no answer queued") != std::string::npos) {
            for (int i = 1; i < 12; ++i) script += "# line " + std::to_string(i) + "\n";
            script += pick;
        } else {
            for (int i = 1; i < 15; ++i) script += "# line " + std::to_string(i) + "\n";
            script +=
                "dialog \"Generate Random Instance\" {\n  expect-text 12026 \"done\"\n"
                "  cancel\n}\n# the dialog opens\n" +
                pick;
        }
        std::ofstream("demo.qsc") << script;
        const clirun::Outcome r = sh("quorant --quiet script demo.qsc\n");
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find(message + "\n"), std::string::npos) << r.err;
        return true;
    }

    // The proposals shown are among those made for the workbook of typed
    // totals that the program's tests use (tests/cli/fixtures).
    bool checkFoundTotals(const Block& b) {
        fs::copy_file(kSource + "/tests/cli/fixtures/typed_totals.xlsx", "typed_totals.xlsx",
                      fs::copy_options::overwrite_existing);
        const clirun::Outcome r =
            sh("quorant round typed_totals.xlsx --find-totals --no-audit --out totals\n");
        EXPECT_EQ(r.status, 0) << r.err;
        for (const std::string& l : b.lines)
            EXPECT_NE(r.err.find(l + "\n"), std::string::npos) << l << "\nin\n" << r.err;
        return true;
    }

    // What quorant serve prints on starting, with this run's folder, port and
    // token in place of the page's; Ctrl-C stops it.
    bool checkServeBanner(const Block& b) {
        const clirun::Outcome r =
            sh("quorant --quiet serve --port 0 --folder . >serve.out 2>serve.err &\n"
               "pid=$!\n"
               "for i in $(seq 1200); do [ \"$(wc -l <serve.out)\" -ge 3 ] && break; sleep 0.1; "
               "done\n"
               "kill -INT $pid\nwait $pid\n");
        EXPECT_EQ(r.status, 0) << slurp("serve.err");
        std::istringstream shown(slurp("serve.out"));
        for (const std::string& doc : b.lines) {
            std::string pattern =
                std::regex_replace(doc, std::regex(R"([.?^$|()\[\]{}*+\\])"), R"(\$&)");
            pattern = std::regex_replace(pattern, std::regex(R"(/home/me/my-tables)"), R"(/\S+)");
            pattern = std::regex_replace(pattern, std::regex(":8765/"), ":[0-9]+/");
            pattern = std::regex_replace(pattern, std::regex(R"(=3f0c9a\\\.\\\.\\\.e1)"),
                                         "=[0-9a-f]{16,}");
            std::string line;
            std::getline(shown, line);
            EXPECT_TRUE(std::regex_match(line, std::regex(pattern))) << doc << "\nas\n" << line;
        }
        return true;
    }

    std::string where_;
};

TEST_F(DocExamples, Readme) {
    checkFile("README.md");
}

TEST_F(DocExamples, Commands) {
    checkFile("docs/commands.md");
}

// `quorant script demo.qs` runs the example script of the same page.
TEST_F(DocExamples, Scripting) {
    for (const Block& b : codeBlocks(kSource + "/docs/scripting.md"))
        if (b.first().rfind("# Round a small table", 0) == 0) std::ofstream("demo.qs") << b.text();
    std::ofstream("menus.qs") << "load-addin\nmenu\n";
    ASSERT_TRUE(fs::exists("demo.qs"));
    checkFile("docs/scripting.md");
}

TEST_F(DocExamples, Totals) {
    checkFile("docs/totals.md");
}

TEST_F(DocExamples, Serve) {
    checkFile("docs/serve.md");
}

TEST_F(DocExamples, BenchmarksAndFuzzingNameOnlyWhatMakeRuns) {
    checkFile("docs/benchmarks.md");
    checkFile("docs/fuzzing.md");
}

// Every page of docs/ is one of those above, so none goes unchecked.
TEST(DocPages, EveryPageIsChecked) {
    std::vector<std::string> pages;
    for (const auto& entry : fs::directory_iterator(kSource + "/docs"))
        pages.push_back(entry.path().filename().string());
    std::sort(pages.begin(), pages.end());
    // images/ holds the pictures the pages show.
    EXPECT_EQ(pages, (std::vector<std::string>{"benchmarks.md", "commands.md", "fuzzing.md",
                                               "images", "scripting.md", "serve.md", "totals.md"}))
        << "a new page needs its test in this file";
}

// The repository's root holds what the README's table of folders describes,
// and nothing else (no output of a test or a run).
TEST(RepositoryRoot, HoldsOnlyWhatTheReadmeDescribes) {
    const std::string readme = slurp(kSource + "/README.md");
    const std::string table = readme.substr(readme.find("## Where things are"));
    for (const auto& entry : fs::directory_iterator(kSource)) {
        const std::string name = entry.path().filename().string();
        if (name == ".git" || name == "build" || name == "out") continue;  // git leaves them out
        const std::string shown = "`" + name + (entry.is_directory() ? "/" : "");
        EXPECT_NE(table.find(shown), std::string::npos)
            << name << " at the root is not in the README's table: move it, or describe it there";
    }
}

}  // namespace
