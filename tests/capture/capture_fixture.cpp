#include "tests/capture/capture_fixture.h"

#include <cstdio>
#include <cstring>

#include "capture/capture_record.h"
#include "host/host.h"
#include "host/hostcall.h"

extern "C" int xlAutoOpen(void);
extern "C" int xlAutoClose(void);

namespace capture_test {

namespace {

// The add-in is linked in; the host finds its entry points through this.
void* addinSymbol(const char* name) {
    if (std::strcmp(name, "xlAutoOpen") == 0) return reinterpret_cast<void*>(&xlAutoOpen);
    if (std::strcmp(name, "xlAutoClose") == 0) return reinterpret_cast<void*>(&xlAutoClose);
    return nullptr;
}

}  // namespace

void CaptureTest::SetUp() {
    host::reset();
    install_ = new testui::QueuedUser::Install(user);
    std::string error;
    ASSERT_GT(host::attachAddIn("linked/QTB_XPRESS.xll", addinSymbol, error), 0) << error;
    unloadInstance();
    gOptions = RoundingOptions{};
    sumDialogState = SumDialogState{};
    gCaptureSettings = CaptureSettings{};
    gCapture = CaptureRecord{};
    host::newWorkbook();
    user.clear();
}

void CaptureTest::TearDown() {
    unloadInstance();
    gOptions = RoundingOptions{};
    gCaptureSettings = CaptureSettings{};
    gCapture = CaptureRecord{};
    host::reset();
    delete install_;
    install_ = nullptr;
    EXPECT_TRUE(user.unexpected.empty()) << "first: " << user.unexpected.front();
    EXPECT_TRUE(user.allUsed()) << "a queued answer was not used";
    EXPECT_EQ(instanceRecordsOutstanding(), 0) << "instance records leaked";
}

void CaptureTest::put(const std::string& ref, const std::string& input) {
    std::string error;
    ASSERT_TRUE(host::enterCell(ref, input, error)) << ref << ": " << error;
}

void CaptureTest::putText(const std::string& ref, const std::string& text) {
    std::string error;
    ASSERT_TRUE(host::setCellValue(ref, host::Value::text(text), error)) << error;
}

void CaptureTest::renameSheet(const std::string& from, const std::string& to) {
    auto counted = [](const std::string& text, std::vector<char>& buffer) {
        buffer.assign(1, char(text.size()));
        buffer.insert(buffer.end(), text.begin(), text.end());
        XLOPER v{};
        v.xltype = xltypeStr;
        v.val.str = buffer.data();
        return v;
    };
    std::vector<char> a, b;
    XLOPER oldName = counted(from, a), newName = counted(to, b);
    XLOPER* args[] = {&oldName, &newName};
    ASSERT_EQ(Excel4v(xlcWorkbookName, nullptr, 2, args), xlretSuccess) << from << " -> " << to;
}

void CaptureTest::acceptOptions() {
    user.onWindow([](gui::ModalWindow& w) { EXPECT_EQ(w.userOk(), ""); });
}

void CaptureTest::onOptions(testui::QueuedUser::WindowStep step) {
    user.onWindow(std::move(step));
}

int CaptureTest::captureWithDefaults() {
    if (fLookup() != 0) return -1;
    acceptOptions();
    return fAddsums();
}

Cell* cellOf(int sheet, int row, int col) {
    for (Cell* c = gInstance.cellList; c; c = c->next)
        if (c->sheet == sheet && c->row == row && c->col == col) return c;
    return nullptr;
}

std::vector<std::string> termsOf(const Sum* sum) {
    std::vector<std::string> out;
    for (const SumTerm* t = sum ? sum->terms : nullptr; t; t = t->next)
        out.push_back(std::string(t->cell->name) + ":" + std::to_string(t->coef));
    return out;
}

Sum* sumAt(int sheet, int row, int col) {
    for (Sum* s = gInstance.sumList; s; s = s->next)
        if (s->fromFormula && s->sheet == sheet && s->row == row && s->col == col) return s;
    return nullptr;
}

std::string dumpInstance() {
    std::string out;
    char line[512];
    for (const Cell* c = gInstance.cellList; c; c = c->next) {
        std::snprintf(line, sizeof line,
                      "cell %s #%d s%d r%d c%d v=%.6g lbd=%.6g ubd=%.6g lpl=%.6g upl=%.6g "
                      "spl=%.6g %c use=%d\n",
                      c->name, c->number, c->sheet, c->row, c->col, c->nominal, c->lbd, c->ubd,
                      c->lpl, c->upl, c->spl, c->status, c->useCount);
        out += line;
    }
    for (const Sum* s = gInstance.sumList; s; s = s->next) {
        out += "sum " + std::to_string(s->termCount) + (s->fromFormula ? " formula" : " hand");
        for (const std::string& t : termsOf(s)) out += " " + t;
        out += "\n";
    }
    return out;
}

int useCountSum() {
    int total = 0;
    for (const Cell* c = gInstance.cellList; c; c = c->next) total += c->useCount;
    return total;
}

std::string shown(const char* reservedText) {
    return reservedText[0] ? std::string(reservedText + 1) : std::string();
}

}  // namespace capture_test
