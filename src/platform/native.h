// What each platform's file layer provides to the common one (platform.cpp).
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

// Opens an already resolved path with a stdio mode.
FILE* openNative(const std::string& resolved, const char* mode);
// The resolved path as the standard library's path.
std::filesystem::path nativePath(const std::string& resolved);
// Size of an open file when the system knows it, else -1.
long long fileSizeHint(FILE* file);
// Flushes the written file to disk and closes it (closed also on failure).
bool syncAndClose(FILE* file);
// Moves the new file over the final one, replacing it.
bool moveIntoPlace(const std::string& from, const std::string& to);
