#include "app/output_set.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <ostream>

#include "app/interrupt.h"
#include "common/whole_file.h"

namespace app {

namespace {

namespace fs = std::filesystem;

std::string folderOf(const std::string& path) {
    const std::string parent = fs::path(path).parent_path().string();
    return parent.empty() ? "." : parent;
}

// The file a name leads to (links followed); false when there is none.
bool identity(const std::string& path, dev_t& dev, ino_t& ino) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return false;
    dev = st.st_dev;
    ino = st.st_ino;
    return true;
}

bool sameFile(const std::string& a, const std::string& b) {
    dev_t da{}, db{};
    ino_t ia{}, ib{};
    if (identity(a, da, ia) && identity(b, db, ib)) return da == db && ia == ib;
    // A file not there yet is another only by its name: compare the names
    // with their folders' links resolved.
    std::error_code ec1, ec2;
    const fs::path ca = fs::weakly_canonical(fs::absolute(a), ec1);
    const fs::path cb = fs::weakly_canonical(fs::absolute(b), ec2);
    return !ec1 && !ec2 && ca == cb;
}

bool isFolder(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool exists(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

}  // namespace

OutputSet::~OutputSet() {
    discard();
    for (auto& [folder, fd] : locks_) ::close(fd);  // closing gives the lock back
}

void OutputSet::addInput(const std::string& path) {
    inputs_.push_back(path);
}

void OutputSet::addOutput(const std::string& path, const std::string& role) {
    outputs_.emplace_back(path, role);
}

void OutputSet::addFolder(const std::string& folder) {
    folders_.push_back(folder);
}

void OutputSet::addRelated(const std::string& path) {
    related_.push_back(path);
}

std::string OutputSet::conflict(const std::string& path, const std::string& role) const {
    for (const std::string& in : inputs_) {
        if (!sameFile(path, in)) continue;
        const bool sameName = fs::path(path).lexically_normal() == fs::path(in).lexically_normal();
        return path + " is the input file, which is only read" +
               (sameName ? "" : " (as " + in + ")") + "; name another file to write";
    }
    for (const auto& [out, outRole] : outputs_) {
        if (out == path && outRole == role) continue;
        if (sameFile(path, out))
            return path + " would hold both the " + role + " and the " + outRole +
                   " (the same file as " + out + "); name another file to write";
    }
    for (const Staged& s : staged_)
        if (sameFile(path, s.path))
            return path + " is already written by this run as the " + s.role +
                   "; name another file to write";
    if (isFolder(path)) return "cannot write " + path + ": a folder of that name is in the way";
    return "";
}

std::string OutputSet::folderProblem(const std::string& folder) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (!isFolder(folder))
        return "cannot make the output folder " + folder +
               (ec ? ": " + ec.message() : ": a file of that name is in the way");
    // A folder that takes no new file (read-only, not ours) fails here, before
    // the run rather than after it.
    const std::string probe = common::partialName(folder + "/probe");
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return "cannot write into the folder " + folder + ": " + std::strerror(errno);
    ::close(fd);
    ::unlink(probe.c_str());
    return "";
}

bool OutputSet::lock(const std::string& folder, std::ostream& err) {
    std::error_code ec;
    const std::string key = fs::weakly_canonical(fs::absolute(folder), ec).string();
    for (const auto& [locked, fd] : locks_)
        if (locked == key) return true;
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        err << "quorant " << command_ << ": cannot lock the folder " << folder << ": "
            << std::strerror(errno) << "\n";
        return false;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        err << "quorant " << command_ << ": another quorant run is writing into " << folder
            << "; waiting until it is done\n"
            << std::flush;
        while (flock(fd, LOCK_EX) != 0 && errno == EINTR) {
        }
    }
    locks_.emplace_back(key, fd);
    return true;
}

int OutputSet::prepare(std::ostream& err) {
    for (const auto& [path, role] : outputs_) {
        const std::string problem = conflict(path, role);
        if (problem.empty()) continue;
        err << "quorant " << command_ << ": " << problem << "\n";
        // Names that meet are a wrong command line; a folder in the way is not.
        return isFolder(path) ? 1 : 2;
    }
    std::vector<std::string> folders = folders_;
    for (const auto& [path, role] : outputs_) folders.push_back(folderOf(path));
    for (const auto& folder : folders) {
        const std::string problem = folderProblem(folder);
        if (problem.empty()) continue;
        err << "quorant " << command_ << ": " << problem << "\n";
        return 1;
    }
    // Always in the same order, so that two runs never wait for each other.
    std::sort(folders.begin(), folders.end(), [](const std::string& a, const std::string& b) {
        std::error_code e1, e2;
        return fs::weakly_canonical(fs::absolute(a), e1) <
               fs::weakly_canonical(fs::absolute(b), e2);
    });
    for (const auto& folder : folders) {
        interrupt::addPartialFolder(folder);
        if (!lock(folder, err)) return 1;
    }
    return 0;
}

std::string OutputSet::stage(const std::string& path, const std::string& role, std::string& error) {
    error = conflict(path, role);
    if (!error.empty()) return "";
    const std::string folder = folderOf(path);
    interrupt::addPartialFolder(folder);
    Staged s{path, common::partialName(path), role};
    staged_.push_back(s);
    return s.partial;
}

void OutputSet::drop(const std::string& path) {
    for (auto it = staged_.begin(); it != staged_.end(); ++it) {
        if (it->path != path) continue;
        ::unlink(it->partial.c_str());
        staged_.erase(it);
        return;
    }
}

bool OutputSet::commit(std::string& error) {
    auto guard = interrupt::commitLock();
    if (interrupt::signalReceived() != 0) {
        error = "the run was interrupted";
        return false;
    }
    struct Move {
        const Staged* staged;
        std::string backup;  // the earlier file, kept until the set is in place
        bool replaced = false, moved = false;
    };
    std::vector<Move> moves;
    for (const Staged& s : staged_) moves.push_back(Move{&s, "", exists(s.path)});
    bool ok = true;
    for (Move& m : moves) {
        struct stat st {};
        if (m.replaced && lstat(m.staged->path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
            // A second name for the earlier file; where the file system has
            // no hard links the file itself steps aside.
            const std::string backup = common::partialName(m.staged->path);
            if (::link(m.staged->path.c_str(), backup.c_str()) == 0 ||
                std::rename(m.staged->path.c_str(), backup.c_str()) == 0)
                m.backup = backup;
        }
        std::string why;
        if (!common::moveIntoPlace(m.staged->partial, m.staged->path, why)) {
            error = "cannot put " + m.staged->path + " in place: " + why;
            ok = false;
            break;
        }
        m.moved = true;
    }
    if (!ok) {
        // Back to the earlier set: what was moved goes, the earlier files return.
        for (auto it = moves.rbegin(); it != moves.rend(); ++it) {
            if (!it->backup.empty()) {
                if (std::rename(it->backup.c_str(), it->staged->path.c_str()) == 0)
                    it->backup.clear();
            } else if (it->moved) {
                ::unlink(it->staged->path.c_str());
            }
        }
    }
    for (Move& m : moves) {
        if (!m.backup.empty()) ::unlink(m.backup.c_str());
        if (!m.moved || !ok) ::unlink(m.staged->partial.c_str());
        if (ok) written_.push_back(Written{m.staged->path, m.staged->role, m.replaced});
    }
    staged_.clear();
    if (ok && !written_.empty()) interrupt::noteOutputsCommitted();
    return ok;
}

void OutputSet::discard() {
    for (const Staged& s : staged_) ::unlink(s.partial.c_str());
    staged_.clear();
}

std::vector<std::string> OutputSet::olderOutputs() const {
    std::vector<std::string> older;
    for (const std::string& path : related_) {
        bool written = false;
        for (const Written& w : written_) written = written || sameFile(w.path, path);
        if (!written && exists(path)) older.push_back(path);
    }
    return older;
}

}  // namespace app
