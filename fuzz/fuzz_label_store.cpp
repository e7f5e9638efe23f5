// Any text as "savedData.txt": parseLabelStore must end and stay in bounds, and
// every label it read must survive a write and a second read unchanged in count.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "labels/label_store.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    LabelList labels;
    std::string error;
    resetLetterIds();
    parseLabelStore(labels, text, error);

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
