// Small helpers shared by the unit test programs: a scratch folder, whole-file
// reads and writes, and a way to silence standard output.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "platform/report.h"
#include "platform/utf8.h"

namespace test_support {

// A fresh folder in the system's temporary folder, removed again with everything in it.
struct TempDir {
    std::string path;
    TempDir() {
        std::error_code ec;
        const std::filesystem::path base = std::filesystem::temp_directory_path(ec);
        std::random_device seed;
        std::mt19937 rng(seed());
        for (int attempt = 0; attempt < 100 && path.empty(); ++attempt) {
            const std::filesystem::path p = base / ("vt_test_" + std::to_string(rng() % 100000000));
            if (std::filesystem::create_directory(p, ec)) path = p.string();
        }
    }
    ~TempDir() {
        std::error_code ec;
        if (!path.empty()) std::filesystem::remove_all(path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string operator/(const std::string& name) const { return path + "/" + name; }
};

// A scratch folder that is the working directory while it lives.
struct WorkDir : TempDir {
    std::filesystem::path old = std::filesystem::current_path();
    WorkDir() { std::filesystem::current_path(path); }
    ~WorkDir() { std::filesystem::current_path(old); }
};

// The whole file, or "<missing>" when it cannot be read.
inline std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return "<missing>";
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Writes the bytes, creating missing parent folders.
inline void writeBytes(const std::string& path, const std::string& bytes) {
    const std::filesystem::path p(path);
    if (p.has_parent_path()) std::filesystem::create_directories(p.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

// The characters of a test text: its UTF-8, or one byte per character when it is no UTF-8.
inline std::u32string chars(const std::string& text) {
    std::vector<char32_t> codes;
    if (decodeUtf8(text, codes)) return std::u32string(codes.begin(), codes.end());
    std::u32string latin1;
    for (unsigned char byte : text) latin1.push_back(byte);
    return latin1;
}

inline bool exists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

// A report's messages as the app prints them: each on a line of its own.
inline std::string said(const Report& report) {
    std::string out;
    for (const std::string& m : report.messages) out += m + "\n";
    return out;
}

// Standard output goes nowhere while it lives.
struct QuietStdout {
    int saved = -1;
    QuietStdout() {
        std::fflush(stdout);
        saved = ::dup(1);
#ifdef _WIN32
        const int null = ::open("NUL", O_WRONLY);
#else
        const int null = ::open("/dev/null", O_WRONLY);
#endif
        if (null >= 0) ::dup2(null, 1), ::close(null);
    }
    ~QuietStdout() {
        std::fflush(stdout);
        if (saved >= 0) ::dup2(saved, 1), ::close(saved);
    }
};

}  // namespace test_support
