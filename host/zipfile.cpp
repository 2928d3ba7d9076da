#include "host/zipfile.h"

#include <zip.h>

#include <vector>

namespace host {

ZipFile::~ZipFile() {
    if (zip_) zip_discard(zip_);
}

bool ZipFile::open(const std::string& path, std::string& error) {
    int code = 0;
    zip_ = zip_open(path.c_str(), ZIP_RDONLY, &code);
    if (!zip_) {
        zip_error_t e;
        zip_error_init_with_code(&e, code);
        error =
            std::string("it is not a readable workbook package (") + zip_error_strerror(&e) + ")";
        zip_error_fini(&e);
        return false;
    }
    zip_int64_t n = zip_get_num_entries(zip_, 0);
    unsigned long long total = 0;
    for (zip_int64_t i = 0; i < n; ++i) {
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(zip_, static_cast<zip_uint64_t>(i), 0, &st) != 0) continue;
        if (!(st.valid & ZIP_STAT_SIZE)) continue;
        if (st.size > kMaxUnpackedBytes) {
            error = std::string("its part ") + (st.name ? st.name : "?") +
                    " unpacks to more than 512 MiB";
            return false;
        }
        total += st.size;
        if (total > kMaxUnpackedBytes) {
            error = "its parts unpack to more than 512 MiB together";
            return false;
        }
    }
    return true;
}

long long ZipFile::locate(const std::string& part) const {
    if (!zip_) return -1;
    zip_int64_t i = zip_name_locate(zip_, part.c_str(), 0);
    if (i < 0) i = zip_name_locate(zip_, part.c_str(), ZIP_FL_NOCASE);
    return i;
}

bool ZipFile::has(const std::string& part) const {
    return locate(part) >= 0;
}

bool ZipFile::read(const std::string& part, std::string& out, std::string& error) const {
    long long i = locate(part);
    if (i < 0) {
        error = "its part " + part + " is missing";
        return false;
    }
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(zip_, static_cast<zip_uint64_t>(i), 0, &st) != 0 ||
        !(st.valid & ZIP_STAT_SIZE)) {
        error = "its part " + part + " cannot be read";
        return false;
    }
    zip_file_t* f = zip_fopen_index(zip_, static_cast<zip_uint64_t>(i), 0);
    if (!f) {
        error = "its part " + part + " cannot be opened: " + zip_strerror(zip_);
        return false;
    }
    out.clear();
    out.reserve(static_cast<size_t>(st.size));
    std::vector<char> buf(1 << 16);
    bool ok = true;
    for (;;) {
        zip_int64_t got = zip_fread(f, buf.data(), buf.size());
        if (got < 0) {
            error = "its part " + part + " is damaged: " + zip_file_strerror(f);
            ok = false;
            break;
        }
        if (got == 0) break;
        // Never unpack more than the part declares.
        if (out.size() + static_cast<size_t>(got) > st.size) {
            error = "its part " + part + " unpacks to more than it declares";
            ok = false;
            break;
        }
        out.append(buf.data(), static_cast<size_t>(got));
    }
    zip_fclose(f);
    return ok;
}

std::string resolvePartName(const std::string& fromPart, const std::string& target) {
    std::string path;
    if (!target.empty() && target[0] == '/') {
        path = target.substr(1);
    } else {
        size_t slash = fromPart.rfind('/');
        path = (slash == std::string::npos ? "" : fromPart.substr(0, slash + 1)) + target;
    }
    std::vector<std::string> segments;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        std::string seg = path.substr(start, end - start);
        if (seg == "..") {
            if (!segments.empty()) segments.pop_back();
        } else if (!seg.empty() && seg != ".") {
            segments.push_back(seg);
        }
        start = end + 1;
    }
    std::string out;
    for (const std::string& s : segments) out += (out.empty() ? "" : "/") + s;
    return out;
}

std::string relationshipsPart(const std::string& part) {
    size_t slash = part.rfind('/');
    std::string dir = slash == std::string::npos ? "" : part.substr(0, slash + 1);
    std::string file = slash == std::string::npos ? part : part.substr(slash + 1);
    return dir + "_rels/" + file + ".rels";
}

}  // namespace host
