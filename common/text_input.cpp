#include "common/text_input.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

namespace common {

namespace {

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

std::string onLine(int line, const char* what) {
    return "line " + std::to_string(line) + " " + what;
}

// UTF-16 after its byte order mark, into UTF-8 (line ends untouched).
bool fromUtf16(std::string_view bytes, bool bigEndian, std::string& out, std::string& error) {
    if (bytes.size() % 2 != 0) {
        error = "it is UTF-16 text with an odd number of bytes (cut off?)";
        return false;
    }
    int line = 1;
    auto unit = [&](size_t i) {
        const unsigned char a = static_cast<unsigned char>(bytes[i]);
        const unsigned char b = static_cast<unsigned char>(bytes[i + 1]);
        return bigEndian ? char16_t((a << 8) | b) : char16_t((b << 8) | a);
    };
    for (size_t i = 0; i < bytes.size(); i += 2) {
        char32_t c = unit(i);
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 2 >= bytes.size() || unit(i + 2) < 0xDC00 || unit(i + 2) > 0xDFFF) {
                error = onLine(line, "holds a broken UTF-16 character");
                return false;
            }
            c = 0x10000 + ((c - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
            i += 2;
        } else if (c >= 0xDC00 && c <= 0xDFFF) {
            error = onLine(line, "holds a broken UTF-16 character");
            return false;
        }
        if (c == '\n') ++line;
        appendUtf8(out, c);
    }
    return true;
}

}  // namespace

bool decodeText(std::string_view bytes, std::string& text, std::string& error, bool keepLineEnds) {
    std::string utf8;
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        utf8.assign(bytes.substr(3));
    } else if (bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF") {
        if (!fromUtf16(bytes.substr(2), bytes[0] == '\xFE', utf8, error)) return false;
    } else {
        utf8.assign(bytes);
    }
    text.clear();
    text.reserve(utf8.size());
    int line = 1;
    for (size_t i = 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
        if (c == '\0') {
            error = onLine(line,
                           "holds a NUL byte, which no text has (a UTF-16 file needs its byte "
                           "order mark)");
            return false;
        }
        if (c == '\r' && !keepLineEnds) {
            if (i + 1 < utf8.size() && utf8[i + 1] == '\n') ++i;
            text += '\n';
            ++line;
        } else if (c == '\r') {
            if (i + 1 >= utf8.size() || utf8[i + 1] != '\n') ++line;
            text += c;
        } else {
            if (c == '\n') ++line;
            text += c;
        }
    }
    return true;
}

bool readTextFile(const std::string& path, size_t limit, std::string& text, std::string& error) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
        error = std::strerror(errno);
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        error = "it is a folder";
        return false;
    }
    if (static_cast<unsigned long long>(st.st_size) > limit) {
        error = "it is larger than " + std::to_string(limit / (1024 * 1024)) + " MiB";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = std::strerror(errno);
        return false;
    }
    std::ostringstream buffer;
    buffer << in.rdbuf();
    if (in.bad()) {
        error = "it cannot be read";
        return false;
    }
    return decodeText(buffer.str(), text, error);
}

std::string firstWordOfTextFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    char buffer[256];
    in.read(buffer, sizeof buffer);
    std::string_view bytes(buffer, size_t(in.gcount()));
    // UTF-16 comes in pairs of bytes; a pair cut off at the end is not read.
    if (bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF")
        bytes = bytes.substr(0, bytes.size() & ~size_t(1));
    std::string text, error;
    if (!decodeText(bytes, text, error)) {
        // A broken character at the very end of the prefix is the cut, not the file.
        if (bytes.size() < 4) return "";
        if (!decodeText(bytes.substr(0, bytes.size() - 2), text, error)) return "";
    }
    const size_t begin = text.find_first_not_of(" \t\n\v\f");
    if (begin == std::string::npos) return "";
    const size_t end = text.find_first_of(" \t\n\v\f", begin);
    if (end == std::string::npos && bytes.size() == sizeof buffer) return "";
    return text.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
}

}  // namespace common
