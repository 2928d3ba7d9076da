// A pull reader for XML that reads its input piece by piece, so that a part
// of hundreds of megabytes costs what its elements of interest cost, not its
// size. Every token keeps its bytes as they stood in the input, so a writer
// can pass untouched tokens on unchanged.
//
// It checks what a well-formed document needs (tags nest and match, one
// root, attribute values quoted, entities known) and refuses document type
// declarations (entity definitions are a way to blow up a small file).
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace host {

class XmlPull {
  public:
    // Fills at most n bytes of buf; returns the count, 0 at the end, or -1
    // on a failure (the source's message then goes into `error`).
    using Source = std::function<long(char* buf, size_t n, std::string& error)>;
    enum class Kind { Start, End, Text, Other, Eof, Error };

    explicit XmlPull(Source source) : source_(std::move(source)) {}
    // A reader over a text already in memory.
    static XmlPull fromText(const std::string& text);

    // Reads the next token; Eof after the root element closed, Error (with
    // `error`) when the input is not well-formed.
    Kind next();

    Kind kind = Kind::Eof;
    std::string raw;   // the token's bytes as in the input
    std::string name;  // Start and End: the qualified name ("x:c")
    std::vector<std::pair<std::string, std::string>> attrs;  // Start: decoded values
    bool selfClosing = false;                                // Start: "<c/>"
    std::string text;                                        // Text and CDATA: decoded
    std::string error;
    int depth() const { return static_cast<int>(open_.size()); }

    // The name without its namespace prefix ("c" for "x:c").
    static const char* local(const std::string& qualified);
    // An attribute of the current start tag by local name, or null.
    const std::string* attr(const char* localName) const;

    // Escapes a text for element content or a quoted attribute value.
    static std::string escape(const std::string& text);

  private:
    Source source_;
    std::string buf_;
    size_t pos_ = 0;
    bool ended_ = false;
    bool rootSeen_ = false;
    std::vector<std::string> open_;

    bool fill(size_t need);  // at least `need` bytes from pos_, unless the input ends
    // Moves bytes up to and including `terminator` into raw; false at the end.
    bool takeUntil(const char* terminator);
    Kind fail(const std::string& why);
    bool decode(const std::string& in, std::string& out);
    bool parseStartTag();
};

}  // namespace host
