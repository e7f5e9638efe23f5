#include "platform/platform.h"

#include <climits>
#include <cstring>
#include <system_error>
#include <vector>

#include "platform/native.h"

namespace {

long long writeBudget = -1;

std::string utf8Text(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

// The path made absolute and normal, without a trailing separator.
std::filesystem::path normalFolder(const std::filesystem::path& path) {
    std::error_code ec;
    std::filesystem::path p = std::filesystem::absolute(path, ec).lexically_normal();
    if (!p.has_filename() && p.has_relative_path()) p = p.parent_path();
    return p;
}

// Whether the normal path lies inside the normal folder root (or is root itself).
bool isInside(const std::filesystem::path& path, const std::filesystem::path& root) {
    if (root.empty() || !root.has_relative_path()) return false;
    const std::filesystem::path rel = path.lexically_relative(root);
    return !rel.empty() && *rel.begin() != "..";
}

}  // namespace

FILE* openFile(const std::string& path, const char* mode) { return openNative(resolvePath(path), mode); }

bool fileExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(nativePath(resolvePath(path)), ec);
}

bool removeFile(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path file = nativePath(resolvePath(path));
    if (std::filesystem::is_directory(file, ec)) return false;  // a folder of that name is not ours to remove
    std::filesystem::remove(file, ec);
    return !std::filesystem::exists(file, ec);
}

bool isFolder(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_directory(nativePath(resolvePath(path)), ec);
}

bool sameFile(const std::string& a, const std::string& b) {
    // Without trailing separators: a folder named with one ("C:\Mods\MyMod\", as
    // module_path is) is not found by every system's file status call.
    std::error_code ec;
    return std::filesystem::equivalent(normalFolder(nativePath(resolvePath(a))),
                                       normalFolder(nativePath(resolvePath(b))), ec) &&
           !ec;
}

bool enterFolder(const std::string& path) {
    std::error_code ec;
    std::filesystem::current_path(nativePath(resolvePath(path)), ec);
    return !ec;
}

std::string programFolder() {
    const std::string file = programFile();
    const size_t slash = file.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : file.substr(0, slash + 1);
}

std::string absolutePath(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(nativePath(path), ec);
    if (ec) return path;
    return utf8Text(full.lexically_normal());
}

std::string lastPathName(const std::string& path) {
    return utf8Text(normalFolder(nativePath(resolvePath(path))).filename());
}

std::string relativeInside(const std::string& path, const std::string& from, const std::string& root) {
    const std::filesystem::path p = normalFolder(nativePath(path));
    const std::filesystem::path f = normalFolder(nativePath(from));
    const std::filesystem::path r = normalFolder(nativePath(root));
    if (!isInside(p, r) || !isInside(f, r)) return path;
    return utf8Text(p.lexically_relative(f).make_preferred());
}

bool createFolders(const std::string& path) {
    const std::filesystem::path dir = nativePath(resolvePath(path));
    std::error_code ec;
    if (std::filesystem::is_directory(dir, ec)) return true;
    // The folders this call makes, the deepest first.
    std::vector<std::filesystem::path> made;
    for (std::filesystem::path p = normalFolder(dir); p.has_relative_path(); p = p.parent_path()) {
        if (std::filesystem::exists(std::filesystem::symlink_status(p, ec))) break;
        made.push_back(p);
    }
    std::filesystem::create_directories(dir, ec);
    if (std::filesystem::is_directory(dir, ec)) return true;
    // Nothing is left behind by a folder that cannot be made.
    for (const std::filesystem::path& p : made)
        if (std::filesystem::is_directory(std::filesystem::symlink_status(p, ec))) std::filesystem::remove(p, ec);
    return false;
}

bool createParentFolder(const std::string& path) {
    const std::filesystem::path dir = nativePath(resolvePath(path)).parent_path();
    if (dir.empty()) return true;
    std::error_code ec;
    if (std::filesystem::is_directory(dir, ec)) return true;
    std::filesystem::create_directory(dir, ec);
    return std::filesystem::is_directory(dir, ec);
}

bool readBinaryFile(const std::string& path, std::string& bytes) {
    bytes.clear();
    FILE* f = openFile(path, "rb");
    if (!f) return false;
    // Storage for the whole file at once when its size is known; the loop
    // still reads to the end, so a file that grows meanwhile is read whole.
    const long long size = fileSizeHint(f);
    if (size > 0) bytes.reserve(static_cast<size_t>(size));
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
    bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

bool readTextFile(const std::string& path, std::string& text) {
    if (!readBinaryFile(path, text)) {
        text.clear();
        return false;
    }
    // Every CR LF becomes LF, in place: the runs between CRs are moved down.
    char* data = text.data();
    const size_t size = text.size();
    char* cr = static_cast<char*>(std::memchr(data, '\r', size));
    if (!cr) return true;
    size_t out = static_cast<size_t>(cr - data);
    size_t in = out;
    while (in < size) {
        if (data[in] == '\r' && in + 1 < size && data[in + 1] == '\n') ++in;
        const char* next = static_cast<const char*>(std::memchr(data + in + 1, '\r', size - in - 1));
        const size_t runEnd = next ? static_cast<size_t>(next - data) : size;
        std::memmove(data + out, data + in, runEnd - in);
        out += runEnd - in;
        in = runEnd;
    }
    text.resize(out);
    return true;
}

const char* parseDecimalInt(const char* p, const char* end, int& value) {
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
    if (p == end || *p < '0' || *p > '9') return nullptr;
    const long long limit = static_cast<long long>(INT_MAX) + 1;
    long long v = 0;
    for (; p < end && *p >= '0' && *p <= '9'; ++p)
        if (v <= limit) v = v * 10 + (*p - '0');
    if (v > limit) v = limit;
    if (negative) v = -v;
    value = v > INT_MAX ? INT_MAX : static_cast<int>(v);
    return p;
}

void appendU32LE(std::string& out, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>((value >> shift) & 0xFF));
}

std::string toCrlf(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out.push_back('\r');
        out.push_back(text[i]);
    }
    return out;
}

std::string toPlatformLineEnds(const std::string& text) {
#ifdef _WIN32
    return toCrlf(text);
#else
    return text;
#endif
}

bool beginReplace(FileReplacement& rf, const std::string& path) {
    rf.finalPath = resolvePath(path);
    rf.tempPath = rf.finalPath + ".new";
    rf.file = openNative(rf.tempPath, "wb");
    return rf.file != nullptr;
}

bool commitReplace(FileReplacement& rf) {
    if (!rf.file) return false;
    bool ok = std::fflush(rf.file) == 0 && !std::ferror(rf.file);
    if (ok && writeBudget >= 0) {
        // The test seam: a file that would pass the byte budget fails as on a full
        // disk, which then stays full.
        const long long written = std::ftell(rf.file);
        ok = written >= 0 && written <= writeBudget;
        writeBudget = ok ? writeBudget - written : 0;
    }
    if (!syncAndClose(rf.file)) ok = false;
    rf.file = nullptr;
    if (ok && !moveIntoPlace(rf.tempPath, rf.finalPath)) ok = false;
    if (!ok) {
        std::error_code ec;
        std::filesystem::remove(nativePath(rf.tempPath), ec);
    }
    return ok;
}

void abortReplace(FileReplacement& rf) {
    if (rf.file) std::fclose(rf.file);
    rf.file = nullptr;
    std::error_code ec;
    std::filesystem::remove(nativePath(rf.tempPath), ec);
}

bool replaceFileWith(const std::string& path, const std::string& bytes) {
    FileReplacement rf;
    if (!beginReplace(rf, path)) return false;
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), rf.file) != bytes.size()) {
        abortReplace(rf);
        return false;
    }
    return commitReplace(rf);
}

void setWriteFailureAfter(long long bytes) { writeBudget = bytes; }
