#include "common/whole_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace common {

namespace {

std::atomic<unsigned> partialCounter{0};

std::string folderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string reason(int error) {
    return std::strerror(error);
}

}  // namespace

std::string partialName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = name.find_last_of('.');
    const bool hasExtension = dot != std::string::npos && dot > 0;
    const std::string stem = hasExtension ? name.substr(0, dot) : name;
    const std::string extension = hasExtension ? name.substr(dot) : "";
    return folder + "." + stem + ".saving-" + std::to_string(long(getpid())) + "-" +
           std::to_string(++partialCounter) + extension;
}

bool isPartialOf(const std::string& fileName, long pid) {
    const std::string mark = ".saving-" + std::to_string(pid);
    for (size_t at = fileName.find(mark); at != std::string::npos;
         at = fileName.find(mark, at + 1)) {
        const size_t after = at + mark.size();
        if (after == fileName.size() || fileName[after] == '-' || fileName[after] == '.')
            return true;
    }
    return false;
}

bool moveIntoPlace(const std::string& from, const std::string& to, std::string& error) {
    const int fd = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = reason(errno);
        return false;
    }
    const bool synced = ::fsync(fd) == 0;
    const int syncError = errno;
    ::close(fd);
    if (!synced) {
        error = reason(syncError);
        return false;
    }
    if (std::rename(from.c_str(), to.c_str()) != 0) {
        error = reason(errno);
        return false;
    }
    const int dir = ::open(folderOf(to).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);  // best effort: the rename itself has happened
        ::close(dir);
    }
    return true;
}

bool WholeFile::open(const std::string& path, std::string& error) {
    discard();
    path_ = path;
    partial_ = partialName(path);
    const int fd = ::open(partial_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        error = reason(errno);
        partial_.clear();
        return false;
    }
    file_ = ::fdopen(fd, "w");
    if (!file_) {
        error = reason(errno);
        ::close(fd);
        ::unlink(partial_.c_str());
        partial_.clear();
        return false;
    }
    return true;
}

bool WholeFile::commit(std::string& error) {
    if (!file_) {
        error = "the file was not opened";
        return false;
    }
    // A buffered write that failed leaves its reason in errno.
    bool ok = !std::ferror(file_);
    int failure = ok ? 0 : (errno ? errno : EIO);
    if (std::fflush(file_) != 0 && ok) {
        ok = false;
        failure = errno;
    }
    if (ok && ::fsync(fileno(file_)) != 0) {
        ok = false;
        failure = errno;
    }
    if (std::fclose(file_) != 0 && ok) {
        ok = false;
        failure = errno;
    }
    file_ = nullptr;
    if (ok && std::rename(partial_.c_str(), path_.c_str()) != 0) {
        ok = false;
        failure = errno;
    }
    if (!ok) {
        error = reason(failure);
        ::unlink(partial_.c_str());
        partial_.clear();
        return false;
    }
    partial_.clear();
    const int dir = ::open(folderOf(path_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

void WholeFile::discard() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
    if (!partial_.empty()) ::unlink(partial_.c_str());
    partial_.clear();
}

}  // namespace common
