// The working folder of `quorant serve`: the only place the browser can read
// files from or write files to. Every name is resolved to a real path (links
// followed) and refused when that path lies outside the folder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace app {

class WorkFolder {
  public:
    // Takes `dir` as the working folder; false when it is not a readable folder.
    bool open(const std::string& dir, std::string& error);
    const std::string& root() const { return root_; }  // real path, no trailing '/'

    // True when the real path `path` is the folder or lies inside it.
    bool contains(const std::string& path) const;
    // An existing regular file: `name` relative to the folder or absolute.
    // `path` receives its real path; false with a reason when it does not
    // exist, is not a regular file or lies outside the folder.
    bool existingFile(const std::string& name, std::string& path, std::string& error) const;
    // A file to be written: its folder must exist inside the working folder;
    // an existing file of that name (a link followed) must be a regular file
    // inside it. `path` receives the path to write.
    bool writableFile(const std::string& name, std::string& path, std::string& error) const;

    // "stem.ext" when no file of that name exists in the folder, else the first
    // free "stem-2.ext", "stem-3.ext", ... (`ext` with its dot, or empty).
    std::string freeName(const std::string& stem, const std::string& ext) const;
    // Stores `data` as a new file of the folder under `wanted` or, when that
    // name is taken, the first free name after it; an existing file is never
    // replaced and a partly written file never appears. `stored` receives the
    // name used.
    bool storeNew(const std::string& wanted, const std::string& data, std::string& stored,
                  std::string& error) const;

    struct Entry {
        std::string name;
        std::uintmax_t size = 0;
        std::int64_t modified = 0;  // seconds since the epoch
    };
    // The regular files directly in the folder, by name (hidden files left out).
    std::vector<Entry> list() const;

  private:
    std::string root_;
};

// A file name the browser sent, made safe to store: the last path component,
// without control characters, leading dots or blanks; "upload" when nothing
// is left.
std::string safeFileName(const std::string& sent);

}  // namespace app
