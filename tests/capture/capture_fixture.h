// The add-in linked into the test with the real host and dialog framework
// behind it: each test starts from a fresh host with one new workbook
// ("Sheet1".."Sheet3"), no instance and the options as at start, and plays the
// user with a QueuedUser.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "capture/capture.h"
#include "instance/instance.h"
#include "tests/support/queued_user.h"

namespace capture_test {

class CaptureTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Enters a text into a cell as typed ("=SUM(A1:A2)", "5", "abc").
    void put(const std::string& ref, const std::string& input);
    void putText(const std::string& ref, const std::string& text);  // a text, even "12"
    void renameSheet(const std::string& from, const std::string& to);

    // The user presses OK on the options sheet, or does `step` first.
    void acceptOptions();
    void onOptions(testui::QueuedUser::WindowStep step);
    // fLookup, then fAddsums with the options sheet accepted as it opens.
    int captureWithDefaults();

    testui::QueuedUser user;

  private:
    testui::QueuedUser::Install* install_ = nullptr;
};

// The cell of the instance at a position (walking the list), or none.
Cell* cellOf(int sheet, int row, int col);
// The terms of a sum as "cell0_2_0:-1", from the head.
std::vector<std::string> termsOf(const Sum* sum);
// The sum whose total is at that position (formula sums), or none.
Sum* sumAt(int sheet, int row, int col);
// Every cell and sum of the instance, one line each, in list order.
std::string dumpInstance();
int useCountSum();  // the use counts of all cells added up

// Texts the host received, without their length byte.
std::string shown(const char* reservedText);

}  // namespace capture_test
