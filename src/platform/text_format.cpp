#include "platform/text_format.h"

#include <cstdarg>
#include <cstdio>

namespace {

void appendFormatted(std::string& out, const char* fmt, va_list args) {
    char small[256];
    va_list again;
    va_copy(again, args);
    const int n = std::vsnprintf(small, sizeof small, fmt, args);
    if (n > 0 && static_cast<size_t>(n) < sizeof small) {
        out.append(small, static_cast<size_t>(n));
    } else if (n > 0) {
        const size_t at = out.size();
        out.resize(at + static_cast<size_t>(n) + 1);
        std::vsnprintf(out.data() + at, static_cast<size_t>(n) + 1, fmt, again);
        out.resize(at + static_cast<size_t>(n));
    }
    va_end(again);
}

}  // namespace

std::string formatText(const char* fmt, ...) {
    std::string out;
    va_list args;
    va_start(args, fmt);
    appendFormatted(out, fmt, args);
    va_end(args);
    return out;
}

void appendText(std::string& out, const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    appendFormatted(out, fmt, args);
    va_end(args);
}

std::string countText(long long n, const char* one, const char* many) {
    return formatText("%lld %s", n, n == 1 ? one : many);
}
