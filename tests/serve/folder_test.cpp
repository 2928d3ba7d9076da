// The working folder of quorant serve: nothing outside it can be read or
// written through it, links included, and nothing in it is ever replaced by
// an upload.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "app/serve.h"
#include "app/serve_folder.h"

namespace fs = std::filesystem;

namespace {

void write(const fs::path& p, const std::string& text) {
    std::ofstream(p) << text;
}

std::string read(const fs::path& p) {
    std::ifstream in(p);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

struct FolderTest : ::testing::Test {
    fs::path base = fs::current_path();
    fs::path inside = base / "work";
    app::WorkFolder folder;
    std::string path, error;

    void SetUp() override {
        fs::create_directories(inside / "sub");
        write(inside / "table.xlsx", "inside");
        write(inside / "sub" / "deep.csv", "deep");
        write(base / "secret.txt", "outside");
        fs::create_directories(base / "elsewhere");
        write(base / "elsewhere" / "x.txt", "outside too");
        fs::create_symlink(base / "secret.txt", inside / "link-out.txt");
        fs::create_symlink(base / "elsewhere", inside / "dir-out");
        fs::create_symlink(inside / "table.xlsx", inside / "link-in.xlsx");
        fs::create_symlink(base / "nowhere.txt", inside / "dangling.txt");
        ASSERT_TRUE(folder.open(inside.string(), error)) << error;
    }
};

TEST_F(FolderTest, ReadingStaysInsideTheFolderWhateverTheNameOrLink) {
    EXPECT_TRUE(folder.existingFile("table.xlsx", path, error)) << error;
    EXPECT_EQ(path, fs::canonical(inside / "table.xlsx").string());
    EXPECT_TRUE(folder.existingFile("sub/deep.csv", path, error)) << error;
    EXPECT_TRUE(folder.existingFile("link-in.xlsx", path, error)) << "a link within the folder";

    // Each of these would hand out a file outside the folder if it passed.
    for (const std::string& name : std::vector<std::string>{"../secret.txt", "sub/../../secret.txt", (base / "secret.txt").string(), "link-out.txt",
          "dir-out/x.txt", "dangling.txt"}) {
        EXPECT_FALSE(folder.existingFile(name, path, error)) << name;
    }
    EXPECT_FALSE(folder.existingFile("sub", path, error)) << "a folder is not a file";
    EXPECT_FALSE(folder.existingFile("", path, error));
    EXPECT_FALSE(folder.existingFile(std::string("table.xlsx\0../x", 15), path, error))
        << "a name with a NUL byte";
}

TEST_F(FolderTest, WritingStaysInsideTheFolderAndNeverThroughALinkOut) {
    EXPECT_TRUE(folder.writableFile("new.xlsx", path, error)) << error;
    EXPECT_EQ(path, (fs::canonical(inside) / "new.xlsx").string());
    EXPECT_TRUE(folder.writableFile("sub/new.qtb", path, error)) << error;
    EXPECT_TRUE(folder.writableFile("table.xlsx", path, error)) << "an existing file inside";

    for (const std::string& name : std::vector<std::string>{"../new.xlsx", "dir-out/new.txt", "link-out.txt",
                                   "dangling.txt", "missing-folder/new.txt", "sub", "."}) {
        EXPECT_FALSE(folder.writableFile(name, path, error)) << name;
    }
    EXPECT_EQ(read(base / "secret.txt"), "outside");
}

TEST_F(FolderTest, StoredUploadsNeverReplaceAFileAndLeaveNoPartialFile) {
    std::string stored;
    ASSERT_TRUE(folder.storeNew("table.xlsx", "first upload", stored, error)) << error;
    EXPECT_EQ(stored, "table-2.xlsx");
    ASSERT_TRUE(folder.storeNew("C:\\Users\\me\\table.xlsx", "second", stored, error));
    EXPECT_EQ(stored, "table-3.xlsx") << "a path sent by the browser keeps only its name";
    EXPECT_EQ(read(inside / "table.xlsx"), "inside") << "the user's file was replaced";
    EXPECT_EQ(read(inside / "table-2.xlsx"), "first upload");
    // A link that leads nowhere still holds its name: storing beside it must
    // not create a file at the link's target.
    ASSERT_TRUE(folder.storeNew("dangling.txt", "data", stored, error));
    EXPECT_EQ(stored, "dangling-2.txt");
    EXPECT_FALSE(fs::exists(base / "nowhere.txt"));
    for (const auto& e : fs::directory_iterator(inside))
        EXPECT_NE(e.path().filename().string().rfind(".quorant-upload", 0), 0u)
            << "a temporary file was left behind";
    EXPECT_EQ(folder.freeName("table", ".xlsx"), "table-4.xlsx");
    EXPECT_EQ(folder.freeName("fresh", ".xlsx"), "fresh.xlsx");
}

TEST_F(FolderTest, ListingShowsTheFolderFilesButNoLinkOutOrHiddenFile) {
    write(inside / ".hidden", "x");
    std::vector<std::string> names;
    for (const auto& e : folder.list()) names.push_back(e.name);
    EXPECT_EQ(names, (std::vector<std::string>{"link-in.xlsx", "table.xlsx"}));
}

TEST(SafeFileName, KeepsOnlyAHarmlessLastComponent) {
    EXPECT_EQ(app::safeFileName("../../etc/passwd"), "passwd");
    EXPECT_EQ(app::safeFileName("..\\..\\boot.ini"), "boot.ini");
    EXPECT_EQ(app::safeFileName("...hidden"), "hidden") << "leading dots would hide the file";
    EXPECT_EQ(app::safeFileName("a\nb\x01.xlsx"), "ab.xlsx");
    EXPECT_EQ(app::safeFileName("Tabla de población.xlsx"), "Tabla de población.xlsx");
    EXPECT_EQ(app::safeFileName(".."), "upload");
    EXPECT_EQ(app::safeFileName(""), "upload");
    const std::string longName = std::string(300, 'x') + ".xlsx";
    const std::string cut = app::safeFileName(longName);
    EXPECT_LE(cut.size(), 200u);
    EXPECT_EQ(cut.substr(cut.size() - 5), ".xlsx") << "a long name keeps its extension";
    // A cut never splits a character of more than one byte.
    std::string many;
    for (int i = 0; i < 120; ++i) many += "\xc3\xb3";  // 240 bytes of "ó"
    const std::string cutMany = app::safeFileName(many + ".csv");
    EXPECT_EQ((cutMany.size() - 4) % 2, 0u) << "a two-byte character was split";
}

TEST(ServeToken, IsFreshRandomHexAndComparedExactly) {
    const std::string a = app::newToken(), b = app::newToken();
    EXPECT_EQ(a.size(), 32u);
    EXPECT_EQ(a.find_first_not_of("0123456789abcdef"), std::string::npos);
    EXPECT_NE(a, b) << "two servers would share a token";
    EXPECT_TRUE(app::sameToken(a, a));
    EXPECT_FALSE(app::sameToken(b, a));
    EXPECT_FALSE(app::sameToken(a.substr(0, 31), a)) << "a prefix of the token passed";
    EXPECT_FALSE(app::sameToken("", "")) << "an empty token must never match";
}

TEST(ServeArguments, RefuseWhatCannotApply) {
    app::ServeSettings s;
    std::string error;
    EXPECT_TRUE(app::parseServeArguments({"--port", "0", "--folder", "data"}, s, error));
    EXPECT_EQ(s.port, 0);
    EXPECT_EQ(s.folder, "data");
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"--port"}, {"--port", "http"}, {"--port", "70000"}, {"--port", "-1"},
             {"--port", "80x"}, {"--folder"}, {"--verbose"}}) {
        EXPECT_FALSE(app::parseServeArguments(args, s, error)) << args[0];
        EXPECT_FALSE(error.empty());
    }
}

}  // namespace
