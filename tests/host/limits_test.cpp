// The host's side of the limits: sheet names counted in characters and
// compared without case for every script, lists that do not fit a value
// record's 16-bit counts sent as an error rather than cut short, counts of
// numbers that visit stored cells only, the order workbooks were made in, and
// saves written whole (a failed save leaves the earlier file).
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "host/address.h"
#include "host_test_util.h"
#include "package_util.h"

namespace {

using namespace hosttest;
namespace fs = std::filesystem;

class HostLimitsTest : public HostTest {};

TEST_F(HostLimitsTest, SheetNamesAreCountedInCharactersAndComparedWithoutCase) {
    EXPECT_EQ(host::sheetNameProblem("Статистика занятости"), "");  // 20 characters, 39 bytes
    EXPECT_EQ(host::sheetNameProblem(std::string(31, 'x')), "");
    EXPECT_EQ(host::sheetNameProblem(std::string(32, 'x')),
              "a sheet name cannot be longer than 31 characters");
    std::string cyrillic;
    for (int i = 0; i < 32; ++i) cyrillic += "Ж";
    EXPECT_NE(host::sheetNameProblem(cyrillic), "");
    EXPECT_TRUE(host::sameText("ÄÖÜ", "äöü"));
    EXPECT_FALSE(host::sameText("ÄÖÜ", "aou"));
    // A rename to a name that differs from another sheet's only in case fails.
    host::newWorkbook();
    EXPECT_EQ(call(xlcWorkbookName, {str("Sheet1"), str("Übersicht")}).code, xlretSuccess);
    EXPECT_NE(call(xlcWorkbookName, {str("Sheet2"), str("ÜBERSICHT")}).code, xlretSuccess);
}

TEST_F(HostLimitsTest, AListLongerThanARecordCountsIsAnErrorNotACutList) {
    // 65536 columns would be sent as 0 and the add-in would see no list.
    std::vector<Value> items(65536, Value::number(1));
    XLOPER x{};
    host::toXloper(Value::array(1, 65536, items), x);
    EXPECT_EQ(host::baseType(x), xltypeErr);
    host::releaseXloper(x);
    std::vector<Value> fits(65535, Value::number(1));
    host::toXloper(Value::array(1, 65535, fits), x);
    ASSERT_EQ(host::baseType(x), xltypeMulti);
    EXPECT_EQ(x.val.array.columns, 65535);
    host::releaseXloper(x);
}

TEST_F(HostLimitsTest, CountingEntriesVisitsStoredCellsOnly) {
    host::newWorkbook();
    enter("A1", "3");
    enter("B1", "text");
    enter("C2", "=A1*2");
    enter("IV65536", "7");
    const uint32_t id = sheetId();
    auto count = [&](int r1, int r2, int c1, int c2) {
        return call(xlfCounta, {Value::ref(id, {host::Rect{r1, c1, r2, c2}})}).value;
    };
    EXPECT_EQ(count(0, 65535, 0, 255), num(4));  // values, texts and formulas
    EXPECT_EQ(count(0, 1, 0, 255), num(3));
    EXPECT_EQ(count(2, 65534, 0, 255), num(0));
    EXPECT_EQ(count(0, 65535, 1, 2), num(2));  // columns outside the area are left out
    EXPECT_EQ(call(xlfCounta, {num(1)}).code, xlretInvXloper);
}

TEST_F(HostLimitsTest, WorkbooksAreListedInTheOrderTheyWereMade) {
    const std::string first = host::newWorkbook();
    const std::string second = host::newWorkbook();
    std::string error;
    ASSERT_TRUE(host::activateWorkbook(first, error)) << error;  // the window order changes
    EXPECT_EQ(host::workbooksInOrderMade(), (std::vector<std::string>{first, second}));
}

TEST_F(HostLimitsTest, ASaveThatFailsLeavesTheEarlierFileAndNoPart) {
    const std::string book = host::newWorkbook();
    for (int r = 1; r <= 2000; ++r)
        enter("A" + std::to_string(r), "text number " + std::to_string(r));
    writeFile("keep.xlsx", "the earlier workbook");
    // A full disk: the child's files may grow to 2 KiB.
    const pid_t pid = fork();
    if (pid == 0) {
        signal(SIGXFSZ, SIG_IGN);
        rlimit r{2048, 2048};
        setrlimit(RLIMIT_FSIZE, &r);
        std::string error;
        _exit(host::saveWorkbook(book, "keep.xlsx", error) ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(readFile("keep.xlsx"), "the earlier workbook");
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(".")) names.push_back(e.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"keep.xlsx"});
}

}  // namespace
