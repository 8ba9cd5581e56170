// File utilities: a folder is deleted with its files and subfolders and nothing beside it; the
// all-zero test and the byte-sequence search.
#include "common/FileUtil.h"

#include "platform/api/FileApi.h"
#include "tests/common/CommonFixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <string_view>

using testing_support::caseName;

namespace {

class FileUtilTest : public testing_support::CommonFixture {
protected:
    void makeHostFile(const std::filesystem::path& relative)
    {
        std::filesystem::create_directories((folder() / relative).parent_path());
        std::ofstream(folder() / relative) << "data";
    }
    bool exists(const std::filesystem::path& relative) const { return std::filesystem::exists(folder() / relative); }
};

TEST_F(FileUtilTest, DeleteFolderRemovesEverythingInItRecursively)
{
    makeHostFile("Skins/Old/skin.xml");
    makeHostFile("Skins/Old/Pictures/back.png");
    makeHostFile("Skins/Old/Pictures/Large/back.png");
    std::filesystem::create_directories(folder() / "Skins/Old/Empty");
    makeHostFile("Skins/Older/skin.xml");
    makeHostFile("Skins/Old.txt");
    bool deleted = false;
    runProgram([&] {
        deleted = DeleteFolder(u"\\skins\\OLD");
        return 0;
    });
    EXPECT_TRUE(deleted);
    EXPECT_FALSE(exists("Skins/Old"));
    EXPECT_TRUE(exists("Skins/Older/skin.xml"));
    EXPECT_TRUE(exists("Skins/Old.txt"));
}

TEST_F(FileUtilTest, DeleteFolderOfAMissingFolderFails)
{
    bool deleted = true;
    runProgram([&] {
        deleted = DeleteFolder(u"\\Nowhere");
        return 0;
    });
    EXPECT_FALSE(deleted);
}

TEST_F(FileUtilTest, DeleteFolderThatKeepsAFileReportsFailure)
{
    makeHostFile("Skins/Old/kept.txt");
    bool deleted = true;
    runProgram([&] {
        const HANDLE held = CreateFile(u"\\Skins\\Old\\kept.txt", GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_NE(held, INVALID_HANDLE_VALUE);
        deleted = DeleteFolder(u"\\Skins\\Old");
        CloseHandle(held);
        return 0;
    });
    EXPECT_FALSE(deleted);
    EXPECT_TRUE(exists("Skins/Old/kept.txt"));
}

struct ZeroCase {
    const char* name;
    friend void PrintTo(const ZeroCase& tested, std::ostream* out) { *out << tested.name; }
    std::string_view block;
    bool allZero;
};

class AllZeroTest : public ::testing::TestWithParam<ZeroCase> { };

TEST_P(AllZeroTest, TellsWhetherEveryByteIsZero)
{
    EXPECT_EQ(IsAllZero(GetParam().block.data(), GetParam().block.size()), GetParam().allZero);
}

INSTANTIATE_TEST_SUITE_P(Blocks, AllZeroTest,
    ::testing::Values(ZeroCase { "Empty", std::string_view(), true },
        ZeroCase { "Zeros", std::string_view("\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 16), true },
        ZeroCase { "LastByteSet", std::string_view("\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\1", 16), false },
        ZeroCase { "FirstByteSet", std::string_view("\x80\0\0", 3), false }),
    caseName<ZeroCase>);

struct FindCase {
    const char* name;
    friend void PrintTo(const FindCase& tested, std::ostream* out) { *out << tested.name; }
    std::string_view block;
    std::string_view pattern;
    std::ptrdiff_t found;
};

class FindBytesTest : public ::testing::TestWithParam<FindCase> { };

TEST_P(FindBytesTest, FindsTheFirstOccurrence)
{
    const FindCase& param = GetParam();
    EXPECT_EQ(FindBytes(param.block.data(), param.block.size(), param.pattern.data(), param.pattern.size()), param.found);
}

INSTANTIATE_TEST_SUITE_P(Searches, FindBytesTest,
    ::testing::Values(FindCase { "AtTheStart", "== start ==", "==", 0 }, FindCase { "FirstOfTwo", "a==b==c", "==", 1 },
        FindCase { "AtTheEnd", "abcxyz", "xyz", 3 }, FindCase { "Missing", "abcxyz", "xyy", -1 },
        FindCase { "LongerThanTheBlock", "ab", "abc", -1 },
        FindCase { "WithZeroBytes", std::string_view("a\0\0b\0c", 6), std::string_view("\0c", 2), 4 },
        FindCase { "EmptyPattern", "abc", "", 0 }, FindCase { "EmptyBlock", "", "a", -1 }),
    caseName<FindCase>);

}
