// printf-style formatting into a std::string of whatever length the result needs,
// so no formatted text (a message, a record, a status line) is ever cut or written
// past a buffer.
#pragma once

#include <cstdio>
#include <string>

// The formats are checked against the vsnprintf that formats them: on Windows the
// C++ library's ANSI one (which knows "%zu"), elsewhere the C library's.
#ifdef __MINGW_PRINTF_FORMAT
#define VT_PRINTF_FORMAT __MINGW_PRINTF_FORMAT
#else
#define VT_PRINTF_FORMAT printf
#endif

std::string formatText(const char* fmt, ...) __attribute__((format(VT_PRINTF_FORMAT, 1, 2)));
// Appends the formatted text to out.
void appendText(std::string& out, const char* fmt, ...) __attribute__((format(VT_PRINTF_FORMAT, 2, 3)));

// A count in words: "1 label", "0 labels", "2 labels".
std::string countText(long long n, const char* one, const char* many);
