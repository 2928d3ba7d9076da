// The fixture of the rounding command's tests: the add-in linked in with the
// real host behind it, the answer driver playing the user, and a small table
// with a known rounding.
#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "app/drivers/answer_driver.h"
#include "gui/driver.h"
#include "host/host.h"
#include "instance/instance.h"

namespace rounding_test {

using app::drivers::AnswerDriver;
using app::drivers::ControlValue;

inline std::string cellText(const std::string& ref) {
    host::CellInfo info;
    std::string error;
    EXPECT_TRUE(host::readCell(ref, info, error)) << ref << ": " << error;
    return info.text;
}

inline std::string cellFormula(const std::string& ref) {
    host::CellInfo info;
    std::string error;
    EXPECT_TRUE(host::readCell(ref, info, error)) << error;
    return info.formulaA1;
}

inline void enter(const std::string& ref, const std::string& input) {
    std::string error;
    ASSERT_TRUE(host::enterCell(ref, input, error)) << ref << ": " << error;
}

class RoundingCommandTest : public ::testing::Test {
  protected:
    std::ostringstream notices;
    AnswerDriver driver{notices};

    void SetUp() override {
        host::reset();
        unloadInstance();
        gOptions = RoundingOptions{};
        gui::setActiveDriver(&driver);
        host::setFrontEnd(&driver);
    }
    void TearDown() override {
        unloadInstance();
        gOptions = RoundingOptions{};
        host::reset();
        host::setFrontEnd(nullptr);
        gui::setActiveDriver(nullptr);
    }
    void option(const std::string& page, const std::string& control, const std::string& value) {
        driver.addValue(" Quorant", ControlValue{page, control, value});
    }
    // A 2 x 2 table with its totals on Sheet1 of a new workbook:
    //   13 27 | 40
    //    4 16 | 20
    //   17 43 | 60
    // Its optimal rounding to base 10 (distance 24; the other three roundings
    // that keep the totals cost 28 or break a column):
    //   10 30 | 40
    //   10 10 | 20
    //   20 40 | 60
    std::string twoByTwo() {
        std::string book = host::newWorkbook();
        enter("A1", "13");
        enter("B1", "27");
        enter("C1", "=SUM(A1:B1)");
        enter("A2", "4");
        enter("B2", "16");
        enter("C2", "=SUM(A2:B2)");
        enter("A3", "=SUM(A1:A2)");
        enter("B3", "=SUM(B1:B2)");
        enter("C3", "=SUM(C1:C2)");
        return book;
    }
};

}  // namespace rounding_test
