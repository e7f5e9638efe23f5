// The file layer on Windows: names are the system's own (case-insensitive, with
// backslashes), held as UTF-8 and handed to the wide-character calls.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <io.h>
#include <sys/stat.h>

#include <cstdio>

#include "platform/console.h"
#include "platform/native.h"
#include "platform/platform.h"
#include "platform/utf8.h"

namespace {

std::wstring widen(const std::string& text, UINT codePage = CP_UTF8) {
    if (text.empty()) return std::wstring();
    const int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

std::string narrow(const std::wstring& text) {
    if (text.empty()) return std::string();
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

// The running program's path.
std::wstring programFileW() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return std::wstring();
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

// The folder of the running program, with a trailing backslash.
std::wstring programFolderW() {
    const std::wstring path = programFileW();
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

void reopen(FILE* stream, const std::wstring& path) {
    if (!_wfreopen(path.c_str(), L"w", stream)) _wfreopen(L"NUL", L"w", stream);
}

}  // namespace

std::string resolvePath(const std::string& path) { return path; }

std::string programFile() { return narrow(programFileW()); }

std::string bundledFontPath() { return narrow(programFolderW()) + "DejaVuSans.ttf"; }

bool pathsResolvedByUs() { return false; }

std::string pathFromUserText(const std::string& bytes) {
    if (isValidUtf8(bytes)) return bytes;
    return narrow(widen(bytes, CP_ACP));
}

FILE* openNative(const std::string& resolved, const char* mode) {
    return _wfopen(widen(resolved).c_str(), widen(mode).c_str());
}

std::filesystem::path nativePath(const std::string& resolved) { return std::filesystem::path(widen(resolved)); }

long long fileSizeHint(FILE* file) {
    struct _stat64 st;
    if (_fstat64(_fileno(file), &st) != 0 || (st.st_mode & _S_IFREG) == 0) return -1;
    return static_cast<long long>(st.st_size);
}

bool syncAndClose(FILE* file) {
    bool ok = std::fflush(file) == 0;
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
    if (ok && (handle == INVALID_HANDLE_VALUE || !FlushFileBuffers(handle))) ok = false;
    if (std::fclose(file) != 0) ok = false;
    return ok;
}

bool moveIntoPlace(const std::string& from, const std::string& to) {
    return MoveFileExW(widen(from).c_str(), widen(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool redirectOutputWithoutConsole() {
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    const DWORD type = out && out != INVALID_HANDLE_VALUE ? GetFileType(out) : FILE_TYPE_UNKNOWN;
    // Output sent to a file or a pipe by whoever started us stays there.
    if (type == FILE_TYPE_DISK || type == FILE_TYPE_PIPE) return true;
    if (type == FILE_TYPE_CHAR) {
        // A console shared with another program (cmd.exe, a script) is the user's;
        // one made for this program alone comes from a double-click: let it go.
        DWORD processes[2];
        if (GetConsoleProcessList(processes, 2) != 1) return true;
        FreeConsole();
    }
    const std::wstring folder = programFolderW();
    reopen(stdout, folder + L"stdout.txt");
    reopen(stderr, folder + L"stderr.txt");
    return false;
}
