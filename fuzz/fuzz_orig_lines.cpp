// Any text as an orig file: reading every line, copying them all and reading the
// copy again gives the same lines; leadingInt stays within the int range on each.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "formats/records.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);

    std::vector<std::string> lines;
    TextLineReader in{&text, 0};
    std::string line;
    while (readTextLine(in, line)) {
        if (line.find('\n') != std::string::npos) std::abort();
        lines.push_back(line);
        (void)leadingInt(line);
        if (lines.size() > size + 1) std::abort();  // every line but an empty text's takes a byte
    }

    std::string copy;
    TextLineReader source{&text, 0};
    size_t copied = 0;
    while (copyTextLine(source, copy)) ++copied;
    if (copied != lines.size()) std::abort();

    TextLineReader again{&copy, 0};
    size_t i = 0;
    while (readTextLine(again, line)) {
        if (i >= lines.size() || line != lines[i]) std::abort();
        ++i;
    }
    if (i != lines.size()) std::abort();
    return 0;
}
