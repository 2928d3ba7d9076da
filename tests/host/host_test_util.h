// Helpers for host tests: calling Excel4v with host values and reading the
// answer back (released with xlFree), and a front end that records and answers.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "host/host.h"
#include "host/value.h"

namespace host {
// Readable values in test messages.
inline void PrintTo(const Value& v, std::ostream* os) {
    switch (v.type) {
        case Value::Type::Nil:
            *os << "nil";
            break;
        case Value::Type::Missing:
            *os << "missing";
            break;
        case Value::Type::Num:
            *os << "num " << v.num;
            break;
        case Value::Type::Str:
            *os << "str \"" << v.str << "\"";
            break;
        case Value::Type::Bool:
            *os << (v.boolean ? "TRUE" : "FALSE");
            break;
        case Value::Type::Err:
            *os << "error " << v.err;
            break;
        case Value::Type::Array:
            *os << "array " << v.rows << "x" << v.cols << " {";
            for (size_t i = 0; i < v.items.size(); ++i) {
                if (i) *os << ", ";
                PrintTo(v.items[i], os);
            }
            *os << "}";
            break;
        case Value::Type::Ref:
            *os << "ref sheet " << v.sheetId;
            for (const Rect& r : v.areas)
                *os << " [" << r.row1 << "," << r.col1 << ":" << r.row2 << "," << r.col2 << "]";
            break;
    }
}
}  // namespace host

namespace hosttest {

using host::Value;

struct Answer {
    int code = 0;
    Value value;
};

// Calls Excel4v; the arguments are built as host records and released again,
// the result is read and released with xlFree.
inline Answer call(int fn, const std::vector<Value>& args = {}) {
    std::vector<XLOPER> records(args.size());
    std::vector<XLOPER*> pointers;
    for (size_t i = 0; i < args.size(); ++i) {
        host::toXloper(args[i], records[i]);
        pointers.push_back(&records[i]);
    }
    XLOPER result{};
    result.xltype = xltypeNil;
    Answer a;
    a.code = Excel4v(fn, &result, static_cast<int>(args.size()), pointers.data());
    a.value = host::fromXloper(result);
    XLOPER* r = &result;
    Excel4v(xlFree, nullptr, 1, &r);
    for (XLOPER& x : records) host::releaseXloper(x);
    return a;
}

inline Value num(double d) {
    return Value::number(d);
}
inline Value str(const std::string& s) {
    return Value::text(s);
}
inline Value boolean(bool b) {
    return Value::boolean_(b);
}
inline Value missing() {
    return Value::missing();
}
inline Value ref(uint32_t sheet, int r1, int c1, int r2, int c2) {
    return Value::ref(sheet, {host::Rect{r1, c1, r2, c2}});
}
inline Value cellRef(uint32_t sheet, int r, int c) {
    return ref(sheet, r, c, r, c);
}
inline Value texts(const std::vector<std::string>& list, bool column = false) {
    std::vector<Value> items;
    for (const auto& t : list) items.push_back(Value::text(t));
    int n = static_cast<int>(items.size());
    return column ? Value::array(n, 1, items) : Value::array(1, n, items);
}

// The id of a sheet by name ("" for the active sheet).
inline uint32_t sheetId(const std::string& name = "") {
    Answer a = name.empty() ? call(xlSheetId) : call(xlSheetId, {str(name)});
    EXPECT_TRUE(a.value.isRef()) << "no sheet " << name;
    return a.value.sheetId;
}

// The value of a cell by A1 text through the C++ face.
inline Value cellValue(const std::string& ref) {
    host::CellInfo info;
    std::string error;
    EXPECT_TRUE(host::readCell(ref, info, error)) << error;
    return info.value;
}

inline void enter(const std::string& ref, const std::string& input) {
    std::string error;
    ASSERT_TRUE(host::enterCell(ref, input, error)) << error;
}

// Answers alerts and dialog boxes from queues; records what it was shown.
class ScriptedFrontEnd : public host::FrontEnd {
  public:
    std::deque<bool> alertAnswers;
    std::vector<std::string> statuses;
    std::vector<std::string> messages;
    std::vector<host::DialogTable> dialogs;  // as shown
    // Fills in a shown dialog; returns false for Cancel.
    std::function<bool(host::DialogTable&)> onDialog;

    void status(const std::string& t) override { statuses.push_back(t); }
    bool alert(const std::string& t, int type) override {
        (void)t;
        (void)type;
        if (alertAnswers.empty()) return true;
        bool a = alertAnswers.front();
        alertAnswers.pop_front();
        return a;
    }
    bool dialogBox(host::DialogTable& table) override {
        dialogs.push_back(table);
        return onDialog ? onDialog(table) : false;
    }
    void hostMessage(const std::string& t) override { messages.push_back(t); }
};

// Every test starts from a fresh host and checks that no host record is left.
class HostTest : public ::testing::Test {
  protected:
    void SetUp() override {
        host::setFrontEnd(nullptr);
        host::reset();
        allocationsAtStart_ = host::outstandingAllocations();
    }
    void TearDown() override {
        EXPECT_EQ(host::outstandingAllocations(), allocationsAtStart_)
            << "host records were handed out and not released";
        host::setFrontEnd(nullptr);
        host::reset();
    }

  private:
    long allocationsAtStart_ = 0;
};

}  // namespace hosttest
