// What a reader, the label store or the export did: whether it succeeded, and the
// messages the user should read, in the order they arose. Libraries never print;
// the app decides where the messages go: standard output before the window
// exists, the on-screen message list after it, "log.txt" in batch mode.
#pragma once

#include <string>
#include <utility>
#include <vector>

struct Report {
    bool ok = true;
    std::vector<std::string> messages;
    explicit operator bool() const { return ok; }
};

inline void addMessage(Report& report, std::string text) { report.messages.push_back(std::move(text)); }
// A failure with the message that says why.
inline Report failure(std::string text) {
    Report report;
    report.ok = false;
    addMessage(report, std::move(text));
    return report;
}
// Appends what `more` said; the result fails when either did.
inline void addReport(Report& report, const Report& more) {
    report.ok = report.ok && more.ok;
    report.messages.insert(report.messages.end(), more.messages.begin(), more.messages.end());
}
