// The add-in's one road to the host: CallHost, the scratch pool and the
// status / alert helpers.
#include "shell/host_api.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// The scratch pool: 1024 bytes handed out in requests rounded up to even
// sizes. Every value takes 16 bytes of the pool; the values themselves live in
// a parallel array with one slot per 16 bytes.
constexpr int kPoolBytes = 1024;
constexpr int kValueBytes = 16;
XLOPER poolValues[kPoolBytes / kValueBytes];
int poolOffset = 0;

XLOPER* takeScratch() {
    if (poolOffset + kValueBytes > kPoolBytes) return nullptr;
    XLOPER* value = &poolValues[poolOffset / kValueBytes];
    poolOffset += (kValueBytes + 1) & ~1;
    *value = XLOPER{};
    return value;
}

void reportFailure(int xlfn, int code) {
    std::fputs("Error! Excel4(", stderr);
    if (xlfn & xlCommand) std::fputs("xlCommand | ", stderr);
    if (xlfn & xlSpecial) std::fputs("xlSpecial | ", stderr);
    if (xlfn & xlIntl) std::fputs("xlIntl | ", stderr);
    if (xlfn & xlPrompt) std::fputs("xlPrompt | ", stderr);
    std::fprintf(stderr, "%u) callback failed:", unsigned(xlfn & xlFunctionMask));
    static const struct {
        int bit;
        const char* text;
    } reasons[] = {
        {xlretAbort, " Macro Halted\r"},          {xlretInvXlfn, " Invalid Function Number\r"},
        {xlretInvCount, " Invalid Number of Arguments\r"}, {xlretInvXloper, " Invalid XLOPER\r"},
        {xlretStackOvfl, " Stack Overflow\r"},    {xlretFailed, " Command failed\r"},
        {xlretUncalced, " Uncalced cell\r"},
    };
    for (const auto& r : reasons)
        if (code & r.bit) std::fputs(r.text, stderr);
    std::fputs("\n", stderr);
}

// Texts for the host: a reserved length byte followed by at most 255
// characters. Longer texts are cut, never overflowed.
struct HostText {
    char bytes[257];
    explicit HostText(const char* reservedText) {
        const char* text = reservedText && *reservedText ? reservedText + 1 : "";
        size_t n = std::strlen(text);
        if (n > 255) n = 255;
        bytes[0] = ' ';
        std::memcpy(bytes + 1, text, n);
        bytes[n + 1] = '\0';
    }
};

}  // namespace

int CallHostv(int xlfn, XLOPER* result, int count, XLOPER** values) {
    for (int i = 0; i < count; ++i) {
        if (!values || !values[i]) {
            std::fputs("Error! A zero parameter is being passed to Excel. Check memory...\r\n",
                       stderr);
            ScratchReset();
            return xlretFailed;
        }
    }
    int code = Excel4v(xlfn, result, count, values);
    if (code != xlretSuccess) reportFailure(xlfn, code);
    ScratchReset();
    return code;
}

int CallHost(int xlfn, XLOPER* result, int count, ...) {
    std::vector<XLOPER*> values(count > 0 ? size_t(count) : 0);
    va_list args;
    va_start(args, count);
    for (int i = 0; i < count; ++i) values[size_t(i)] = va_arg(args, XLOPER*);
    va_end(args);
    return CallHostv(xlfn, result, count, values.data());
}

XLOPER* ScratchNumber(double value) {
    XLOPER* v = takeScratch();
    if (v) {
        v->xltype = xltypeNum;
        v->val.num = value;
    }
    return v;
}

XLOPER* ScratchString(char* reservedText) {
    XLOPER* v = takeScratch();
    if (v) {
        size_t n = std::strlen(reservedText + 1);
        reservedText[0] = char(n > 255 ? 255 : n);
        v->xltype = xltypeStr;
        v->val.str = reservedText;
    }
    return v;
}

XLOPER* ScratchBool(bool value) {
    XLOPER* v = takeScratch();
    if (v) {
        v->xltype = xltypeBool;
        v->val.xbool = value ? 1 : 0;
    }
    return v;
}

XLOPER* ScratchInt(int value) {
    XLOPER* v = takeScratch();
    if (v) {
        v->xltype = xltypeInt;
        v->val.w = int16_t(value);
    }
    return v;
}

XLOPER* ScratchMissing() {
    XLOPER* v = takeScratch();
    if (v) v->xltype = xltypeMissing;
    return v;
}

void ScratchReset() { poolOffset = 0; }

int ShowStatus(const char* reservedText) {
    HostText text(reservedText);
    return CallHost(xlcMessage, nullptr, 2, ScratchBool(true), ScratchString(text.bytes));
}

int ShowAlert(const char* reservedText, int type) {
    HostText text(reservedText);
    XLOPER answer{};
    int code;
    if (type == kAlertNoType)
        code = CallHost(xlcAlert, &answer, 1, ScratchString(text.bytes));
    else
        code = CallHost(xlcAlert, &answer, 2, ScratchString(text.bytes), ScratchNumber(type));
    if (code != xlretSuccess) return -1;
    return (answer.xltype & 0xFFF) == xltypeBool && answer.val.xbool ? 1 : 0;
}

XLOPER MakeOwnedString(const char* text) {
    XLOPER v{};
    size_t n = text ? std::strlen(text) : 0;
    if (n > 255) n = 255;
    char* bytes = new char[n + 2];
    bytes[0] = char(n);
    if (n) std::memcpy(bytes + 1, text, n);
    bytes[n + 1] = '\0';
    v.xltype = xltypeStr | xlbitDLLFree;
    v.val.str = bytes;
    return v;
}

void FreeOwnedValue(XLOPER& value) {
    if ((value.xltype & xlbitDLLFree) && (value.xltype & 0xFFF) == xltypeStr) delete[] value.val.str;
    value = XLOPER{};
}

bool ReadCountedString(const XLOPER& value, char* out, int outSize) {
    if ((value.xltype & 0xFFF) != xltypeStr || outSize <= 0) return false;
    const unsigned char* s = reinterpret_cast<const unsigned char*>(value.val.str);
    int n = s ? s[0] : 0;
    if (n > outSize - 1) n = outSize - 1;
    if (n > 0) std::memcpy(out, s + 1, size_t(n));
    out[n] = '\0';
    return true;
}
