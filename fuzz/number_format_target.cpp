// Number formats, as they come in the workbooks users open: the page shows
// every cell through its format. The first eight bytes are a number (their
// bits as a double, or a few chosen values when the bits give no finite
// number); the rest, line by line, are formats. Each value is shown through
// each format as a number, as a text and as a truth value.
#include <cmath>
#include <cstring>

#include "app/serve_format.h"
#include "fuzz/targets.h"

namespace fuzz {

namespace {

void check(const host::Value& v, const std::string& format) {
    const app::ShownValue shown = app::formatValue(v, format);
    // Digits of the largest number and 30 decimals, plus every part of the
    // format shown at most nine characters wide (a month's or a day's name).
    const std::size_t bound = 400 + 9 * format.size() + (v.isStr() ? v.str.size() * format.size() : 0);
    if (shown.text.size() > bound)
        fail("a shown value stays within what its format can write",
             format + " gave " + std::to_string(shown.text.size()) + " characters");
    if (!shown.color.empty() && shown.color.find_first_not_of("abcdefghijklmnopqrstuvwxyz") !=
                                    std::string::npos)
        fail("a colour is a colour name", shown.color);
}

}  // namespace

void numberFormats(const uint8_t* data, size_t size) {
    if (size < 8) return;
    double number = 0;
    std::memcpy(&number, data, sizeof number);
    if (!std::isfinite(number)) number = static_cast<double>(data[0]) - 128.5;
    const std::string text(reinterpret_cast<const char*>(data + 8), size - 8);
    std::size_t start = 0;
    for (int lines = 0; start <= text.size() && lines < 64; ++lines) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string format = text.substr(start, end - start);
        for (double v : {number, -number, 0.0, 45000.25}) check(host::Value::number(v), format);
        check(host::Value::text("abc"), format);
        check(host::Value::boolean_(true), format);
        start = end + 1;
    }
}

}  // namespace fuzz
