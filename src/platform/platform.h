// src/platform: files on disk on each platform (paths, reading, whole-file
// replacement, line ends), text formatting, UTF-8 and reports. Depends on
// nothing of ours.
//
// Files on disk, the way the module's Windows-born names expect them.
//
// - Module paths use backslashes and are case-insensitive on their home system.
//   On Linux, resolvePath turns every '\' into '/' and resolves each component
//   case-insensitively against the entries that exist; a component that does not
//   exist (a file about to be created) is kept as written. On Windows the names
//   are the system's own: they stay as written, and paths are UTF-8 that is
//   handed to the system's wide-character calls.
// - Text is read whole into memory with every CR LF turned into LF (readTextFile);
//   all readers parse from that buffer, so none of them can read past its end.
// - Files are replaced only whole: a FileReplacement writes a new file beside the
//   old one, flushes it to disk and renames it over the old one on commit, so a
//   failed write leaves the old file byte for byte as it was.
// - toCrlf turns LF line ends into CR LF for the module files the game reads;
//   toPlatformLineEnds gives our own text files the platform's line ends.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

std::string resolvePath(const std::string& path);

// Whether module paths are resolved case-insensitively by us (Linux) rather than
// by the system (Windows).
bool pathsResolvedByUs();

// A path text read from a file of the user's (the configuration): UTF-8 stays as
// it is. On Windows, text that is not UTF-8 is taken in the system's ANSI code
// page, as older editors saved it, and turned into UTF-8.
std::string pathFromUserText(const std::string& bytes);

#ifdef _WIN32
constexpr bool ON_WINDOWS = true;
#else
constexpr bool ON_WINDOWS = false;
#endif
// The separator the system writes between folder names: '\\' on Windows, '/' elsewhere.
constexpr char NATIVE_SEPARATOR = ON_WINDOWS ? '\\' : '/';

// The running program's absolute path; empty when the system does not say.
std::string programFile();
// The folder of the running program, with its trailing separator; empty when unknown.
std::string programFolder();
// The DejaVu Sans this build uses: Debian's on Linux, the one beside veltrune.exe on Windows.
std::string bundledFontPath();
// The path made absolute against the working folder, with "." and ".." taken out;
// an absolute path stays as written apart from those.
std::string absolutePath(const std::string& path);

// The name of the folder or file a path names, its last component once made
// absolute ("C:\Mods\MyMod\" gives "MyMod"); empty for a root.
std::string lastPathName(const std::string& path);
// `path` relative to the folder `from` when both lie inside the folder `root`
// ("..\DejaVuSans.ttf"), so that the three can move together; otherwise `path`
// as it is. Separators are the system's own.
std::string relativeInside(const std::string& path, const std::string& from, const std::string& root);

bool fileExists(const std::string& path);
// Removes a file; true when none is there afterwards.
bool removeFile(const std::string& path);
bool isFolder(const std::string& path);
// Whether two paths name one and the same existing folder or file.
bool sameFile(const std::string& a, const std::string& b);
// Makes the folder the working directory. False when it cannot.
bool enterFolder(const std::string& path);
// Creates the folder and any missing parents. False when it is no folder
// afterwards; the parents it made on the way are then removed again.
bool createFolders(const std::string& path);
// Creates the folder that will hold path when it is missing (its own parent must
// exist). False when it is still missing afterwards.
bool createParentFolder(const std::string& path);

// Opens a path through resolvePath with the given stdio mode.
FILE* openFile(const std::string& path, const char* mode);

// Reads the whole file; CR LF becomes LF. False when it cannot be opened or read.
bool readTextFile(const std::string& path, std::string& text);

// Reads the whole file as bytes. False when it cannot be opened or read.
bool readBinaryFile(const std::string& path, std::string& bytes);

// scanf "%d" after its leading white space: an optional sign and at least one
// digit, read from p up to end. Values beyond the int range saturate. Returns the
// position after the number, or nullptr when no digit follows the sign.
const char* parseDecimalInt(const char* p, const char* end, int& value);

// Appends a 32-bit word in little-endian byte order, whatever the host's order.
void appendU32LE(std::string& out, uint32_t value);

// Every LF not already preceded by CR becomes CR LF.
std::string toCrlf(const std::string& text);
// The text with the platform's line ends: CR LF on Windows, unchanged elsewhere.
std::string toPlatformLineEnds(const std::string& text);

// A file being written beside its final place.
struct FileReplacement {
    FILE* file = nullptr;
    std::string finalPath;  // resolved path of the file being replaced
    std::string tempPath;   // the new file beside it
};

// Opens "<final>.new" for binary writing. False when it cannot be created.
bool beginReplace(FileReplacement& rf, const std::string& path);
// Flushes, syncs and closes the new file and renames it over the old one.
// False (and the old file untouched, the new one removed) on any write, flush,
// close or rename error.
bool commitReplace(FileReplacement& rf);
// Drops the new file; the old one stays as it was.
void abortReplace(FileReplacement& rf);

// Writes the whole buffer to path through beginReplace/commitReplace.
bool replaceFileWith(const std::string& path, const std::string& bytes);

// Test seam for write failures: when set to n >= 0, the replacements committed
// from now on may hold n bytes in all; the one that would pass that total fails
// as on a full disk (its new file dropped, the old one kept). -1 (the default)
// turns it off.
void setWriteFailureAfter(long long bytes);
