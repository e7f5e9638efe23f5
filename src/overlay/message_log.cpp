#include "overlay/message_log.h"

#include "platform/platform.h"

void showMessage(MessageLog& log, const std::string& text) {
    log.slots[log.nextSlot] = text.substr(0, MESSAGE_MAX);
    log.nextSlot = (log.nextSlot + 1) % 4;
}

std::vector<std::string> messagesNewestFirst(const MessageLog& log) {
    std::vector<std::string> out;
    for (int i = 0; i < 4; ++i) {
        const std::string& m = log.slots[(log.nextSlot + 3 - i) % 4];
        if (!m.empty()) out.push_back(m);
    }
    return out;
}

Report writeLogFile(const std::vector<std::string>& messages, const std::string& path) {
    std::string text;
    for (auto m = messages.rbegin(); m != messages.rend(); ++m)
        if (!m->empty()) text += m->substr(0, MESSAGE_MAX) + "\n";
    if (!replaceFileWith(path, toPlatformLineEnds(text)))
        return failure("Cannot write \"" + path + "\": the export messages are not logged.");
    return Report{};
}
