#include <gtest/gtest.h>

#include <filesystem>

#include <climits>
#include <string>
#include <tuple>

#include "../test_support.h"
#include "platform/platform.h"
#include "platform/utf8.h"

using test_support::readBytes;
using test_support::writeBytes;

namespace {

using test_support::exists;

TEST(Platform, ResolvesBackslashesAndCaseInsensitively) {
    if (!pathsResolvedByUs()) GTEST_SKIP() << "the system resolves module paths itself";
    test_support::TempDir t;
    const std::string d = t.path;
    writeBytes(d + "/Module/resource/Map_Names.BRF", "x");

    EXPECT_EQ(resolvePath(d + "/module\\Resource\\map_names.brf"), d + "/Module/resource/Map_Names.BRF");
    // A missing last component (a file about to be created) is kept as written.
    EXPECT_EQ(resolvePath(d + "\\MODULE\\RESOURCE\\new.txt"), d + "/Module/resource/new.txt");
    // Once a folder is missing, nothing after it is matched.
    EXPECT_EQ(resolvePath(d + "/nothing/Resource"), d + "/nothing/Resource");
    // An exact match wins over a case-insensitive one.
    writeBytes(d + "/Module/a.txt", "lower");
    writeBytes(d + "/Module/A.txt", "upper");
    EXPECT_EQ(resolvePath(d + "/Module/A.txt"), d + "/Module/A.txt");
    // Trailing separators survive.
    EXPECT_EQ(resolvePath(d + "/module\\"), d + "/Module/");

    std::string bytes;
    EXPECT_TRUE(readBinaryFile(d + "\\module\\RESOURCE\\map_names.brf", bytes));
    EXPECT_EQ(bytes, "x");
}

// On Windows module paths are the system's: they stay as written, and any
// spelling of a name and either separator finds the file.
TEST(Platform, SystemResolvedPathsStayAsWritten) {
    if (pathsResolvedByUs()) GTEST_SKIP() << "module paths are resolved by the program here";
    test_support::TempDir t;
    writeBytes(t / "Module/resource/Map_Names.BRF", "x");
    const std::string path = t.path + "\\MODULE\\Resource\\map_names.brf";
    EXPECT_EQ(resolvePath(path), path);
    std::string bytes;
    EXPECT_TRUE(readBinaryFile(path, bytes));
    EXPECT_EQ(bytes, "x");
    // A file is replaced whole over an existing one.
    ASSERT_TRUE(replaceFileWith(path, "new"));
    EXPECT_EQ(readBytes(t / "Module/resource/Map_Names.BRF"), "new");
    EXPECT_EQ(toPlatformLineEnds("a\nb\n"), "a\r\nb\r\n");
}

TEST(Platform, TextReadingTurnsCrLfIntoLf) {
    test_support::TempDir d;
    writeBytes(d / "t.txt", "a\r\nb\rc\r\n\r\nend");
    std::string text;
    ASSERT_TRUE(readTextFile(d / "t.txt", text));
    EXPECT_EQ(text, "a\nb\rc\n\nend");
    EXPECT_FALSE(readTextFile(d / "missing.txt", text));
    EXPECT_EQ(toCrlf("a\nb\r\nc\n"), "a\r\nb\r\nc\r\n");
}

TEST(Platform, ReplaceFileIsWholeOrNothing) {
    test_support::TempDir d;
    const std::string path = d / "store.txt";
    writeBytes(path, "old contents");
    ASSERT_TRUE(replaceFileWith(path, "new contents"));
    EXPECT_EQ(readBytes(path), "new contents");
    EXPECT_FALSE(exists(path + ".new"));

    // A write that fails at any point leaves the old file byte for byte.
    const std::string big(100000, 'z');
    for (long long limit : {0LL, 1LL, 4095LL, 4096LL, 65536LL, 99999LL}) {
        setWriteFailureAfter(limit);
        EXPECT_FALSE(replaceFileWith(path, big)) << limit;
        setWriteFailureAfter(-1);
        EXPECT_EQ(readBytes(path), "new contents") << limit;
        EXPECT_FALSE(exists(path + ".new")) << limit;
    }
    // Exactly enough room succeeds.
    setWriteFailureAfter(static_cast<long long>(big.size()));
    EXPECT_TRUE(replaceFileWith(path, big));
    setWriteFailureAfter(-1);
    EXPECT_EQ(readBytes(path), big);

    EXPECT_FALSE(replaceFileWith(d / "no/such/dir/file", "x"));

    // An aborted replacement leaves the old file.
    FileReplacement rf;
    ASSERT_TRUE(beginReplace(rf, path));
    std::fputs("partial", rf.file);
    abortReplace(rf);
    EXPECT_EQ(readBytes(path), big);
}

TEST(Platform, DecimalIntegersSaturateAndStopAtTheFirstNonDigit) {
    struct Case {
        const char* text;
        int value;  // expected value
        int used;   // bytes taken, -1 when no number
    };
    const Case cases[] = {{"+12x", 12, 3},          {"-7 8", -7, 2},           {"-", 0, -1},
                          {"x1", 0, -1},            {"2147483647", INT_MAX, 10}, {"-2147483648", INT_MIN, 11},
                          {"99999999999999999999", INT_MAX, 20}, {"-99999999999", INT_MIN, 12}};
    for (const Case& c : cases) {
        const std::string text = c.text;
        int value = 0;
        const char* stop = parseDecimalInt(text.data(), text.data() + text.size(), value);
        if (c.used < 0) {
            EXPECT_EQ(stop, nullptr) << c.text;
            continue;
        }
        ASSERT_NE(stop, nullptr) << c.text;
        EXPECT_EQ(stop - text.data(), c.used) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
    }
}

TEST(Platform, Utf8DecodesStrictlyAndEncodesBack) {
    struct Case {
        const char* bytes;
        std::vector<char32_t> codes;  // empty: malformed
    };
    const Case cases[] = {{"a\x7F", {U'a', 0x7F}},
                          {"\xC3\xA9", {0xE9}},
                          {"\xE4\xB8\xAD\xD0\x9C", {0x4E2D, 0x41C}},
                          {"\xF0\x9F\x98\x80", {0x1F600}},
                          {"\xF4\x8F\xBF\xBF", {0x10FFFF}},
                          {"\xC0\x80", {}},              // overlong NUL
                          {"\xE0\x80\xAF", {}},         // overlong '/'
                          {"\xED\xA0\x80", {}},         // surrogate
                          {"\xF4\x90\x80\x80", {}},    // above U+10FFFF
                          {"\xC3", {}},                   // cut short
                          {"\xE4\xB8", {}},
                          {"\x80", {}},                   // lone continuation byte
                          {"ab\xFF", {}}};
    for (const Case& c : cases) {
        std::vector<char32_t> codes;
        const bool ok = decodeUtf8(c.bytes, codes);
        EXPECT_EQ(ok, !c.codes.empty()) << c.bytes;
        EXPECT_EQ(isValidUtf8(c.bytes), ok) << c.bytes;
        if (!ok) continue;
        EXPECT_EQ(codes, c.codes) << c.bytes;
        std::string back;
        for (char32_t code : codes) appendUtf8(back, code);
        EXPECT_EQ(back, c.bytes);
    }
}

}  // namespace

namespace {

TEST(Platform, FolderNamesAndPathsInsideAFolder) {
    test_support::WorkDir t;
    const std::string d = t.path;
    for (auto [path, name] : {std::pair<std::string, std::string>{d + "/Mods/My Mod/", "My Mod"}, {"Mods/MyMod", "MyMod"},
                              {"Mods/MyMod/.", "MyMod"}, {"/", ""}, {".", std::filesystem::path(d).filename().string()}})
        EXPECT_EQ(lastPathName(path), name) << path;

    // Inside the root both ways, the path is relative to `from`, with the system's
    // separators; otherwise as given.
    const std::string root = d + "/prog/";
    const std::string up = std::string("..") + NATIVE_SEPARATOR;
    for (auto [path, from, relative] :
         {std::tuple<std::string, std::string, std::string>{root + "font.ttf", root + "MyMod", up + "font.ttf"},
          {root + "font.ttf", root + "a/MyMod/", up + up + "font.ttf"},
          {root + "fonts/font.ttf", root + "MyMod", up + "fonts" + NATIVE_SEPARATOR + "font.ttf"},
          {"prog/font.ttf", "prog/MyMod", up + "font.ttf"},
          {root + "font.ttf", d + "/MyMod", root + "font.ttf"},
          {"/usr/share/fonts/font.ttf", root + "MyMod", "/usr/share/fonts/font.ttf"}})
        EXPECT_EQ(relativeInside(path, from, root), relative) << path << " from " << from;
    EXPECT_EQ(relativeInside(root + "font.ttf", root + "MyMod", ""), root + "font.ttf");
}

// A folder that cannot be made leaves nothing behind, not even the parents it made.
TEST(Platform, CreateFoldersWholeOrNothing) {
    test_support::WorkDir t;
    writeBytes("file", "x");
    const std::string tooLong(300, 'n');
    for (const std::string& path : {std::string("file"), std::string("file/sub/deeper"), "new/newer/" + tooLong}) {
        EXPECT_FALSE(createFolders(path)) << path;
        EXPECT_FALSE(exists("new")) << path;
        EXPECT_EQ(readBytes("file"), "x");
    }
    EXPECT_TRUE(createFolders("new/newer/newest/"));
    EXPECT_TRUE(isFolder("new/newer/newest"));
    EXPECT_TRUE(createFolders("new/newer"));
    EXPECT_TRUE(sameFile("new/newer/newest", t.path + "/new/newer/newest/"));
    EXPECT_FALSE(sameFile("new/newer", "new/newer/newest"));
}

}  // namespace
