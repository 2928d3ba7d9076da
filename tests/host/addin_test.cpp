// Add-ins: loading a library twice, registered commands run through menus,
// entry points on request, attached add-ins.
#include <cstring>

#include "host_test_util.h"

namespace {

using namespace hosttest;

class AddInTest : public HostTest {
  protected:
    int load() {
        std::string error;
        int h = host::loadAddIn(HOST_TEST_ADDIN, error);
        EXPECT_GT(h, 0) << error;
        return h;
    }
    std::string lastStatus() { return host::statusBar(); }
};

TEST_F(AddInTest, TwoCopiesOfOneLibraryAreIndependent) {
    int first = load();
    int second = load();
    std::vector<std::string> titles;
    for (const auto& m : host::menuBar()) titles.push_back(m.text);
    EXPECT_EQ(titles,
              (std::vector<std::string>{"&File", "&Edit", "&View", "&Insert", "F&ormat", "&Tools",
                                        "&Data", "&Window", "&Test", "&Test (2)", "&Help"}));
    int result = 0;
    std::string error;
    ASSERT_TRUE(host::runMenuItem({"Test", "Run"}, result, error)) << error;
    ASSERT_TRUE(host::runMenuItem({"test", "&run"}, result, error)) << error;
    EXPECT_EQ(result, 2);
    EXPECT_EQ(lastStatus(), "Test command run 2 of copy 1");
    ASSERT_TRUE(host::runMenuItem({"Test (2)", "Run"}, result, error)) << error;
    EXPECT_EQ(result, 1);  // the second copy counts on its own
    EXPECT_EQ(lastStatus(), "Test command run 1 of copy 2");

    auto regs = host::registrations();
    ASSERT_EQ(regs.size(), 2u);
    EXPECT_EQ(regs[0].path, HOST_TEST_ADDIN);
    EXPECT_EQ(regs[1].functionText, "TestCommand_2");
    EXPECT_EQ(regs[1].macroType, "2");

    ASSERT_TRUE(host::closeAddIn(second, error)) << error;
    EXPECT_EQ(host::registrations().size(), 1u);
    EXPECT_FALSE(host::runCommand("TestCommand_2", result, error));
    EXPECT_FALSE(host::runMenuItem({"Test (2)", "Run"}, result, error));  // its close removed it
    ASSERT_TRUE(host::runCommand("TestCommand", result, error)) << error;
    EXPECT_EQ(result, 3);
    ASSERT_TRUE(host::closeAddIn(first, error));
    EXPECT_EQ(host::menuBar().size(), 9u);
    EXPECT_FALSE(host::closeAddIn(first, error));
}

TEST_F(AddInTest, EntryPointsOnRequest) {
    int h = load();
    std::string error;
    Value info;
    ASSERT_TRUE(host::addInManagerInfo(h, num(1.0), info, error)) << error;
    EXPECT_EQ(info, str("Host test add-in"));
    ASSERT_TRUE(host::addInManagerInfo(h, num(2), info, error));
    EXPECT_EQ(info, Value::error(xlerrValue));
    int result = 0;
    ASSERT_TRUE(host::addInAdd(h, result, error)) << error;
    EXPECT_EQ(result, 1);
    EXPECT_EQ(host::journal().back().text, "Test add-in added");
    EXPECT_EQ(host::journal().back().type, 2);
    EXPECT_FALSE(host::addInRemove(h, result, error));  // not exported by the test add-in
    EXPECT_NE(error.find("xlAutoRemove"), std::string::npos);
}

TEST_F(AddInTest, LoadFailuresAreReported) {
    std::string error;
    EXPECT_EQ(host::loadAddIn("no/such/addin.xll", error), 0);
    EXPECT_NE(error.find("no such file"), std::string::npos);
    EXPECT_EQ(host::loadAddIn(HOST_FIXTURES "/README.md", error), 0);
    EXPECT_NE(error.find("cannot load add-in"), std::string::npos);
    EXPECT_TRUE(host::addIns().empty());
}

// An add-in linked into this program, reached through a resolver.
int gAttachedRuns = 0;
int gCloseWhileRunning = -1;
int gAttachedHandle = 0;
std::string gPathSeen;

int attachedOpen() {
    Answer path = call(xlGetName);
    gPathSeen = path.value.str;
    Answer id = call(xlfRegister, {path.value, str("attachedCommand"), str("A"), str("Attached"),
                                   str(""), str("2"), str("Tests"), str("")});
    EXPECT_TRUE(id.value.isNum());
    Answer again = call(xlfRegisterId, {path.value, str("attachedCommand")});
    EXPECT_EQ(again.value, id.value);
    Answer unknown = call(xlfRegister, {path.value, str("notThere")});
    EXPECT_TRUE(unknown.value.isErr());
    return 1;
}

int attachedCommand() {
    ++gAttachedRuns;
    std::string error;
    gCloseWhileRunning = host::closeAddIn(gAttachedHandle, error) ? 1 : 0;
    return 7;
}

TEST_F(AddInTest, AttachedAddInsResolveProceduresThroughTheCaller) {
    std::string error;
    gAttachedHandle = host::attachAddIn(
        "linked/attached.xll",
        [](const char* name) -> void* {
            if (std::strcmp(name, "xlAutoOpen") == 0) return reinterpret_cast<void*>(&attachedOpen);
            if (std::strcmp(name, "attachedCommand") == 0)
                return reinterpret_cast<void*>(&attachedCommand);
            return nullptr;
        },
        error);
    ASSERT_GT(gAttachedHandle, 0) << error;
    EXPECT_EQ(gPathSeen, "linked/attached.xll");
    int result = 0;
    ASSERT_TRUE(host::runCommand("Attached", result, error)) << error;
    EXPECT_EQ(result, 7);
    EXPECT_EQ(gAttachedRuns, 1);
    EXPECT_EQ(gCloseWhileRunning, 0) << "an add-in must not be closed under its own running code";
    // Unregistering by id; the name stays but runs nothing.
    Answer id = call(xlfRegisterId, {str("linked/attached.xll"), str("attachedCommand")});
    EXPECT_EQ(call(xlfUnregister, {id.value}).value, boolean(true));
    EXPECT_EQ(call(xlfUnregister, {id.value}).value, boolean(false));
    EXPECT_FALSE(host::runCommand("Attached", result, error));
    ASSERT_TRUE(host::closeAddIn(gAttachedHandle, error));
    EXPECT_EQ(call(xlGetName).code, xlretFailed);  // no add-in left to ask about
}

}  // namespace
