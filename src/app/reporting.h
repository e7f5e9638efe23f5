// Where the app sends what the libraries report: standard output before the
// window exists and in batch mode, the message list once the window is open.
#pragma once

#include <string>

#include "overlay/message_log.h"
#include "platform/report.h"

// Each message on a line of its own.
void printReport(const Report& report);
// Each message into the list, oldest first, so the newest ends at the bottom.
void showReport(MessageLog& log, const Report& report);
// The letters' "Z=%f " height trace, as one line when `lineEnd` is set.
void printTrace(const std::string& trace, bool lineEnd);
