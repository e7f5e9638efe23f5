// printf-style formatting into a std::string of whatever length the result needs,
// so no formatted text (a message, a record, a status line) is ever cut or written
// past a buffer.
#pragma once

#include <string>

std::string formatText(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
// Appends the formatted text to out.
void appendText(std::string& out, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
