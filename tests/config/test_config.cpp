#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "config/config.h"

namespace {

const char* kGood =
    "# comment line\n"
    "module_path = \"C:\\Mod\\Brask\"\n"
    "texture_size = 256 x 128\n"
    "font = \"my font.ttf\"\n"
    "charset = \"ab c\"\n"
    "mip_map = [100, 50,25]\n";

struct Parsed {
    bool ok;
    std::string out;
    AppConfig config;
};

Parsed parse(const std::string& text) {
    Parsed p;
    testing::internal::CaptureStdout();
    p.ok = parseConfig(p.config, text, "Veltrune.cfg");
    p.out = testing::internal::GetCapturedStdout();
    return p;
}

const std::string kError = "Error reading Veltrune.cfg... try deleting it to reset the defaults...\n";

TEST(Config, ReadsAWellFormedFile) {
    Parsed p = parse(kGood);
    ASSERT_TRUE(p.ok) << p.out;
    EXPECT_EQ(p.out, "");
    EXPECT_EQ(p.config.module_path, "C:\\Mod\\Brask\\");
    EXPECT_EQ(p.config.texture_width, 256);
    EXPECT_EQ(p.config.texture_height, 128);
    EXPECT_EQ(p.config.font, "my font.ttf");
    EXPECT_EQ(p.config.charset, "ab c");
    EXPECT_FALSE(p.config.test_mode);
    EXPECT_EQ(p.config.mip_map, (std::vector<int>{100, 50, 25}));
    EXPECT_EQ(modulePath(p.config, "map.txt"), "C:\\Mod\\Brask\\map.txt");
}

TEST(Config, TallyRules) {
    // A single texture size number leaves the tally at 5.
    std::string one = kGood;
    one.replace(one.find("256 x 128"), 9, "256");
    Parsed p = parse(one);
    EXPECT_FALSE(p.ok);
    EXPECT_EQ(p.out, kError);
    EXPECT_EQ(p.config.texture_width, 256);  // values read before the failure stay

    // A key given twice overshoots; a missing mip_map undershoots.
    EXPECT_FALSE(parse(std::string(kGood) + "font = x\n").ok);
    std::string noMip = kGood;
    noMip.erase(noMip.find("mip_map"));
    EXPECT_EQ(parse(noMip).out, kError);

    // A key run together with "=" is no key; the missing value makes reading fail.
    std::string glued = kGood;
    glued.replace(glued.find("font = "), 7, "font=");
    EXPECT_FALSE(parse(glued).ok);

    // A key not followed by "=" stops reading.
    EXPECT_FALSE(parse(std::string("charset x\n") + kGood).ok);
}

TEST(Config, TestModeAndModulePathSeparators) {
    EXPECT_TRUE(parse(std::string(kGood) + "test_mode = 1\n").config.test_mode);
    EXPECT_FALSE(parse(std::string(kGood) + "test_mode = 2\n").config.test_mode);
    EXPECT_TRUE(parse(std::string(kGood) + "test_mode = 2\n").ok);

    auto withPath = [](const std::string& value) {
        std::string t = kGood;
        size_t a = t.find("module_path");
        t.replace(a, t.find('\n', a) - a, "module_path = " + value);
        return parse(t);
    };
    EXPECT_EQ(withPath("a/b/c").config.module_path, "a/b/c\\");
    EXPECT_EQ(withPath("a/b/").config.module_path, "a/b/");
    EXPECT_EQ(withPath("a\\b\\").config.module_path, "a\\b\\");
    Parsed empty = withPath("\"\"");
    EXPECT_TRUE(empty.ok);
    EXPECT_EQ(empty.config.module_path, "");
}

TEST(Config, TokensCommentsAndQuotes) {
    // An unquoted value ends at the first blank; a quoted one keeps its spaces and "#".
    std::string t = kGood;
    t.replace(t.find("charset = \"ab c\""), 16, "charset = ab c");
    Parsed p = parse(t);
    EXPECT_TRUE(p.ok);
    EXPECT_EQ(p.config.charset, "ab");

    t = kGood;
    t.replace(t.find("\"my font.ttf\""), 13, "\"a#b\" # trailing comment");
    p = parse(t);
    EXPECT_TRUE(p.ok);
    EXPECT_EQ(p.config.font, "a#b");

    // A comment in the middle of a word joins it with the first word of the next line.
    t = std::string(kGood);
    t.replace(t.find("font = \"my font.ttf\""), 20, "fo#comment\nnt = \"f.ttf\"");
    p = parse(t);
    EXPECT_TRUE(p.ok) << p.out;
    EXPECT_EQ(p.config.font, "f.ttf");

    // CR LF has been turned into LF by the reader; a CR alone is part of a word.
    t = std::string(kGood);
    t.replace(t.find("texture_size"), 0, "junk\r ");
    EXPECT_TRUE(parse(t).ok);
}

TEST(Config, MipMapLists) {
    auto withMip = [](const std::string& line) {
        std::string t = kGood;
        t.replace(t.find("mip_map"), std::string::npos, line);
        return parse(t);
    };
    Parsed blank = withMip("mip_map = [   ]\n");
    EXPECT_TRUE(blank.ok);
    EXPECT_TRUE(blank.config.mip_map.empty());

    Parsed semi = withMip("mip_map = [1;2]\n");
    EXPECT_FALSE(semi.ok);
    EXPECT_EQ(semi.out, "");  // fails silently

    // With two blanks after "=", the second blank is taken as the bracket: the list stays empty but counts.
    Parsed two = withMip("mip_map =  [5, 6]\n");
    EXPECT_TRUE(two.ok);
    EXPECT_TRUE(two.config.mip_map.empty());

    // A list ending at the end of the file is finished; one cut off after "," is faulty.
    EXPECT_EQ(withMip("mip_map = [7, 8").config.mip_map, (std::vector<int>{7, 8}));
    EXPECT_TRUE(withMip("mip_map = [7, 8").ok);
    Parsed cut = withMip("mip_map = [7,");
    EXPECT_FALSE(cut.ok);
    EXPECT_EQ(cut.out, kError);

    // Reading appends and never clears.
    AppConfig c;
    c.mip_map = {1};
    testing::internal::CaptureStdout();
    parseConfig(c, kGood, "x");
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(c.mip_map, (std::vector<int>{1, 100, 50, 25}));

    // More than fifty entries is a faulty file, not an overflow.
    std::string many = "mip_map = [";
    for (int i = 0; i < 60; ++i) many += std::to_string(i) + (i < 59 ? "," : "]");
    Parsed tooMany = withMip(many + "\n");
    EXPECT_FALSE(tooMany.ok);
    EXPECT_EQ(tooMany.out, kError);
    EXPECT_LE(tooMany.config.mip_map.size(), MIP_MAP_MAX);
}

TEST(Config, LimitsAreReportedAsFaulty) {
    std::string longToken(1500, 'a');
    std::string t = kGood;
    t.replace(t.find("\"my font.ttf\""), 13, "\"" + longToken + "\"");
    Parsed p = parse(t);
    EXPECT_FALSE(p.ok);
    EXPECT_EQ(p.out, kError);
    EXPECT_LE(p.config.font.size(), CONFIG_TEXT_MAX);

    t = kGood;
    t.replace(t.find("\"my font.ttf\""), 13, longToken);
    EXPECT_EQ(parse(t).out, kError);

    // A module path of 1023 characters would need one more for its separator.
    t = kGood;
    t.replace(t.find("\"C:\\Mod\\Brask\""), 14, std::string(1023, 'm'));
    EXPECT_EQ(parse(t).out, kError);

    // An unclosed quote at the end of the file.
    EXPECT_EQ(parse(std::string(kGood) + "font = \"unterminated").out, kError);
}

TEST(Config, MissingFileGivesDefaultsAndMessage) {
    AppConfig c;
    c.font = "changed";
    c.mip_map = {3};
    testing::internal::CaptureStdout();
    bool ok = readConfig(c, "no-such-dir/Veltrune.cfg");
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_FALSE(ok);
    EXPECT_EQ(out, "Wrong or missing config file \"no-such-dir/Veltrune.cfg\"!\n");
    EXPECT_EQ(c.font, "usedFont.TTF");
    EXPECT_EQ(c.charset, "abcdefghijklmnopqrstuvxyzABCDEFGHIJKLMNOPQRSTUVXYZ- ");
    EXPECT_EQ(c.charset.size(), 52u);
    EXPECT_EQ(c.module_path, "C:\\Games\\Karnwold800\\Modules\\Brask\\");
    EXPECT_EQ(c.mip_map, std::vector<int>{3});

    // The file on disk is read in text mode: CR LF line ends work.
    std::string crlf;
    for (char ch : std::string(kGood)) {
        if (ch == '\n') crlf += '\r';
        crlf += ch;
    }
    const char* path = "cfg_crlf_test.cfg";
    std::ofstream(path, std::ios::binary) << crlf;
    AppConfig d;
    EXPECT_TRUE(readConfig(d, path));
    EXPECT_EQ(d.font, "my font.ttf");
    EXPECT_EQ(d.mip_map.back(), 25);
    std::remove(path);
}

}  // namespace
