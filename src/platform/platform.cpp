#include "platform/platform.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <vector>

namespace {

long long writeBudget = -1;

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

// A FILE whose writes fail once the shared budget is used up.
struct BudgetCookie {
    FILE* real;
};

ssize_t budgetWrite(void* c, const char* buf, size_t size) {
    auto* cookie = static_cast<BudgetCookie*>(c);
    size_t allowed = size;
    if (writeBudget >= 0 && static_cast<long long>(size) > writeBudget) allowed = static_cast<size_t>(writeBudget);
    size_t done = allowed ? std::fwrite(buf, 1, allowed, cookie->real) : 0;
    if (writeBudget >= 0) writeBudget -= static_cast<long long>(done);
    if (done < size) {
        errno = ENOSPC;  // a short count (0 included) is the error; never a negative value
        return static_cast<ssize_t>(done);
    }
    return static_cast<ssize_t>(done);
}

int budgetClose(void* c) {
    auto* cookie = static_cast<BudgetCookie*>(c);
    int rc = std::fclose(cookie->real);
    delete cookie;
    return rc;
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

FILE* openFile(const std::string& path, const char* mode) {
    return std::fopen(resolvePath(path).c_str(), mode);
}

bool readBinaryFile(const std::string& path, std::string& bytes) {
    bytes.clear();
    FILE* f = openFile(path, "rb");
    if (!f) return false;
    // Storage for the whole file at once when its size is known; the loop
    // still reads to the end, so a file that grows meanwhile is read whole.
    struct stat st;
    if (::fstat(fileno(f), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0)
        bytes.reserve(static_cast<size_t>(st.st_size));
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

bool beginReplace(ReplaceFile& rf, const std::string& path) {
    rf.finalPath = resolvePath(path);
    rf.tempPath = rf.finalPath + ".new";
    FILE* real = std::fopen(rf.tempPath.c_str(), "wb");
    if (!real) {
        rf.file = nullptr;
        return false;
    }
    if (writeBudget < 0) {
        rf.file = real;
        return true;
    }
    cookie_io_functions_t io{nullptr, budgetWrite, nullptr, budgetClose};
    rf.file = ::fopencookie(new BudgetCookie{real}, "wb", io);
    if (!rf.file) {
        std::fclose(real);
        std::remove(rf.tempPath.c_str());
        return false;
    }
    return true;
}

bool commitReplace(ReplaceFile& rf) {
    if (!rf.file) return false;
    bool ok = std::fflush(rf.file) == 0 && !std::ferror(rf.file);
    // The real file under a budget cookie is synced by its own fclose path; a plain one here.
    int fd = ::fileno(rf.file);
    if (ok && fd >= 0) ok = ::fsync(fd) == 0;
    if (std::fclose(rf.file) != 0) ok = false;
    rf.file = nullptr;
    if (ok && std::rename(rf.tempPath.c_str(), rf.finalPath.c_str()) != 0) ok = false;
    if (!ok) std::remove(rf.tempPath.c_str());
    return ok;
}

void abortReplace(ReplaceFile& rf) {
    if (rf.file) std::fclose(rf.file);
    rf.file = nullptr;
    std::remove(rf.tempPath.c_str());
}

bool replaceFileWith(const std::string& path, const std::string& bytes) {
    ReplaceFile rf;
    if (!beginReplace(rf, path)) return false;
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), rf.file) != bytes.size()) {
        abortReplace(rf);
        return false;
    }
    return commitReplace(rf);
}

void setWriteFailureAfter(long long bytes) { writeBudget = bytes; }
