// Runs the quorant program from a test, in the test's folder: its exit status
// and what it wrote on standard output and standard error (kept in cli.out and
// cli.err). For test targets that define QUORANT_BIN_DIR.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace clirun {

inline const std::string kQuorant = std::string(QUORANT_BIN_DIR) + "/quorant";

struct Outcome {
    int status = -1;
    std::string out, err;
};

// A file's bytes; empty when it cannot be read.
inline std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// `quorant [--quiet] ARGS`; ARGS are passed to the shell as they stand.
inline Outcome quorant(const std::string& args, bool quiet = true) {
    const std::string cmd =
        kQuorant + (quiet ? " --quiet " : " ") + args + " >cli.out 2>cli.err";
    const int raw = std::system(cmd.c_str());
    Outcome r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = slurp("cli.out");
    r.err = slurp("cli.err");
    return r;
}

}  // namespace clirun
