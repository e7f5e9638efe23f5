#include "app/reporting.h"

#include <cstdio>

void printReport(const Report& report) {
    for (const std::string& m : report.messages) std::printf("%s\n", m.c_str());
    std::fflush(stdout);
}

void printAtStartup(std::string& printed, const Report& report) {
    printReport(report);
    for (const std::string& m : report.messages) printed += m + "\n";
}

void printAtStartup(std::string& printed, const std::string& line) {
    Report report;
    addMessage(report, line);
    printAtStartup(printed, report);
}

bool startupProblemsInBox(bool console, bool typed) { return !console && !typed; }

void showReport(MessageLog& log, const Report& report) {
    for (const std::string& m : report.messages) showMessage(log, m);
}

void printTrace(const std::string& trace, bool lineEnd) {
    if (!trace.empty()) {
        std::fwrite(trace.data(), 1, trace.size(), stdout);
        if (lineEnd) std::fputc('\n', stdout);
    }
    std::fflush(stdout);
}
