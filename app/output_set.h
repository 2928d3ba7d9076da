// The files one run of a command writes, handled as one set.
//
// Before the run: no output may be one of the run's inputs (the same file
// after following links, whatever its name), no two outputs may be the same
// file, every output folder must exist (it is made) and take new files, and
// the folders are locked, so that a second run writing into one of them waits
// until this one is done. During the run every output is written under a
// partial name in its folder. At the end the whole set is renamed into place
// together, or, when the run failed, removed: the files of an earlier run are
// then as they were.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace app {

class OutputSet {
  public:
    explicit OutputSet(std::string command) : command_(std::move(command)) {}
    ~OutputSet();
    OutputSet(const OutputSet&) = delete;
    OutputSet& operator=(const OutputSet&) = delete;

    // A file the run reads; no output may be it.
    void addInput(const std::string& path);
    // A file the run may write, and what it holds ("rounded values").
    void addOutput(const std::string& path, const std::string& role);
    // A folder the run writes into (files it names only later, a log it
    // appends to): made, checked and locked as the outputs' folders are.
    void addFolder(const std::string& folder);
    // A file an earlier run of the same kind may have left (another output of
    // the same stem): the summary warns when it is there and this run did
    // not write it, since it no longer matches the files beside it.
    void addRelated(const std::string& path);

    // The checks and locks above. 0 when the run may go on; otherwise the
    // exit status (2 when outputs and inputs meet, 1 when a folder cannot be
    // used), after a message on `err` naming the files and the reason.
    int prepare(std::ostream& err);

    // The name to write `path` under now: a partial name in its folder.
    // Outputs not declared before prepare are checked here the same way.
    // "" with `error` when it cannot be an output.
    std::string stage(const std::string& path, const std::string& role, std::string& error);
    // A staged output that was not (or not wholly) written: removed.
    void drop(const std::string& path);
    bool hasStaged() const { return !staged_.empty(); }

    // Renames every staged file into place. On failure nothing of the set is
    // left in place, the earlier files are as they were, and `error` names the
    // file and the reason.
    bool commit(std::string& error);
    // Removes every staged file.
    void discard();

    struct Written {
        std::string path, role;
        bool replaced = false;  // an earlier file of that name was replaced
    };
    const std::vector<Written>& written() const { return written_; }
    // Related files that exist and were not written by this run.
    std::vector<std::string> olderOutputs() const;

  private:
    struct Staged {
        std::string path, partial, role;
    };
    // Why `path` cannot be an output of this run ("" when it can).
    std::string conflict(const std::string& path, const std::string& role) const;
    std::string folderProblem(const std::string& folder);
    bool lock(const std::string& folder, std::ostream& err);

    std::string command_;
    std::vector<std::string> inputs_;
    std::vector<std::pair<std::string, std::string>> outputs_;  // path, role
    std::vector<std::string> related_;
    std::vector<std::string> folders_;
    std::vector<Staged> staged_;
    std::vector<Written> written_;
    std::vector<std::pair<std::string, int>> locks_;  // folder, descriptor
};

}  // namespace app
