#include "host/xml_pull.h"

#include <cstring>
#include <memory>

namespace host {

namespace {

constexpr size_t kChunk = 1 << 16;

bool isNameChar(char c) {
    return c != 0 && !std::strchr(" \t\r\n/>=\"'<", c);
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

void appendUtf8(unsigned long code, std::string& out) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

}  // namespace

XmlPull XmlPull::fromText(const std::string& text) {
    auto data = std::make_shared<std::string>(text);
    auto at = std::make_shared<size_t>(0);
    return XmlPull([data, at](char* buf, size_t n, std::string&) -> long {
        size_t k = std::min(n, data->size() - *at);
        std::memcpy(buf, data->data() + *at, k);
        *at += k;
        return static_cast<long>(k);
    });
}

const char* XmlPull::local(const std::string& qualified) {
    size_t colon = qualified.find(':');
    return qualified.c_str() + (colon == std::string::npos ? 0 : colon + 1);
}

const std::string* XmlPull::attr(const char* localName) const {
    for (const auto& [n, v] : attrs)
        if (std::strcmp(local(n), localName) == 0) return &v;
    return nullptr;
}

std::string XmlPull::escape(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\r':
                out += "&#13;";
                break;
            case '\n':
                out += "&#10;";
                break;
            case '\t':
                out += "&#9;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

bool XmlPull::fill(size_t need) {
    while (buf_.size() - pos_ < need && !ended_) {
        if (pos_ > kChunk && pos_ * 2 > buf_.size()) {
            buf_.erase(0, pos_);
            pos_ = 0;
        }
        size_t old = buf_.size();
        buf_.resize(old + kChunk);
        long got = source_(&buf_[old], kChunk, error);
        if (got < 0) {
            buf_.resize(old);
            ended_ = true;
            if (error.empty()) error = "the part cannot be read";
            return false;
        }
        buf_.resize(old + static_cast<size_t>(got));
        if (got == 0) ended_ = true;
    }
    return buf_.size() - pos_ >= need;
}

bool XmlPull::takeUntil(const char* terminator) {
    const size_t len = std::strlen(terminator);
    size_t from = pos_;
    for (;;) {
        size_t at = buf_.find(terminator, from);
        if (at != std::string::npos) {
            raw.assign(buf_, pos_, at + len - pos_);
            pos_ = at + len;
            return true;
        }
        // Searched up to here (relative to pos_, which fill() may move).
        const size_t have = buf_.size() - pos_;
        const size_t done = have >= len ? have - len + 1 : 0;
        if (!fill(have + 1)) return false;
        from = pos_ + done;
    }
}

XmlPull::Kind XmlPull::fail(const std::string& why) {
    if (error.empty()) error = why;
    kind = Kind::Error;
    return kind;
}

bool XmlPull::decode(const std::string& in, std::string& out) {
    out.clear();
    out.reserve(in.size());
    for (size_t i = 0; i < in.size(); ++i) {
        char c = in[i];
        if (c == '<') {
            error = "a '<' stands inside a value";
            return false;
        }
        if (c != '&') {
            out += c;
            continue;
        }
        size_t semi = in.find(';', i);
        if (semi == std::string::npos || semi - i > 12) {
            error = "an '&' starts no entity";
            return false;
        }
        std::string ent = in.substr(i + 1, semi - i - 1);
        if (ent == "lt")
            out += '<';
        else if (ent == "gt")
            out += '>';
        else if (ent == "amp")
            out += '&';
        else if (ent == "quot")
            out += '"';
        else if (ent == "apos")
            out += '\'';
        else if (ent.size() > 1 && ent[0] == '#') {
            bool hex = ent[1] == 'x' || ent[1] == 'X';
            const std::string digits = ent.substr(hex ? 2 : 1);
            if (digits.empty()) {
                error = "a character reference has no digits";
                return false;
            }
            unsigned long code = 0;
            for (char d : digits) {
                int v = d >= '0' && d <= '9'          ? d - '0'
                        : hex && d >= 'a' && d <= 'f' ? d - 'a' + 10
                        : hex && d >= 'A' && d <= 'F' ? d - 'A' + 10
                                                      : -1;
                if (v < 0) {
                    error = "a character reference cannot be read";
                    return false;
                }
                code = code * (hex ? 16 : 10) + static_cast<unsigned long>(v);
                if (code > 0x10FFFF) break;
            }
            if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
                error = "a character reference names no character";
                return false;
            }
            appendUtf8(code, out);
        } else {
            error = "the entity &" + ent + "; is unknown";
            return false;
        }
        i = semi;
    }
    return true;
}

bool XmlPull::parseStartTag() {
    // raw is "<name attr="v" ...>" or ".../>"
    size_t i = 1, end = raw.size() - 1;
    selfClosing = raw.size() >= 3 && raw[end - 1] == '/';
    if (selfClosing) --end;
    size_t start = i;
    while (i < end && isNameChar(raw[i])) ++i;
    name.assign(raw, start, i - start);
    if (name.empty()) {
        error = "an element has no name";
        return false;
    }
    attrs.clear();
    for (;;) {
        size_t blanks = i;
        while (i < end && isBlank(raw[i])) ++i;
        if (i >= end) break;
        if (i == blanks) {
            error = "attributes of <" + name + "> are not separated";
            return false;
        }
        start = i;
        while (i < end && isNameChar(raw[i])) ++i;
        std::string an = raw.substr(start, i - start);
        while (i < end && isBlank(raw[i])) ++i;
        if (an.empty() || i >= end || raw[i] != '=') {
            error = "an attribute of <" + name + "> has no value";
            return false;
        }
        ++i;
        while (i < end && isBlank(raw[i])) ++i;
        if (i >= end || (raw[i] != '"' && raw[i] != '\'')) {
            error = "an attribute value of <" + name + "> is not quoted";
            return false;
        }
        char q = raw[i++];
        size_t close = raw.find(q, i);
        if (close == std::string::npos || close >= end) {
            error = "an attribute value of <" + name + "> is not closed";
            return false;
        }
        std::string value;
        if (!decode(raw.substr(i, close - i), value)) return false;
        for (const auto& a : attrs)
            if (a.first == an) {
                error = "<" + name + "> has the attribute " + an + " twice";
                return false;
            }
        attrs.emplace_back(std::move(an), std::move(value));
        i = close + 1;
    }
    return true;
}

XmlPull::Kind XmlPull::next() {
    if (kind == Kind::Error) return kind;
    if (kind == Kind::Start && !selfClosing) open_.push_back(name);
    attrs.clear();
    selfClosing = false;
    text.clear();
    raw.clear();
    if (!fill(1)) {
        if (!error.empty()) return fail(error);
        if (!open_.empty()) return fail("the element <" + open_.back() + "> is not closed");
        if (!rootSeen_) return fail("there is no element");
        return kind = Kind::Eof;
    }
    if (buf_[pos_] != '<') {
        size_t at = buf_.find('<', pos_);
        while (at == std::string::npos && !ended_) {
            fill(buf_.size() - pos_ + 1);
            at = buf_.find('<', pos_);
        }
        if (!error.empty()) return fail(error);
        size_t stop = at == std::string::npos ? buf_.size() : at;
        raw.assign(buf_, pos_, stop - pos_);
        pos_ = stop;
        if (!decode(raw, text)) return fail(error);
        if (open_.empty())
            for (char c : text)
                if (!isBlank(c)) return fail("text stands outside the root element");
        return kind = Kind::Text;
    }
    fill(9);
    auto startsWith = [&](const char* s) { return buf_.compare(pos_, std::strlen(s), s) == 0; };
    if (startsWith("<?")) {
        if (!takeUntil("?>")) return fail("a processing instruction is not closed");
        return kind = Kind::Other;
    }
    if (startsWith("<!--")) {
        if (!takeUntil("-->")) return fail("a comment is not closed");
        return kind = Kind::Other;
    }
    if (startsWith("<![CDATA[")) {
        if (!takeUntil("]]>")) return fail("a CDATA section is not closed");
        if (open_.empty()) return fail("text stands outside the root element");
        text = raw.substr(9, raw.size() - 12);
        return kind = Kind::Text;
    }
    if (startsWith("<!")) return fail("document type declarations are not accepted");
    // A tag: up to the '>' that is not inside a quoted value.
    size_t i = pos_ + 1;
    char quote = 0;
    for (;;) {
        if (i >= buf_.size()) {
            size_t have = buf_.size() - pos_;
            size_t offset = i - pos_;
            if (!fill(have + 1)) return fail(error.empty() ? "a tag is not closed" : error);
            i = pos_ + offset;
            continue;
        }
        char c = buf_[i];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '>') {
            break;
        } else if (c == '<') {
            return fail("a tag is not closed before '<'");
        }
        ++i;
    }
    raw.assign(buf_, pos_, i + 1 - pos_);
    pos_ = i + 1;
    if (raw.size() > 1 && raw[1] == '/') {
        size_t e = 2;
        while (e < raw.size() - 1 && isNameChar(raw[e])) ++e;
        name = raw.substr(2, e - 2);
        for (size_t k = e; k < raw.size() - 1; ++k)
            if (!isBlank(raw[k])) return fail("an end tag holds more than its name");
        if (open_.empty() || open_.back() != name)
            return fail("the end tag </" + name + "> matches no open element");
        open_.pop_back();
        return kind = Kind::End;
    }
    if (!parseStartTag()) return fail(error);
    if (open_.empty()) {
        if (rootSeen_) return fail("there is more than one root element");
        rootSeen_ = true;
    }
    return kind = Kind::Start;
}

}  // namespace host
