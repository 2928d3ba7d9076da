#include "app/serve_folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace app {

namespace fs = std::filesystem;

namespace {

// The real path of an existing file or folder; empty when there is none.
std::string realPath(const std::string& path) {
    char buffer[PATH_MAX];
    if (::realpath(path.c_str(), buffer) == nullptr) return {};
    return buffer;
}

bool hasNul(const std::string& text) {
    return text.find('\0') != std::string::npos;
}

void splitName(const std::string& name, std::string& stem, std::string& ext) {
    const std::size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || dot == 0) {
        stem = name;
        ext.clear();
    } else {
        stem = name.substr(0, dot);
        ext = name.substr(dot);
    }
}

}  // namespace

bool WorkFolder::open(const std::string& dir, std::string& error) {
    const std::string real = realPath(dir.empty() ? "." : dir);
    struct stat st {};
    if (real.empty() || ::stat(real.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        error = "the working folder " + dir + " does not exist or is not a folder";
        return false;
    }
    if (::access(real.c_str(), R_OK | W_OK | X_OK) != 0) {
        error = "the working folder " + dir + " cannot be read and written";
        return false;
    }
    root_ = real == "/" ? "" : real;
    return true;
}

bool WorkFolder::contains(const std::string& path) const {
    if (path == root_ || (root_.empty() && path == "/")) return true;
    return path.size() > root_.size() + 1 && path.compare(0, root_.size(), root_) == 0 &&
           path[root_.size()] == '/';
}

bool WorkFolder::existingFile(const std::string& name, std::string& path,
                              std::string& error) const {
    if (name.empty() || hasNul(name)) {
        error = "no file name was given";
        return false;
    }
    const std::string full = name[0] == '/' ? name : root_ + "/" + name;
    const std::string real = realPath(full);
    if (real.empty()) {
        error = name + " does not exist in the working folder";
        return false;
    }
    if (!contains(real)) {
        error = name + " is outside the working folder";
        return false;
    }
    struct stat st {};
    if (::stat(real.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        error = name + " is not a file";
        return false;
    }
    path = real;
    return true;
}

bool WorkFolder::writableFile(const std::string& name, std::string& path,
                              std::string& error) const {
    if (name.empty() || hasNul(name)) {
        error = "no file name was given";
        return false;
    }
    const fs::path full = fs::path(name[0] == '/' ? name : root_ + "/" + name);
    const std::string leaf = full.filename().string();
    if (leaf.empty() || leaf == "." || leaf == "..") {
        error = name + " is not a file name";
        return false;
    }
    const std::string parent = realPath(full.parent_path().string());
    if (parent.empty() || !contains(parent)) {
        error = name + " is outside the working folder";
        return false;
    }
    const std::string candidate = parent + "/" + leaf;
    struct stat st {};
    if (::lstat(candidate.c_str(), &st) != 0) {
        path = candidate;  // a new file
        return true;
    }
    const std::string real = realPath(candidate);
    if (real.empty() || !contains(real)) {
        error = name + " leads outside the working folder";
        return false;
    }
    if (::stat(real.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        error = name + " is not a file";
        return false;
    }
    path = real;
    return true;
}

std::string WorkFolder::freeName(const std::string& stem, const std::string& ext) const {
    struct stat st {};
    for (int n = 1;; ++n) {
        const std::string name = n == 1 ? stem + ext : stem + "-" + std::to_string(n) + ext;
        if (::lstat((root_ + "/" + name).c_str(), &st) != 0) return name;
    }
}

bool WorkFolder::storeNew(const std::string& wanted, const std::string& data, std::string& stored,
                          std::string& error) const {
    std::string stem, ext;
    splitName(safeFileName(wanted), stem, ext);
    std::string temp = root_ + "/.quorant-upload-XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        error = std::string("cannot write into the working folder: ") + std::strerror(errno);
        return false;
    }
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    const bool written = done == data.size() && ::fsync(fd) == 0;
    ::close(fd);
    if (!written) {
        ::unlink(temp.c_str());
        error = "the file could not be written completely into the working folder";
        return false;
    }
    // link() never replaces: a name taken meanwhile moves on to the next one.
    for (int n = 1; n < 10000; ++n) {
        const std::string name = n == 1 ? stem + ext : stem + "-" + std::to_string(n) + ext;
        if (::link(temp.c_str(), (root_ + "/" + name).c_str()) == 0) {
            ::unlink(temp.c_str());
            stored = name;
            return true;
        }
        if (errno != EEXIST) break;
    }
    const int why = errno;
    ::unlink(temp.c_str());
    error = std::string("cannot store the file in the working folder: ") + std::strerror(why);
    return false;
}

std::vector<WorkFolder::Entry> WorkFolder::list() const {
    std::vector<Entry> out;
    std::error_code ec;
    for (const fs::directory_entry& e : fs::directory_iterator(root_.empty() ? "/" : root_, ec)) {
        const std::string name = e.path().filename().string();
        if (name.empty() || name[0] == '.') continue;
        const std::string real = realPath(e.path().string());
        struct stat st {};
        if (real.empty() || !contains(real) || ::stat(real.c_str(), &st) != 0 ||
            !S_ISREG(st.st_mode)) {
            continue;
        }
        out.push_back(Entry{name, static_cast<std::uintmax_t>(st.st_size),
                            static_cast<std::int64_t>(st.st_mtime)});
    }
    std::sort(out.begin(), out.end(),
              [](const Entry& a, const Entry& b) { return a.name < b.name; });
    return out;
}

std::string safeFileName(const std::string& sent) {
    const std::size_t cut = sent.find_last_of("/\\");
    std::string name = cut == std::string::npos ? sent : sent.substr(cut + 1);
    std::string clean;
    for (char ch : name) {
        const auto u = static_cast<unsigned char>(ch);
        if (u < 0x20 || u == 0x7f) continue;
        clean += ch;
    }
    std::size_t start = clean.find_first_not_of(". ");
    clean = start == std::string::npos ? "" : clean.substr(start);
    while (!clean.empty() && clean.back() == ' ') clean.pop_back();
    if (clean.size() > 200) {
        // A long name keeps its extension; the stem is cut between characters.
        std::string stem, ext;
        splitName(clean, stem, ext);
        if (ext.size() > 20) {
            stem = clean;
            ext.clear();
        }
        std::size_t keep = std::min(stem.size(), 200 - ext.size());
        while (keep > 0 && keep < stem.size() &&
               (static_cast<unsigned char>(stem[keep]) & 0xC0) == 0x80) {
            --keep;
        }
        clean = stem.substr(0, keep) + ext;
    }
    return clean.empty() ? "upload" : clean;
}

}  // namespace app
