#include "app/recovery.h"

#include "platform/platform.h"
#include "platform/text_format.h"

bool recoveryDue(const RecoveryState& r, bool unsaved, unsigned long revision, bool dragging, double now) {
    return recoveryWait(r, unsaved, revision, dragging, now) == 0.0;
}

double recoveryWait(const RecoveryState& r, bool unsaved, unsigned long revision, bool dragging, double now) {
    if (!unsaved || revision == r.written || dragging) return -1.0;
    const double wait = r.lastAttempt + r.interval - now;
    return wait > 0.0 ? wait : 0.0;
}

Report writeRecoveryCopy(RecoveryState& r, const LabelList& labels, unsigned long revision, double now) {
    r.lastAttempt = now;
    Report report;
    if (replaceFileWith(r.path, toPlatformLineEnds(storeText(labels)))) {
        r.written = revision;
        r.failureShown = false;
        return report;
    }
    report.ok = false;
    if (!r.failureShown)
        addMessage(report, formatText("Cannot write the recovery copy \"%s\": unsaved labels are safe only once F2 "
                                      "saves them (trying again every %.0f s)",
                                      r.path.c_str(), r.interval));
    r.failureShown = true;
    return report;
}

void dropRecoveryCopy(RecoveryState& r, unsigned long revision) {
    r.written = revision;
    removeFile(r.path);
}

bool recoverLabels(RecoveryState& r, LabelList& labels, LabelStore& store, Report& said) {
    if (!fileExists(r.path)) return false;
    LabelList recovered;
    LabelStore copy;
    copy.path = r.path;
    const Report read = loadLabels(recovered, copy);
    if (read && copy.damage.empty()) {
        labels = std::move(recovered);
        const size_t n = labels.size();
        addMessage(said, formatText("Recovered %zu %s from a session that did not end (\"%s\"): F2 keeps them, Esc "
                                    "and N go back to the saved labels",
                                    n, n == 1 ? "label" : "labels", r.path.c_str()));
        return true;
    }
    // Never in place of the store: kept beside it under another name, out of the way.
    std::string bytes;
    const std::string kept = r.path + ".bak";
    const bool moved = readBinaryFile(r.path, bytes) && replaceFileWith(kept, bytes) && removeFile(r.path);
    const std::string why = copy.damage.empty() ? std::string("it cannot be read") : copy.damage;
    addMessage(said, moved ? formatText("The recovery copy \"%s\" is damaged (%s) and was not loaded: it is kept as "
                                        "\"%s\", the saved labels are loaded",
                                        r.path.c_str(), why.c_str(), kept.c_str())
                           : formatText("The recovery copy \"%s\" is damaged (%s) and was not loaded; the saved "
                                        "labels are loaded",
                                        r.path.c_str(), why.c_str()));
    loadLabels(labels, store);  // the store's letter ids again
    return false;
}
