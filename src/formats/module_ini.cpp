#include "formats/module_ini.h"

#include <algorithm>

#include "formats/records.h"
#include "platform/platform.h"

namespace {

std::string trimmedLower(const std::string& text, size_t begin, size_t end) {
    while (begin < end && (text[begin] == ' ' || text[begin] == '\t' || text[begin] == '\r')) ++begin;
    while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\t' || text[end - 1] == '\r')) --end;
    std::string out = text.substr(begin, end - begin);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

}  // namespace

bool iniLoadsNames(const std::string& text) {
    TextLineReader in{&text, 0};
    std::string line;
    while (readTextLine(in, line)) {
        const size_t end = std::min(line.find('#'), line.size());
        const size_t eq = line.find('=');
        if (eq >= end) continue;
        const std::string key = trimmedLower(line, 0, eq);
        if ((key == "load_mod_resource" || key == "load_module_resource") &&
            trimmedLower(line, eq + 1, end) == "map_names")
            return true;
    }
    return false;
}

NamesInIni namesInModuleIni(const std::string& moduleFolder) {
    std::string text;
    if (!readTextFile(moduleFolder + "module.ini", text)) return NamesInIni::NoFile;
    return iniLoadsNames(text) ? NamesInIni::Loaded : NamesInIni::NotLoaded;
}
