// The add-in's host call wrapper: the scratch pool's limit, refusal of absent
// values, the failure report, and texts cut to the host's limit.
#include "shell/host_api.h"

#include <gtest/gtest.h>

#include <string>

#include "shell/texts.h"
#include "tests/support/recording_host.h"

namespace {

TEST(ScratchPool, HoldsSixtyFourValuesUntilReset) {
    ScratchReset();
    int made = 0;
    while (ScratchNumber(made) != nullptr) ++made;
    EXPECT_EQ(made, 1024 / 16);
    EXPECT_EQ(ScratchMissing(), nullptr);
    ScratchReset();
    XLOPER* v = ScratchBool(true);
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->xltype, xltypeBool);
    ScratchReset();
}

TEST(ScratchPool, StringTakesItsLengthIntoTheReservedByte) {
    ScratchReset();
    char text[] = " Hello";
    XLOPER* v = ScratchString(text);
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(text[0], 5);
    EXPECT_EQ(v->val.str, text);
    ScratchReset();
}

TEST(CallHost, AbsentValueIsRefusedWithoutCallingTheHost) {
    testhost::clear();
    ScratchReset();
    testing::internal::CaptureStderr();
    int code = CallHost(xlcMessage, nullptr, 2, ScratchBool(true), static_cast<XLOPER*>(nullptr));
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(code, xlretFailed);
    EXPECT_TRUE(testhost::journal().empty());
    EXPECT_NE(err.find("Error! A zero parameter is being passed to Excel. Check memory...\r"),
              std::string::npos);
}

TEST(CallHost, ReportsTheFunctionAndEachFailureBit) {
    testing::internal::CaptureStderr();
    int code = CallHost(xlcNew, nullptr, 0);  // the recording host knows no such command
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(code, xlretInvXlfn);
    EXPECT_NE(err.find("Error! Excel4(xlCommand | " + std::to_string(xlcNew & 0xFFF) +
                       ") callback failed: Invalid Function Number\r"),
              std::string::npos)
        << err;
}

TEST(ShowTexts, TheReservedFirstCharacterIsNotShownAndLongTextsAreCut) {
    testhost::clear();
    ShowStatus(" Done");
    ShowStatus("  Calling optimization library...");
    std::string longText = " " + std::string(400, 'x');
    ShowAlert(longText.c_str(), 1);
    auto status = testhost::statusTexts();
    ASSERT_EQ(status.size(), 2u);
    EXPECT_EQ(status[0], "Done");
    EXPECT_EQ(status[1], " Calling optimization library...");
    ASSERT_EQ(testhost::alertTexts().size(), 1u);
    EXPECT_EQ(testhost::alertTexts()[0].size(), 255u);
    EXPECT_EQ(testhost::journal().back().type, 1);
}

TEST(ShowTexts, AlertAnswerAndAlertWithoutType) {
    testhost::clear();
    testhost::alertAnswers().push_back(false);
    EXPECT_EQ(ShowAlert(" Overwrite?", 1), 0);
    EXPECT_EQ(ShowAlert(" Fine", kAlertNoType), 1);
    EXPECT_EQ(testhost::journal().back().type, 0);
}

TEST(TextHelpers, TrimTrailingBlanks) {
    char a[] = "12  ";
    trimTrailingBlanks(a);
    EXPECT_STREQ(a, "12");
    char b[] = "   ";
    trimTrailingBlanks(b);
    EXPECT_STREQ(b, "");
    std::string c = " x ";
    trimTrailingBlanks(c);
    EXPECT_EQ(c, " x");
}

TEST(TextHelpers, IsDecimalText) {
    EXPECT_EQ(isDecimalText(""), 1);
    EXPECT_EQ(isDecimalText("2.4711"), 1);
    EXPECT_EQ(isDecimalText("5,5"), 1);
    EXPECT_EQ(isDecimalText("1.2.3"), 0);
    EXPECT_EQ(isDecimalText("-5"), 0);
    EXPECT_EQ(isDecimalText("1e3"), 0);
    EXPECT_EQ(isDecimalText("."), 1);
}

}  // namespace
