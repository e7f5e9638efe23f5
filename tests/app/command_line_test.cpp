#include "app/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Args = std::vector<std::string>;

// Each command line gives one form with its operands, or a refusal with its
// reason; the editor never opens on a line it does not understand.
TEST(CommandLine, FormOrRefusal) {
    const std::string joined =
        "The path ends in \\\" and Windows joined it with the next argument: leave out the last backslash";
    const std::string previewUsage = "Usage: veltrune -p [FILE] [SIZE], SIZE from 64 to 16384 pixels";
    struct Case {
        Args args;
        bool windows;
        Form form;
        Args operands;
        std::string refusal;  // for Refused
        bool usageAfter;
    };
    const Case cases[] = {
        {{}, false, Form::Editor, {}, "", false},
        {{"-b"}, false, Form::Batch, {}, "", false},
        {{"-p"}, false, Form::Preview, {}, "", false},
        {{"-p", "map.png", "1024"}, false, Form::Preview, {"map.png", "1024"}, "", false},
        {{"-n", "Mods/My Mod", "names"}, false, Form::NewFolder, {"Mods/My Mod", "names"}, "", false},
        {{"C:\\Mods\\My Mod"}, true, Form::ModuleFolder, {"C:\\Mods\\My Mod"}, "", false},
        {{"-h"}, false, Form::Help, {}, "", false},
        {{"--help"}, false, Form::Help, {}, "", false},
        {{"-b", "--help"}, false, Form::Help, {}, "", false},
        {{"--version"}, false, Form::Version, {}, "", false},
        {{"-bx"}, false, Form::Refused, {}, "Unknown option \"-bx\"", true},
        {{"-B"}, false, Form::Refused, {}, "Unknown option \"-B\"", true},
        {{"/?"}, true, Form::Refused, {}, "Unknown option \"/?\"", true},
        {{"-n", "Mod", "-x"}, false, Form::Refused, {}, "Unknown option \"-x\"", true},
        {{"-b", "-p"}, false, Form::Refused, {}, "Use one of -b, -p, -n at a time", true},
        {{"-n", "Mod", "-b"}, false, Form::Refused, {}, "Use one of -b, -p, -n at a time", true},
        {{"x", "-b"}, false, Form::Refused, {}, "Put -b first, before \"x\"", true},
        {{"-b", "x"}, false, Form::Refused, {}, "Unexpected argument \"x\" after -b", true},
        {{"Mod", "Other"}, false, Form::Refused, {}, "Unexpected argument \"Other\": give one module folder", true},
        {{"-p", "a.png", "63"}, false, Form::Refused, {}, previewUsage, false},
        {{"-p", "a.png", "16385"}, false, Form::Refused, {}, previewUsage, false},
        {{"-p", "a.png", "20x"}, false, Form::Refused, {}, previewUsage, false},
        {{"-p", "a.png", "64", "x"}, false, Form::Refused, {}, previewUsage, false},
        {{"-n", "Mod"}, false, Form::Refused, {}, "Usage: veltrune -n MODULE FOLDER", false},
        {{"-n", "a", "b", "c"}, false, Form::Refused, {}, "Usage: veltrune -n MODULE FOLDER", false},
        // "C:\Mods\My Mod\" MyMod as Windows splits it; elsewhere a quote is a character.
        {{"-n", "C:\\Mods\\My Mod\" MyMod"}, true, Form::Refused, {}, joined, false},
        {{"C:\\Mods\\My Mod\""}, true, Form::Refused, {}, joined, false},
        {{"-n", "a\"b", "c"}, false, Form::NewFolder, {"a\"b", "c"}, "", false},
    };
    for (const Case& c : cases) {
        std::string line;
        for (const std::string& a : c.args) line += " [" + a + "]";
        const CommandLine got = parseCommandLine(c.args, c.windows);
        EXPECT_EQ(got.form, c.form) << line;
        EXPECT_EQ(got.operands, c.operands) << line;
        EXPECT_EQ(got.refusal, c.refusal) << line;
        EXPECT_EQ(got.usageAfter, c.usageAfter) << line;
    }
    EXPECT_EQ(parseCommandLine({"-p", "a.png", "64"}, false).previewSize, 64);
    EXPECT_EQ(parseCommandLine({"-p", "a.png", "16384"}, false).previewSize, 16384);
    EXPECT_EQ(parseCommandLine({"-p"}, false).previewSize, 2048);
}

}  // namespace
