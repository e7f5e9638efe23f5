#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include <filesystem>
#include <map>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

#include "../test_support.h"
#include "config/config.h"
#include "platform/platform.h"

namespace {

const std::string kGood =
    "# comment line\n"
    "module_path = \"C:\\Mod\\Brask\"\n"
    "texture_size = 256 x 128\n"
    "font = \"my font.ttf\"\n"
    "charset = \"ab c\"\n"
    "mip_map = [100, 50,25]\n";

const std::string kError = "Error reading Veltrune.cfg... try deleting it to reset the defaults...\n";

// The message of a faulty file: the first line, then the first fault.
std::string error(const std::string& fault) { return kError + fault + "\n"; }

struct Parsed {
    bool ok;
    std::string out;
    AppConfig config;
};

Parsed parse(const std::string& text) {
    Parsed p;
    const Report r = parseConfig(p.config, text, "Veltrune.cfg");
    p.ok = r.ok;
    p.out = test_support::said(r);
    return p;
}

// The good file with its first `from` replaced by `to` (to the end of the file when len is npos).
Parsed parseEdited(const std::string& from, const std::string& to, size_t len = 0) {
    std::string t = kGood;
    t.replace(t.find(from), len ? len : from.size(), to);
    return parse(t);
}

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

    EXPECT_TRUE(parse(kGood + "test_mode = 1\n").config.test_mode);
    Parsed two = parse(kGood + "test_mode = 2\n");
    EXPECT_TRUE(two.ok);
    EXPECT_FALSE(two.config.test_mode);

    // A separator is added to a module path unless it ends in one.
    for (auto [value, expected] : {std::pair{"a/b/c", "a/b/c\\"}, {"a/b/", "a/b/"}, {"a\\b\\", "a\\b\\"}, {"\"\"", ""}}) {
        Parsed m = parseEdited("\"C:\\Mod\\Brask\"", value);
        EXPECT_TRUE(m.ok) << value;
        EXPECT_EQ(m.config.module_path, expected);
    }
}

TEST(Config, TallyRules) {
    // A single texture size number leaves the tally at 5; values read before the failure stay.
    Parsed p = parseEdited("256 x 128", "256");
    EXPECT_FALSE(p.ok);
    EXPECT_EQ(p.out, error("line 3: texture_size \"256\" is not a size like 1024 x 512"));
    EXPECT_EQ(p.config.texture_width, 256);

    // A key given twice overshoots; a missing mip_map undershoots.
    EXPECT_EQ(parse(kGood + "font = x\n").out, error("font is given twice (lines 4 and 7)"));
    EXPECT_EQ(parse(kGood.substr(0, kGood.find("mip_map"))).out, error("mip_map is missing"));
    // A key run together with "=" is no key; the missing value makes reading fail.
    EXPECT_EQ(parseEdited("font = ", "font=").out, error("line 4: \"font=\" needs spaces around \"=\""));
    // A key not followed by "=" stops reading.
    EXPECT_EQ(parse("charset x\n" + kGood).out, error("line 1: charset is not followed by \" = \""));
    // A key whose value the file ends before.
    const std::string noMip = kGood.substr(0, kGood.find("mip_map")), noCharset = kGood.substr(0, kGood.find("charset"));
    EXPECT_EQ(parse(noMip + "mip_map =").out, error("line 6: mip_map has no value"));
    EXPECT_EQ(parse(noCharset + "mip_map = []\ncharset = ").out, error("line 6: charset has no value"));
}

TEST(Config, RequiredKeysExactlyOnce) {
    // Each of these once made up the six values a complete file needs.
    const std::string noFont = kGood.substr(0, kGood.find("font")), noMip = kGood.substr(0, kGood.find("mip_map"));
    for (auto [text, fault] : {std::pair{noFont + "module_path = m\ncharset = c\nmip_map = []\n",
                                         "module_path is given twice (lines 2 and 4)"},
                               {noFont + "texture_size = 2 x 2\ncharset = c\n", "texture_size is given twice (lines 3 and 4)"},
                               {noMip + "texture_size = 7\n", "line 6: texture_size \"7\" is not a size like 1024 x 512"}})
        EXPECT_EQ(parse(text).out, error(fault)) << text;
}

TEST(Config, MistypedMipMapSaysSo) {
    for (const std::string list : {"[1\xC2\xB0" "0,90]", "[1 x]", "[100;90] # levels"})
        EXPECT_EQ(parseEdited("[100, 50,25]", list).out,
                  error("line 6: mip_map \"" + list.substr(0, list.find(" #")) + "\" is not a list like [100,90,80]"))
            << list;
}

TEST(Config, TokensCommentsAndQuotes) {
    // An unquoted value ends at the first blank; a quoted one keeps its spaces and "#".
    Parsed p = parseEdited("\"ab c\"", "ab c");
    EXPECT_TRUE(p.ok);
    EXPECT_EQ(p.config.charset, "ab");
    p = parseEdited("\"my font.ttf\"", "\"a#b\" # trailing comment");
    EXPECT_TRUE(p.ok);
    EXPECT_EQ(p.config.font, "a#b");
    // A comment in the middle of a word joins it with the first word of the next line.
    p = parseEdited("font = \"my font.ttf\"", "fo#comment\nnt = \"f.ttf\"");
    EXPECT_TRUE(p.ok) << p.out;
    EXPECT_EQ(p.config.font, "f.ttf");
    // A CR alone is part of a word.
    EXPECT_TRUE(parseEdited("texture_size", "junk\r texture_size").ok);
}

TEST(Config, MipMapLists) {
    auto withMip = [](const std::string& line) { return parseEdited("mip_map", line, std::string::npos); };
    Parsed blank = withMip("mip_map = [   ]\n");
    EXPECT_TRUE(blank.ok);
    EXPECT_TRUE(blank.config.mip_map.empty());

    EXPECT_FALSE(withMip("mip_map = [1;2]\n").ok);

    // With two blanks after "=", the second blank is taken as the bracket: the list stays empty but counts.
    Parsed two = withMip("mip_map =  [5, 6]\n");
    EXPECT_TRUE(two.ok);
    EXPECT_TRUE(two.config.mip_map.empty());

    // A list ending at the end of the file is finished; one cut off after "," is faulty.
    Parsed end = withMip("mip_map = [7, 8");
    EXPECT_TRUE(end.ok);
    EXPECT_EQ(end.config.mip_map, (std::vector<int>{7, 8}));
    EXPECT_EQ(withMip("mip_map = [7,").out, error("line 6: mip_map \"[7,\" is not a list like [100,90,80]"));

    // Reading appends and never clears.
    AppConfig c;
    c.mip_map = {1};
    parseConfig(c, kGood, "x");
    EXPECT_EQ(c.mip_map, (std::vector<int>{1, 100, 50, 25}));

    // More than fifty entries is a faulty file, not an overflow.
    std::string many = "mip_map = [";
    for (int i = 0; i < 60; ++i) many += std::to_string(i) + (i < 59 ? "," : "]\n");
    Parsed tooMany = withMip(many);
    EXPECT_EQ(tooMany.out, error("line 6: mip_map has more than 50 levels"));
    EXPECT_LE(tooMany.config.mip_map.size(), MIP_MAP_MAX);
}

TEST(Config, LimitsAreReportedAsFaulty) {
    const std::string longToken(1500, 'a');
    Parsed p = parseEdited("\"my font.ttf\"", "\"" + longToken + "\"");
    EXPECT_EQ(p.out, error("line 4: a value is longer than 1023 characters"));
    EXPECT_LE(p.config.font.size(), CONFIG_TEXT_MAX);
    EXPECT_EQ(parseEdited("\"my font.ttf\"", longToken).out, error("line 4: a value is longer than 1023 characters"));
    // A module path of 1023 characters would need one more for its separator.
    EXPECT_EQ(parseEdited("\"C:\\Mod\\Brask\"", std::string(1023, 'm')).out,
              error("line 2: module_path is longer than 1022 characters"));
    // An unclosed quote at the end of the file.
    EXPECT_EQ(parse(kGood + "font = \"unterminated").out, error("line 7: a quoted value is not closed"));
}

TEST(Config, MissingFileGivesDefaultsAndMessage) {
    AppConfig c;
    c.font = "changed";
    c.mip_map = {3};
    const Report missing = readConfig(c, "no-such-dir/Veltrune.cfg");
    EXPECT_FALSE(missing);
    EXPECT_EQ(test_support::said(missing), "Wrong or missing config file \"no-such-dir/Veltrune.cfg\"!\n"
                                           "Make one for your module with: veltrune -n MODULE FOLDER\n");
    EXPECT_EQ(c.font, "usedFont.TTF");
    EXPECT_EQ(c.charset, "abcdefghijklmnopqrstuvxyzABCDEFGHIJKLMNOPQRSTUVXYZ- ");
    EXPECT_EQ(c.module_path, "C:\\Games\\Karnwold800\\Modules\\Brask\\");
    EXPECT_EQ(c.mip_map, std::vector<int>{3});

    // The file on disk is read in text mode: CR LF line ends work.
    test_support::TempDir d;
    std::string crlf;
    for (char ch : kGood) crlf += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
    test_support::writeBytes(d / "crlf.cfg", crlf);
    AppConfig e;
    EXPECT_TRUE(readConfig(e, d / "crlf.cfg"));
    EXPECT_EQ(e.font, "my font.ttf");
    EXPECT_EQ(e.mip_map.back(), 25);
}

// A module folder with a non-ASCII name, written in UTF-8 or, on Windows, in the
// ANSI code page as older editors saved the file: either way the module is found.
TEST(Config, NonAsciiModulePathInUtf8OrTheAnsiCodePage) {
    test_support::TempDir d;
    const std::filesystem::path folder = std::filesystem::path(d.path) / std::filesystem::path(u8"Zo\u00EB");
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "map.txt") << "0\n0\n";
    std::vector<std::string> spellings = {"Zo\xC3\xAB"};
#ifdef _WIN32
    if (GetACP() == 1252) spellings.push_back("Zo\xEB");
#endif
    for (const std::string& name : spellings) {
        std::string text = kGood;
        text.replace(text.find("C:\\Mod\\Brask"), 12, d.path + "/" + name);
        test_support::writeBytes(d / "Veltrune.cfg", text);
        AppConfig c;
        ASSERT_TRUE(readConfig(c, d / "Veltrune.cfg")) << name;
        EXPECT_EQ(c.module_path, d.path + "/Zo\xC3\xAB\\");
        EXPECT_TRUE(fileExists(modulePath(c, "map.txt"))) << name;
    }
}

}  // namespace

// The optional keys with numbers: mesh_letters (auto or 1..1000), window_size
// (W x H or auto), recovery_seconds (1..3600); anything else is faulty, in the key's words.
TEST(Config, OptionalNumberKeys) {
    using Read = std::tuple<int, int, int, bool, int>;  // mesh_letters, window W, H, auto, recovery_seconds
    const auto read = [](const AppConfig& c) {
        return Read(c.mesh_letters, c.window_width, c.window_height, c.window_auto, c.recovery_seconds);
    };
    EXPECT_EQ(read(parse(kGood).config), Read(0, 500, 500, false, 60));
    const std::map<std::string, std::string> says = {{"mesh_letters", "is not auto or a number from 1 to 1000"},
                                                     {"window_size", "is not a size like 1280 x 800, or auto"},
                                                     {"recovery_seconds", "is not a number from 1 to 3600"}};
    struct Case {
        std::string key, value;
        bool ok;
        Read want;
    };
    const Read faulty{};
    const Case cases[] = {
        {"mesh_letters", "auto", true, {0, 500, 500, false, 60}}, {"mesh_letters", "1", true, {1, 500, 500, false, 60}},
        {"mesh_letters", "1000", true, {1000, 500, 500, false, 60}}, {"mesh_letters", "0", false, faulty},
        {"mesh_letters", "1001", false, faulty}, {"mesh_letters", "-2", false, faulty},
        {"mesh_letters", "3x", false, faulty}, {"mesh_letters", "", false, faulty},
        {"window_size", "auto", true, {0, 500, 500, true, 60}}, {"window_size", "1280 x 800", true, {0, 1280, 800, false, 60}},
        {"window_size", "640x480 # small", true, {0, 640, 480, false, 60}}, {"window_size", "0 x 10", false, faulty},
        {"window_size", "800", false, faulty}, {"window_size", "autox", false, faulty},
        {"window_size", "big", false, faulty}, {"window_size", "40000 x 10", false, faulty},
        {"recovery_seconds", "1", true, {0, 500, 500, false, 1}}, {"recovery_seconds", "3600", true, {0, 500, 500, false, 3600}},
        {"recovery_seconds", "0", false, faulty}, {"recovery_seconds", "3601", false, faulty},
        {"recovery_seconds", "1.5", false, faulty}, {"recovery_seconds", "", false, faulty},
    };
    for (const Case& c : cases) {
        const Parsed p = parse(kGood + c.key + " = " + c.value + "\n");
        const std::string fault = "line 7: " + c.key + (c.value.empty() ? " has no value" : " \"" + c.value + "\" " + says.at(c.key));
        EXPECT_EQ(p.ok, c.ok) << c.key << " = " << c.value;
        EXPECT_EQ(p.out, c.ok ? "" : error(fault)) << c.key << " = " << c.value;
        if (c.ok) {
            EXPECT_EQ(read(p.config), c.want) << c.key << " = " << c.value;
        }
    }
    // A new working folder's configuration asks for the desktop's share, and reads back.
    const Parsed made = parse(newConfigText("C:\\Mod\\", "font.ttf"));
    EXPECT_TRUE(made.ok) << made.out;
    EXPECT_TRUE(made.config.window_auto);
}

namespace {

// A word followed by "=" that names no key is skipped as before, and said, with
// the nearest key when it is only a slip away; the file reads as it would without it.
TEST(Config, UnknownKeysAreNamedWithTheNearestKey) {
    const auto unknown = [](int line, const char* word, const char* nearest) {
        std::string text = "line " + std::to_string(line) + ": unknown key \"" + word + "\" is ignored";
        return text + (nearest ? std::string(" (did you mean \"") + nearest + "\"?)" : std::string()) + "\n";
    };
    // Appended to the good file, whose last line is line 6, and what is said of it.
    const std::pair<std::string, std::string> cases[] = {
        {"mesh_leters = 4\n", unknown(7, "mesh_leters", "mesh_letters")},
        {"\n# a comment\nTest_Mode = 1\n", unknown(9, "Test_Mode", "test_mode")},
        {"mipmap = [1]\ntexturesize = 8 x 8\n", unknown(7, "mipmap", "mip_map") + unknown(8, "texturesize", "texture_size")},
        {"colour = red\n", unknown(7, "colour", nullptr)},
        {"mesh_letters = 4\n", ""},
        {"just some words\n", ""},
        {"mesh_letters=4\n", ""},
        {"font=x.ttf\n", ""},
    };
    for (const auto& [added, out] : cases) {
        const Parsed p = parse(kGood + added);
        EXPECT_TRUE(p.ok) << added;
        EXPECT_EQ(p.out, out) << added;
        EXPECT_EQ(p.config.mesh_letters, added == "mesh_letters = 4\n" ? 4 : 0) << added;
        EXPECT_FALSE(p.config.test_mode) << added;
        EXPECT_EQ(p.config.texture_width, 256) << added;
    }
    // A misspelled required key: the fault, then the word that was meant for it.
    const Parsed misspelled = parseEdited("font = ", "Font = ");
    EXPECT_FALSE(misspelled.ok);
    EXPECT_EQ(misspelled.out, error("font is missing") + unknown(4, "Font", "font"));
}

}  // namespace
