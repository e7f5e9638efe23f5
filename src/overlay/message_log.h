// The message list: the last four messages, the program's one report channel once
// the window exists, and "log.txt" in batch mode.
//
// showMessage stores a text in the next of four slots (cut to 1023 characters);
// messagesNewestFirst lists the non-empty slots newest first, the order of the
// on-screen list (bottom up). "log.txt" keeps every message of a batch run, not
// only the last four, in the same order.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "platform/report.h"

constexpr size_t MESSAGE_MAX = 1023;

struct MessageLog {
    std::array<std::string, 4> slots;
    int nextSlot = 0;
};

void showMessage(MessageLog& log, const std::string& text);
std::vector<std::string> messagesNewestFirst(const MessageLog& log);

// Writes the messages of a run (given oldest first) newest first, each cut to
// 1023 characters as a slot would keep it and written with "%s\n"; empty ones
// are left out. Replaces the file whole; fails, saying so, when it cannot be written.
Report writeLogFile(const std::vector<std::string>& messages, const std::string& path = "log.txt");
