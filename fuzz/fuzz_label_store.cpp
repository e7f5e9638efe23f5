// Any text as "savedData.txt": parseLabelStore must end and stay in bounds, and
// every label it read must survive a write and a second read unchanged in count.
// The same text is also typed as one more label, letter by letter, from a charset
// holding "_", "|" and every other letter typing can give (no control
// characters): it must read back as typed.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "labels/label_store.h"
#include "platform/utf8.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    LabelList labels;
    std::string error;
    resetLetterIds();
    parseLabelStore(labels, text, error);

    std::vector<char32_t> codes;
    if (!decodeUtf8(text, codes)) {
        codes.clear();
        for (unsigned char byte : text) codes.push_back(byte);  // one ISO 8859-1 letter per byte
    }
    Label& typed = labels.emplace_back();
    for (char32_t c : codes)
        if (c >= 0x20 && c != 0x7F) typed.letters.push_back(makeLetter(c));

    const std::string stored = storeText(labels);
    LabelList again;
    std::string againError;
    if (!parseLabelStore(again, stored, againError) || again.size() != labels.size()) std::abort();
    for (size_t i = 0; i < labels.size(); ++i) {
        if (labelText(again[i]) != labelText(labels[i])) std::abort();
        if (again[i].visibility != labels[i].visibility || again[i].width != labels[i].width ||
            again[i].italic != labels[i].italic || again[i].spare != labels[i].spare)
            std::abort();
    }
    // Written once, the store is a fixed point: reading and writing it again gives the same bytes.
    if (storeText(again) != stored) std::abort();
    return 0;
}
