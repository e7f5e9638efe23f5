// The message list: the last four messages, the program's one report channel once
// the window exists, and "log.txt" in batch mode.
//
// showMessage stores a text in the next of four slots (cut to 1023 characters);
// messagesNewestFirst lists the non-empty slots newest first, which is the order
// of both the on-screen list (bottom up) and "log.txt".
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

// Writes the messages newest first, each with "%s\n", replacing the file whole.
// Fails, saying so, when it cannot be written.
Report writeLogFile(const MessageLog& log, const std::string& path = "log.txt");
