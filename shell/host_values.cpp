#include "shell/host_values.h"

#include <algorithm>
#include <cstring>

#include "shell/host_api.h"

HostResult::~HostResult() { release(); }

void HostResult::release() {
    if (value_.xltype != 0) CallHost(xlFree, nullptr, 1, &value_);
    value_ = XLOPER{};
}

std::string textOf(const XLOPER& value) {
    if ((value.xltype & 0x0FFF) != xltypeStr || !value.val.str) return {};
    const unsigned char* s = reinterpret_cast<const unsigned char*>(value.val.str);
    return std::string(reinterpret_cast<const char*>(s + 1), s[0]);
}

std::vector<std::string> textsOf(const XLOPER& value) {
    std::vector<std::string> out;
    int type = value.xltype & 0x0FFF;
    if (type == xltypeStr) {
        out.push_back(textOf(value));
    } else if (type == xltypeMulti && value.val.array.lparray) {
        size_t n = size_t(value.val.array.rows) * value.val.array.columns;
        for (size_t i = 0; i < n; ++i) out.push_back(textOf(value.val.array.lparray[i]));
    }
    return out;
}

bool numberOf(const XLOPER& value, double& number) {
    switch (value.xltype & 0x0FFF) {
        case xltypeNum: number = value.val.num; return true;
        case xltypeInt: number = value.val.w; return true;
        default: return false;
    }
}

RefValue::RefValue(uint32_t sheetId, int firstRow, int lastRow, int firstCol, int lastCol) {
    mref.count = 1;
    mref.reftbl[0].rwFirst = uint16_t(std::clamp(firstRow, 0, 65535));
    mref.reftbl[0].rwLast = uint16_t(std::clamp(lastRow, 0, 65535));
    mref.reftbl[0].colFirst = uint8_t(std::clamp(firstCol, 0, 255));
    mref.reftbl[0].colLast = uint8_t(std::clamp(lastCol, 0, 255));
    value.xltype = xltypeRef;
    value.val.mref.lpmref = &mref;
    value.val.mref.idSheet = sheetId;
}

uint32_t sheetIdOf(const XLOPER& value) {
    return (value.xltype & 0x0FFF) == xltypeRef ? value.val.mref.idSheet : 0;
}

int areaCountOf(const XLOPER& value) {
    if ((value.xltype & 0x0FFF) != xltypeRef || !value.val.mref.lpmref) return 0;
    return value.val.mref.lpmref->count;
}

bool firstAreaOf(const XLOPER& value, XLREF& area) {
    if (areaCountOf(value) < 1) return false;
    area = value.val.mref.lpmref->reftbl[0];
    return true;
}

CountedText::CountedText(const std::string& text) {
    size_t n = std::min<size_t>(text.size(), 255);
    buffer_.assign(n + 2, '\0');
    buffer_[0] = char(n);
    std::memcpy(buffer_.data() + 1, text.data(), n);
    value_.xltype = xltypeStr;
    value_.val.str = buffer_.data();
}
