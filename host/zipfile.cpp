#include "host/zipfile.h"

#include <zip.h>

#include <fstream>
#include <set>
#include <vector>

namespace host {

ZipFile::~ZipFile() {
    if (zip_) zip_discard(zip_);
}

bool ZipFile::open(const std::string& path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "it cannot be read";
        return false;
    }
    in.seekg(0, std::ios::end);
    const auto size = static_cast<long long>(in.tellg());
    if (size < 0) {
        error = "it cannot be read";
        return false;
    }
    if (static_cast<unsigned long long>(size) > kMaxUnpackedBytes) {
        error = "it is larger than 512 MiB";
        return false;
    }
    in.seekg(0);
    auto data = std::make_shared<std::string>(static_cast<size_t>(size), '\0');
    if (!in.read(data->data(), size)) {
        error = "it cannot be read";
        return false;
    }
    return openBytes(std::move(data), error);
}

bool ZipFile::openBytes(std::shared_ptr<const std::string> bytes, std::string& error) {
    if (zip_) zip_discard(zip_);
    zip_ = nullptr;
    bytes_ = std::move(bytes);
    zip_error_t e;
    zip_error_init(&e);
    zip_source_t* src = zip_source_buffer_create(bytes_->data(), bytes_->size(), 0, &e);
    if (src) {
        zip_ = zip_open_from_source(src, ZIP_RDONLY, &e);
        if (!zip_) zip_source_free(src);
    }
    if (!zip_) {
        error =
            std::string("it is not a readable workbook package (") + zip_error_strerror(&e) + ")";
        zip_error_fini(&e);
        return false;
    }
    zip_error_fini(&e);
    zip_int64_t n = zip_get_num_entries(zip_, 0);
    unsigned long long total = 0;
    std::set<std::string> seen;
    for (zip_int64_t i = 0; i < n; ++i) {
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(zip_, static_cast<zip_uint64_t>(i), 0, &st) != 0) continue;
        if (st.name) {
            // Part names are compared without regard to letter case: two
            // entries of one name are read differently by different programs.
            std::string key = st.name;
            for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            if (!seen.insert(key).second) {
                error = std::string("its package holds the part ") + st.name +
                        " more than once, and programs differ in which one they read";
                return false;
            }
        }
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

std::vector<std::string> ZipFile::names() const {
    std::vector<std::string> out;
    if (!zip_) return out;
    zip_int64_t n = zip_get_num_entries(zip_, 0);
    for (zip_int64_t i = 0; i < n; ++i)
        if (const char* name = zip_get_name(zip_, static_cast<zip_uint64_t>(i), 0))
            out.push_back(name);
    return out;
}

XmlPull::Source ZipFile::stream(const std::string& part, std::string& error) const {
    long long i = locate(part);
    zip_stat_t st;
    zip_stat_init(&st);
    if (i < 0 || zip_stat_index(zip_, static_cast<zip_uint64_t>(i), 0, &st) != 0 ||
        !(st.valid & ZIP_STAT_SIZE)) {
        error = "its part " + part + (i < 0 ? " is missing" : " cannot be read");
        return nullptr;
    }
    zip_file_t* f = zip_fopen_index(zip_, static_cast<zip_uint64_t>(i), 0);
    if (!f) {
        error = "its part " + part + " cannot be opened: " + zip_strerror(zip_);
        return nullptr;
    }
    std::shared_ptr<zip_file_t> file(f, [](zip_file_t* z) { zip_fclose(z); });
    auto left = std::make_shared<unsigned long long>(st.size);
    return [file, left, part](char* buf, size_t n, std::string& err) -> long {
        zip_int64_t got = zip_fread(file.get(), buf, n);
        if (got < 0) {
            err = "its part " + part + " is damaged: " + zip_file_strerror(file.get());
            return -1;
        }
        // Never unpack more than the part declares.
        if (static_cast<unsigned long long>(got) > *left) {
            err = "its part " + part + " unpacks to more than it declares";
            return -1;
        }
        *left -= static_cast<unsigned long long>(got);
        return static_cast<long>(got);
    };
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
