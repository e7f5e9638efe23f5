// The file layer on Linux and other POSIX systems: module paths written for
// Windows are resolved here, '\' to '/' and each component case-insensitively.
#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

#include "platform/console.h"
#include "platform/native.h"
#include "platform/platform.h"

namespace {

bool exists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

// The entry of dir whose name equals name ignoring ASCII case, or name itself.
std::string matchEntry(const std::string& dir, const std::string& name) {
    std::string probe = dir.empty() ? name : dir + "/" + name;
    if (name == "." || name == ".." || exists(probe)) return name;
    DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
    if (!d) return name;
    std::string found = name;
    while (dirent* e = ::readdir(d)) {
        if (::strcasecmp(e->d_name, name.c_str()) == 0) {
            found = e->d_name;
            break;
        }
    }
    ::closedir(d);
    return found;
}

}  // namespace

std::string resolvePath(const std::string& path) {
    std::vector<std::string> parts;
    std::string comp;
    for (char ch : path) {
        if (ch == '\\' || ch == '/') {
            parts.push_back(comp);
            comp.clear();
        } else {
            comp.push_back(ch);
        }
    }
    parts.push_back(comp);

    // parts[0] is empty for an absolute path; empty parts elsewhere are doubled or
    // trailing separators, kept as written.
    std::string dir = parts[0].empty() && parts.size() > 1 ? "/" : "";
    std::string out = dir;
    bool missing = false;  // once a component is missing, the rest cannot be matched
    for (size_t i = dir.empty() ? 0 : 1; i < parts.size(); ++i) {
        const std::string& name = parts[i];
        if (!name.empty()) {
            std::string found = missing ? name : matchEntry(dir, name);
            out.append(found);
            if (!missing && !exists(out)) missing = true;
            dir = out;
        }
        if (i + 1 < parts.size()) out.push_back('/');
    }
    return out;
}

bool pathsResolvedByUs() { return true; }

std::string pathFromUserText(const std::string& bytes) { return bytes; }

FILE* openNative(const std::string& resolved, const char* mode) { return std::fopen(resolved.c_str(), mode); }

std::filesystem::path nativePath(const std::string& resolved) { return std::filesystem::path(resolved); }

long long fileSizeHint(FILE* file) {
    struct stat st;
    if (::fstat(::fileno(file), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    return static_cast<long long>(st.st_size);
}

bool syncAndClose(FILE* file) {
    bool ok = std::fflush(file) == 0 && ::fsync(::fileno(file)) == 0;
    if (std::fclose(file) != 0) ok = false;
    return ok;
}

bool moveIntoPlace(const std::string& from, const std::string& to) { return std::rename(from.c_str(), to.c_str()) == 0; }

bool redirectOutputWithoutConsole() { return true; }

std::string programFile() {
    std::vector<char> buf(4096);
    const ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
    return n > 0 && static_cast<size_t>(n) < buf.size() ? std::string(buf.data(), static_cast<size_t>(n)) : std::string();
}

std::string bundledFontPath() { return "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"; }
