// Helpers for reading the host's answers and building references.
#pragma once

#include <string>
#include <vector>

#include "host/hostcall.h"

// A value the host returned; released with xlFree when it goes out of scope.
class HostResult {
public:
    HostResult() = default;
    HostResult(const HostResult&) = delete;
    HostResult& operator=(const HostResult&) = delete;
    ~HostResult();
    XLOPER* get() { return &value_; }
    const XLOPER& operator*() const { return value_; }
    int type() const { return value_.xltype & 0x0FFF; }
    bool isError() const { return type() == xltypeErr; }
    // Releases now (before reuse of the record).
    void release();

private:
    XLOPER value_{};
};

// Text of a counted string value ("" for other types).
std::string textOf(const XLOPER& value);
// The texts of a string or an array of strings (other elements give "").
std::vector<std::string> textsOf(const XLOPER& value);
// A number or integer value as double; false for other types.
bool numberOf(const XLOPER& value, double& number);

// A reference value to one rectangle on a sheet, with its own storage.
struct RefValue {
    XLMREF mref{};
    XLOPER value{};
    RefValue(uint32_t sheetId, int firstRow, int lastRow, int firstCol, int lastCol);
    RefValue(uint32_t sheetId, int row, int col) : RefValue(sheetId, row, row, col, col) {}
    RefValue(const RefValue&) = delete;
    RefValue& operator=(const RefValue&) = delete;
    XLOPER* get() { return &value; }
};

// The sheet id of a reference value answered by the host (0 when not a reference).
uint32_t sheetIdOf(const XLOPER& value);
// Number of areas of a reference, and its first area.
int areaCountOf(const XLOPER& value);
bool firstAreaOf(const XLOPER& value, XLREF& area);

// A counted text built for a host call: owns its buffer; the reserved first
// byte holds the length after construction (texts longer than 255 are cut).
class CountedText {
public:
    explicit CountedText(const std::string& text);
    XLOPER* value() { return &value_; }
    char* bytes() { return buffer_.data(); }

private:
    std::vector<char> buffer_;
    XLOPER value_{};
};
