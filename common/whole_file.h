// Files written whole or not at all: the content goes to a partial file in
// the target's folder, which is renamed over the target only when it is
// complete and on disk. A failure (a full disk, a read-only folder) or a stop
// leaves the earlier file as it was and removes the partial one.
#pragma once

#include <cstdio>
#include <string>

namespace common {

// The name a file is written under before it is renamed into place: in the
// same folder, hidden, with this process's id and a counter, and ending in
// the target's extension (writers choose a format by it):
// "out/book-rounded.xlsx" -> "out/.book-rounded.saving-1234-1.xlsx".
std::string partialName(const std::string& path);

// True when `fileName` (a name in a folder, without the folder) is a partial
// file of the process `pid`, as partialName makes them or a writer derives
// from one.
bool isPartialOf(const std::string& fileName, long pid);

// Moves a finished file over `to`: its data flushed to disk, renamed, the
// folder's entry flushed. False with the reason in `error`.
bool moveIntoPlace(const std::string& from, const std::string& to, std::string& error);

// A file written through a stdio stream and put in place by commit().
class WholeFile {
  public:
    WholeFile() = default;
    ~WholeFile() { discard(); }
    WholeFile(const WholeFile&) = delete;
    WholeFile& operator=(const WholeFile&) = delete;

    // Creates the partial file for `path`. False with the reason in `error`.
    bool open(const std::string& path, std::string& error);
    std::FILE* stream() const { return file_; }
    // Completes the file and renames it over the target. False with the
    // reason (a write that failed, a full disk) in `error`; the target is
    // then untouched and the partial file gone.
    bool commit(std::string& error);
    // Drops what was written.
    void discard();

  private:
    std::FILE* file_ = nullptr;
    std::string path_, partial_;
};

}  // namespace common
