// The recovery copy: unsaved labels kept safe between saves.
//
// While the labels have unsaved changes, the editor writes them all to
// "savedData.recovery.txt" in the working folder, in the store's own format,
// between events (never during a drag): at once for the first unsaved change
// after a quiet interval, then at most once every `interval` seconds, so at most
// that much work is lost whatever ends the program. Saving (F2, the prompt's Y),
// ending without saving (the prompt's N) and quitting with nothing unsaved
// remove the copy.
//
// At start-up a copy found there is loaded instead of the store, its labels as
// unsaved changes; a damaged copy is never loaded in place of the store but kept
// as "savedData.recovery.txt.bak". The batch export never reads it.
//
// Calls, in the order they are used:
//   recoverLabels       at start-up, after the store was loaded
//   recoveryDue, recoveryWait, writeRecoveryCopy   from the event loop
//   dropRecoveryCopy    when nothing is at risk any more
#pragma once

#include <cmath>
#include <string>

#include "labels/label.h"
#include "labels/label_store.h"
#include "platform/report.h"

constexpr const char* RECOVERY_FILE = "savedData.recovery.txt";
constexpr int RECOVERY_SECONDS_DEFAULT = 60;

struct RecoveryState {
    std::string path = RECOVERY_FILE;
    double interval = RECOVERY_SECONDS_DEFAULT;  // seconds between writes at the most
    unsigned long written = 0;                   // the history revision the labels on disk hold
    double lastAttempt = -INFINITY;              // when the last write was tried
    bool failureShown = false;                   // a failed write was reported; cleared by a good one
};

// Whether a write is due now: the labels hold changes that neither the store nor
// the copy has (unsaved, and revision differs from written), no drag is under way,
// and the last attempt lies interval seconds back.
bool recoveryDue(const RecoveryState& r, bool unsaved, unsigned long revision, bool dragging, double now);
// Seconds until recoveryDue may become true with no further edit: 0 when due,
// -1 when nothing is pending (or only a drag holds it back).
double recoveryWait(const RecoveryState& r, bool unsaved, unsigned long revision, bool dragging, double now);
// Writes the labels as the copy (whole-file replacement). A failure's message is
// given once until a write succeeds again; the next attempt waits an interval.
Report writeRecoveryCopy(RecoveryState& r, const LabelList& labels, unsigned long revision, double now);
// The labels on disk are those of revision: nothing left to keep safe; the copy goes.
void dropRecoveryCopy(RecoveryState& r, unsigned long revision);

// At start-up, after the store was loaded into labels: a sound copy replaces them
// (true: they are unsaved changes) with the message saying so; a damaged one is
// kept as "<copy>.bak", removed, and said so, and the store's labels stay (the
// store is read again, so that letter ids run on from its own).
bool recoverLabels(RecoveryState& r, LabelList& labels, LabelStore& store, Report& said);
