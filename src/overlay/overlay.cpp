#include "overlay/overlay.h"

#include "platform/text_format.h"

namespace {

enum class Show { Always, WithLabels, WithSelection };

struct HelpRow {
    bool heading;
    Show when;
    const char* text;
};

const HelpRow HELP_ROWS[] = {
    {true, Show::Always, "View"},
    {false, Show::Always, " [mouse wheel]: zoom in/out"},
    {false, Show::Always, " [mouse right]: drag map"},
    {true, Show::Always, "Basic editing"},
    {false, Show::Always, " [mouse left]: drag on an empty region to create a new label"},
    {false, Show::WithLabels, " [mouse left]: click on a label to select"},
    {false, Show::WithLabels, " [tab]: select next label"},
    {false, Show::WithSelection, " [mouse left]: drag control nodes "},
    {false, Show::WithSelection, " [just type]: edit label text "},
    {true, Show::WithSelection, "Character"},
    {false, Show::WithSelection, " [mouse middle]: drag up/down to change Size"},
    {false, Show::WithSelection, " [shift-mouse middle]: drag up/down to change Width"},
    {false, Show::WithSelection, " [pagUp/pagDown]: change label transparency"},
    {false, Show::WithSelection, " [ctrl-i]: italics on-off"},
    {false, Show::WithSelection, " [ctrl-f]: flip text"},
    {false, Show::WithSelection, " [ctrl-p]: CAPS - Caps - caps"},
    {false, Show::WithSelection, " [ctrl-k]: equal slots - proportional spacing"},
    {false, Show::WithSelection, " [ctrl-c]/[ctrl-v]: cut'n'paste text attr"},
    {true, Show::Always, "General"},
    {false, Show::Always, " [F2]: save labels (will be loaded on startup)"},
    {false, Show::Always, " [F12]: export map labels into the MOD!"},
    {false, Show::Always, " [Esc]: bye"},
    {true, Show::Always, "Utils"},
    {false, Show::Always, " [ctrl-d]: count letters that can use duplicates"},
};

}  // namespace

std::vector<OverlayText> helpPanelLines(bool helpVisible, int labelCount, int selected, int w, int h) {
    (void)w;
    std::vector<OverlayText> out;
    int y = h - 13;
    out.push_back({5, y, GREY_HEADING, helpVisible ? "HELP (F1 to hide)" : "(F1 to show HELP)"});
    if (!helpVisible) return out;
    bool withLabels = labelCount > 0;
    bool withSelection = withLabels && selected >= 0;
    for (const HelpRow& row : HELP_ROWS) {
        if (row.when == Show::WithLabels && !withLabels) continue;
        if (row.when == Show::WithSelection && !withSelection) continue;
        y -= row.heading ? 20 : 15;
        out.push_back({5, y, row.heading ? GREY_HEADING : GREY_ITEM, row.text});
    }
    return out;
}

std::vector<OverlayText> messageLines(const MessageLog& log) {
    std::vector<OverlayText> out;
    int y = -8;
    for (const std::string& m : messagesNewestFirst(log)) {
        y += 15;
        out.push_back({5, y, GREY_ITEM, m});
    }
    return out;
}

std::vector<OverlayText> cursorReadoutLines(float x, float y, int w) {
    return {
        {w - 70, 7, GREY_STATUS, formatText("X:%+8.2f", static_cast<double>(x))},
        {w - 70, 22, GREY_STATUS, formatText("Y:%+8.2f", static_cast<double>(y))},
    };
}

std::vector<OverlayText> labelStatusLines(float size, int visibility, int width, int w, int h, bool proportional) {
    std::vector<OverlayText> out;
    out.push_back({w - 107, h - 13, GREY_STATUS,
                   formatText("         Visib:%s%3d%%", visibility <= 99 ? " " : "", visibility)});
    out.push_back({w - 107, h - 28, GREY_STATUS, formatText("          Size:  %3.2f", static_cast<double>(size))});
    if (width != 100)
        out.push_back({w - 107, h - 43, GREY_STATUS, formatText("Font Width:  %s%3d%%", width <= 99 ? " " : "", width)});
    if (proportional) out.push_back({w - 107, out.back().y - 15, GREY_STATUS, "  Proportional"});
    return out;
}

OverlayText quitPromptLine(int w, int h) {
    return {w / 2 - 95, h / 2 - 5, GREY_PROMPT, "Save Changes? ([Y]es,[N]o,[C]ancel)"};
}
