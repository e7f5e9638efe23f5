#include "app/command_line.h"

#include <algorithm>

#include "platform/platform.h"
#include "platform/text_format.h"
#include "preview/preview.h"

namespace {

constexpr const char* SWITCHES[] = {"-b", "-p", "-n"};

bool isSwitch(const std::string& arg) {
    return std::any_of(std::begin(SWITCHES), std::end(SWITCHES), [&](const char* s) { return arg == s; });
}

bool isOption(const std::string& arg) { return (!arg.empty() && arg[0] == '-') || arg == "/?"; }

// A whole decimal number in PREVIEW_SIZE_MIN..PREVIEW_SIZE_MAX.
bool readPreviewSize(const std::string& text, int& size) {
    int value = 0;
    const char* end = text.data() + text.size();
    if (parseDecimalInt(text.data(), end, value) != end || value < PREVIEW_SIZE_MIN || value > PREVIEW_SIZE_MAX)
        return false;
    size = value;
    return true;
}

CommandLine refuse(CommandLine line, const std::string& why, bool usageAfter) {
    line.form = Form::Refused;
    line.refusal = why;
    line.usageAfter = usageAfter;
    line.operands.clear();
    return line;
}

}  // namespace

CommandLine parseCommandLine(const std::vector<std::string>& args, bool windows) {
    CommandLine line;
    line.typed = std::any_of(args.begin(), args.end(), isOption);
    // Help and the version are given whatever else the line holds.
    for (const std::string& a : args) {
        if (a == "-h" || a == "--help" || a == "--version") {
            line.form = a == "--version" ? Form::Version : Form::Help;
            return line;
        }
    }
    if (windows)
        for (const std::string& a : args)
            if (a.find('"') != std::string::npos)
                return refuse(line,
                              "The path ends in \\\" and Windows joined it with the next argument: leave out the "
                              "last backslash",
                              false);
    for (const std::string& a : args)
        if (isOption(a) && !isSwitch(a)) return refuse(line, "Unknown option \"" + a + "\"", true);
    const auto switches = std::count_if(args.begin(), args.end(), isSwitch);
    if (switches > 1) return refuse(line, "Use one of -b, -p, -n at a time", true);
    if (switches == 1 && !isSwitch(args.front())) {
        const std::string s = *std::find_if(args.begin(), args.end(), isSwitch);
        return refuse(line, "Put " + s + " first, before \"" + args.front() + "\"", true);
    }
    const std::string first = args.empty() ? std::string() : args.front();
    line.operands.assign(args.begin() + (switches == 1 ? 1 : 0), args.end());
    const size_t n = line.operands.size();
    if (first == "-b") {
        if (n > 0) return refuse(line, "Unexpected argument \"" + line.operands[0] + "\" after -b", true);
        line.form = Form::Batch;
    } else if (first == "-p") {
        line.previewSize = PREVIEW_SIZE_DEFAULT;
        if (n > 2 || (n == 2 && !readPreviewSize(line.operands[1], line.previewSize)))
            return refuse(line,
                          formatText("Usage: veltrune -p [FILE] [SIZE], SIZE from %d to %d pixels", PREVIEW_SIZE_MIN,
                                     PREVIEW_SIZE_MAX),
                          false);
        line.form = Form::Preview;
    } else if (first == "-n") {
        if (n != 2) return refuse(line, "Usage: veltrune -n MODULE FOLDER", false);
        line.form = Form::NewFolder;
    } else if (n == 1) {
        line.form = Form::ModuleFolder;
    } else if (n > 1) {
        return refuse(line, "Unexpected argument \"" + line.operands[1] + "\": give one module folder", true);
    }
    return line;
}

std::string usageText(bool windows) {
    const std::string where = windows ? "beside the program" : "in this folder";
    return "Usage:\n"
           "  veltrune                     the editor, on the module that \"Veltrune.cfg\" in this folder names\n"
           "  veltrune -b                  exports the saved labels into the module, without a window\n"
           "  veltrune -p [FILE] [SIZE]    draws the export into the picture FILE (preview.png), SIZE pixels (2048)\n"
           "  veltrune -n MODULE FOLDER    makes FOLDER a working folder for the module in the folder MODULE\n"
           "  veltrune MODULE              the editor in the module's working folder " + where +
           ", made when missing\n"
           "  veltrune -h, --help          shows this usage\n"
           "  veltrune --version           shows the version\n";
}

std::string versionText() { return "Veltrune " VELTRUNE_VERSION; }
