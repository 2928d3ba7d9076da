// Text files as other editors write them, numbers read whole, names as
// spreadsheet programs count and compare them, and files written whole or
// not at all (a full disk made by a file-size limit in a child process).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/names.h"
#include "common/strict_number.h"
#include "common/text_input.h"
#include "common/whole_file.h"

namespace {

namespace fs = std::filesystem;

std::string decoded(const std::string& bytes) {
    std::string text, error;
    EXPECT_TRUE(common::decodeText(bytes, text, error)) << error;
    return text;
}

std::string refusal(const std::string& bytes) {
    std::string text, error;
    EXPECT_FALSE(common::decodeText(bytes, text, error));
    return error;
}

std::string utf16(const std::string& ascii, bool bigEndian) {
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char c : ascii) out += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
    return out;
}

TEST(TextInput, EveryEditorsLineEndsAndEncodingsGiveTheSameLines) {
    const std::string plain = "3,4 1 2\n5 6\n";
    EXPECT_EQ(decoded(plain), plain);
    EXPECT_EQ(decoded("3,4 1 2\r\n5 6\r\n"), plain);
    EXPECT_EQ(decoded("3,4 1 2\r5 6\r"), plain);  // CR only: two lines, not one
    EXPECT_EQ(decoded("\xEF\xBB\xBF" + plain), plain);
    EXPECT_EQ(decoded(utf16("3,4 1 2\r\n5 6\r\n", false)), plain);
    EXPECT_EQ(decoded(utf16("3,4 1 2\r\n5 6\r\n", true)), plain);
    // Characters beyond ASCII become UTF-8, a surrogate pair one character.
    EXPECT_EQ(decoded(std::string("\xFF\xFE\xC4\x00\x3D\xD8\x00\xDE", 8)),
              "\xC3\x84\xF0\x9F\x98\x80");
    EXPECT_EQ(decoded(""), "");
}

TEST(TextInput, WhatCannotBeReadWithoutGuessingIsRefusedWithItsLine) {
    EXPECT_EQ(refusal(std::string("1 2\n3 4\n2\0junk\n", 15)),
              "line 3 holds a NUL byte, which no text has (a UTF-16 file needs its byte order "
              "mark)");
    // UTF-16 without its mark is full of NUL bytes.
    EXPECT_EQ(refusal(std::string("3\0,\0", 4)).rfind("line 1 holds a NUL byte", 0), 0u);
    EXPECT_EQ(refusal(std::string("\xFF\xFE"
                                  "a\0\n\0\x00\xDC",
                                  8)),
              "line 2 holds a broken UTF-16 character");
    EXPECT_EQ(refusal("\xFF\xFE"
                      "a"),
              "it is UTF-16 text with an odd number of bytes (cut off?)");
}

TEST(TextInput, TheFirstWordOfAFileIsFoundBehindAByteOrderMark) {
    std::ofstream("plain.qtb") << "-2\n3\n";
    std::ofstream("bom.qtb") << "\xEF\xBB\xBF-2\n3\n";
    std::ofstream("le.wq", std::ios::binary) << utf16("0\r\n3\r\n", false);
    std::ofstream("nul.qtb", std::ios::binary) << std::string("-2\0", 3);
    EXPECT_EQ(common::firstWordOfTextFile("plain.qtb"), "-2");
    EXPECT_EQ(common::firstWordOfTextFile("bom.qtb"), "-2");
    EXPECT_EQ(common::firstWordOfTextFile("le.wq"), "0");
    EXPECT_EQ(common::firstWordOfTextFile("nul.qtb"), "");
    EXPECT_EQ(common::firstWordOfTextFile("missing.qtb"), "");
}

TEST(StrictNumbers, AFieldIsANumberOnlyWhenAllOfItIsOne) {
    double d = 0;
    long long i = 0;
    for (const char* text : {"12", "-3.5", "+0.25", ".5", "5.", "1e3", "2E-2"})
        EXPECT_TRUE(common::strictDecimal(text, d)) << text;
    EXPECT_TRUE(common::strictDecimal("1e3", d));
    EXPECT_EQ(d, 1000);
    // Each of these reads as some number under the C library's leading-part
    // rules; none of them is one here.
    for (const char* text :
         {"0x2519", "12abc", "inf", "nan", "1e999", "", "-", ".", "1,5", " 1", "1 ", "e3"})
        EXPECT_FALSE(common::strictDecimal(text, d)) << text;
    EXPECT_FALSE(common::strictDecimal(std::string_view("2\0junk", 6), d));
    EXPECT_TRUE(common::strictInteger("-42", i));
    EXPECT_EQ(i, -42);
    for (const char* text : {"4.0", "0x10", "7x", "99999999999999999999", "+", "--1"})
        EXPECT_FALSE(common::strictInteger(text, i)) << text;
    // A number followed by a separator the format allows ("3:" of a sum line).
    EXPECT_EQ(common::strictDecimalPrefix("3:", ":"), 1u);
    EXPECT_EQ(common::strictDecimalPrefix("3x", ":"), 0u);
}

TEST(Names, LengthsInCharactersAndCaseIgnoredForEveryScript) {
    EXPECT_EQ(common::utf16Length("Статистика занятости"), 20u);  // 39 bytes
    EXPECT_EQ(common::utf16Length("就業統計地域別産業別表"), 11u);
    EXPECT_EQ(common::utf16Length("\xF0\x9F\x98\x80"), 2u);  // beyond U+FFFF: two units
    EXPECT_EQ(common::cutToUtf16Length("Статистика", 3), "Ста");
    EXPECT_EQ(common::cutToUtf16Length("a\xF0\x9F\x98\x80", 2), "a");  // never half a character
    EXPECT_TRUE(common::sameIgnoringCase("ÄÖÜ", "äöü"));
    EXPECT_TRUE(common::sameIgnoringCase("СТАТИСТИКА", "статистика"));
    EXPECT_TRUE(common::sameIgnoringCase("Men", "MEN"));
    EXPECT_FALSE(common::sameIgnoringCase("Men", "Mén"));
    EXPECT_FALSE(common::sameIgnoringCase("ab", "abc"));
    EXPECT_EQ(common::caseKey("ÄÖÜ Sheet"), common::caseKey("äöü sHEET"));
}

// Writes `text` to `path` through WholeFile in a child process whose files may
// grow to `limit` bytes; returns the child's exit status (0: committed).
int writeLimited(const std::string& path, const std::string& text, long limit) {
    const pid_t pid = fork();
    if (pid == 0) {
        signal(SIGXFSZ, SIG_IGN);
        rlimit r{rlim_t(limit), rlim_t(limit)};
        setrlimit(RLIMIT_FSIZE, &r);
        common::WholeFile f;
        std::string error;
        if (!f.open(path, error)) _exit(2);
        std::fputs(text.c_str(), f.stream());
        _exit(f.commit(error) ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(WholeFile, AFailedWriteLeavesTheEarlierFileAndNoPart) {
    std::ofstream("keep.qtb") << "earlier";
    EXPECT_EQ(writeLimited("keep.qtb", std::string(100000, 'x'), 4096), 1);
    std::ifstream in("keep.qtb");
    std::stringstream s;
    s << in.rdbuf();
    EXPECT_EQ(s.str(), "earlier");
    EXPECT_EQ(std::distance(fs::directory_iterator("."), fs::directory_iterator()), 1);
    // Within the limit the new file replaces the old one whole.
    EXPECT_EQ(writeLimited("keep.qtb", "new", 4096), 0);
    std::ifstream again("keep.qtb");
    std::string line;
    std::getline(again, line);
    EXPECT_EQ(line, "new");
    EXPECT_EQ(std::distance(fs::directory_iterator("."), fs::directory_iterator()), 1);
}

TEST(WholeFile, PartialNamesKeepTheExtensionAndTellTheirProcess) {
    const std::string p = common::partialName("out/book-rounded.xlsx");
    const std::string pid = std::to_string(getpid());
    EXPECT_EQ(p.rfind("out/.book-rounded.saving-" + pid + "-", 0), 0u) << p;
    EXPECT_EQ(p.substr(p.size() - 5), ".xlsx");
    EXPECT_NE(common::partialName("x.qtb"), common::partialName("x.qtb"));
    EXPECT_TRUE(common::isPartialOf(p.substr(4), getpid()));
    EXPECT_TRUE(common::isPartialOf(p.substr(4) + ".saving-" + pid, getpid()));
    EXPECT_FALSE(common::isPartialOf(p.substr(4), getpid() + 1));
    EXPECT_FALSE(common::isPartialOf("book-rounded.xlsx", getpid()));
    // A folder in the way of the target: the commit fails, nothing is left.
    fs::create_directories("dir.qts");
    common::WholeFile f;
    std::string error;
    ASSERT_TRUE(f.open("dir.qts", error)) << error;
    std::fputs("x", f.stream());
    EXPECT_FALSE(f.commit(error));
    EXPECT_EQ(error, "Is a directory");
    EXPECT_EQ(std::distance(fs::directory_iterator("."), fs::directory_iterator()), 1);
}

}  // namespace
