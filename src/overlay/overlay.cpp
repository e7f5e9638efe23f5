#include "overlay/overlay.h"

#include <algorithm>
#include <cmath>

#include "platform/text_format.h"
#include "platform/utf8.h"

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
    {false, Show::Always, " [Home]: whole map"},
    {false, Show::Always, " [F3]: town names on/off"},
    {true, Show::Always, "Basic editing"},
    {false, Show::Always, " [mouse left]: drag on an empty region to create a new label"},
    {false, Show::WithLabels, " [mouse left]: click on a label to select"},
    {false, Show::WithLabels, " [tab]: select next label"},
    {false, Show::WithSelection, " [mouse left]: drag control nodes "},
    {false, Show::WithSelection, " [mouse left]: drag the label to move it"},
    {false, Show::WithSelection, " [shift-Delete]: delete the label"},
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
    {false, Show::Always, " [ctrl-z]/[ctrl-y]: undo/redo an edit"},
    {false, Show::Always, " [F2]: save labels (will be loaded on startup)"},
    {false, Show::Always, " [F12]: export map labels into the MOD!"},
    {false, Show::Always, " [Esc]: bye"},
    {true, Show::Always, "Utils"},
    {false, Show::Always, " [ctrl-d]: count letters that can use duplicates"},
    {false, Show::Always, " [F8]: re-read map colours"},
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

int textWidth(const std::string& text, const TextWidth& width) {
    int total = 0;
    for (unsigned char c : text) total += width(c);
    return total;
}

std::vector<std::string> wrapText(const std::string& text, int maxWidth, const TextWidth& width) {
    const auto fits = [&](const std::string& s) { return textWidth(s, width) <= maxWidth; };
    if (fits(text)) return {text};
    std::vector<std::string> lines;
    std::string line;
    for (size_t at = 0; at <= text.size();) {
        const size_t end = std::min(text.find(' ', at), text.size());
        std::string word = text.substr(at, end - at);
        at = end + 1;
        const std::string joined = line.empty() ? word : line + " " + word;
        if (fits(joined)) {
            line = joined;
            continue;
        }
        if (!line.empty()) lines.push_back(line);
        // A word wider than a whole line is broken where it must be.
        while (!fits(word)) {
            size_t n = 1;
            while (n < word.size() && fits(word.substr(0, n + 1))) ++n;
            lines.push_back(word.substr(0, n));
            word.erase(0, n);
        }
        line = word;
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

std::string latin1ForDrawing(const std::string& utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (size_t pos = 0; pos < utf8.size();) {
        char32_t code;
        if (!nextUtf8(utf8, pos, code)) {
            out.push_back('?');
            ++pos;
        } else {
            out.push_back(code <= 0xFF ? static_cast<char>(static_cast<unsigned char>(code)) : '?');
        }
    }
    return out;
}

int readoutColumn(int w) { return w - 70; }


PixelRect textBackdrop(const OverlayText& text, const TextWidth& width) {
    return {text.x - 3, text.y - 4, text.x + textWidth(text.text, width) + 3, text.y + 11};
}

std::vector<OverlayText> messageLines(const MessageLog& log, int w, const TextWidth& width, int readoutX) {
    // Messages start at x = 5 and keep a gap of 5 pixels before the readout.
    const int maxWidth = (readoutX < 0 ? readoutColumn(w) : readoutX) - 10;
    std::vector<OverlayText> out;
    int y = -8;
    for (const std::string& message : messagesNewestFirst(log)) {
        const std::string m = latin1ForDrawing(message);
        const std::vector<std::string> lines = width && maxWidth > 0 ? wrapText(m, maxWidth, width) : std::vector{m};
        for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
            y += 15;
            out.push_back({5, y, GREY_ITEM, *line});
        }
    }
    return out;
}

std::vector<OverlayText> cursorReadoutLines(float x, float y, int w, const std::string& party,
                                            const TextWidth& width) {
    std::vector<OverlayText> out = {
        {readoutColumn(w), 7, GREY_STATUS, formatText("X:%+8.2f", static_cast<double>(x))},
        {readoutColumn(w), 22, GREY_STATUS, formatText("Y:%+8.2f", static_cast<double>(y))},
    };
    if (!party.empty()) {
        const std::string text = latin1ForDrawing(party);
        const int right = width ? w - 5 - textWidth(text, width) : readoutColumn(w);
        out.push_back({std::min(readoutColumn(w), right), 37, GREY_STATUS, text});
    }
    return out;
}

std::vector<OverlayText> partyNameLines(const std::vector<NamedPoint>& points, int w, int h,
                                        const TextWidth& width) {
    std::vector<OverlayText> out;
    std::vector<PixelRect> taken;
    for (const NamedPoint& p : points) {
        if (p.name.empty() || !std::isfinite(p.x) || !std::isfinite(p.y) || std::fabs(p.x) > 1e6f ||
            std::fabs(p.y) > 1e6f)
            continue;
        // Right of the marker (7 pixels across), the text's middle level with its centre.
        OverlayText line{static_cast<int>(std::lround(p.x)) + 8, static_cast<int>(std::lround(p.y)) - 4, GREY_NAME,
                         latin1ForDrawing(p.name)};
        const PixelRect r = textBackdrop(line, width);
        if (r.x1 <= 0 || r.y1 <= 0 || r.x0 >= w || r.y0 >= h) continue;
        const auto overlaps = [&](const PixelRect& o) { return r.x0 < o.x1 && o.x0 < r.x1 && r.y0 < o.y1 && o.y0 < r.y1; };
        if (std::any_of(taken.begin(), taken.end(), overlaps)) continue;
        taken.push_back(r);
        out.push_back(std::move(line));
    }
    return out;
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
