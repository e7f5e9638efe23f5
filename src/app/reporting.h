// Where the app sends what the libraries report: standard output before the
// window exists and in batch mode, the message list once the window is open.
#pragma once

#include <string>

#include "overlay/message_log.h"
#include "platform/report.h"

// Each message on a line of its own.
void printReport(const Report& report);
// Standard output before the window: printed at once and appended to `printed`,
// so that a start-up that ends can show the same text again.
void printAtStartup(std::string& printed, const Report& report);
void printAtStartup(std::string& printed, const std::string& line);
// Whether what start-up prints also appears in a message box: only when nobody
// reads standard output at once (no console) and the command line holds no
// option (the editor, or a folder dropped onto the program); a typed or scripted
// command line must never wait for a click.
bool startupProblemsInBox(bool console, bool typed);
// Each message into the list, oldest first, so the newest ends at the bottom.
void showReport(MessageLog& log, const Report& report);
// The letters' "Z=%f " height trace, as one line when `lineEnd` is set.
void printTrace(const std::string& trace, bool lineEnd);
