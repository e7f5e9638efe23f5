// The label store: writing the whole label list as text and reading it back.
//
// The reader follows the scanf patterns the file was written with ("%c " per
// text character, " %f" and " %d" for numbers), on the whole file in memory, so
// it can never read past the end. One label is one line: a line break inside a
// label means the label was cut short. A damaged file keeps the labels read
// completely; the caller is told where reading stopped.
#include "labels/label_store.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "platform/platform.h"
#include "platform/text_format.h"
#include "platform/utf8.h"

namespace {

// A read position in the store text. The text is a std::string, so the byte at
// size() is a NUL and strtof stops there at the latest.
struct Reader {
    const std::string& text;
    size_t pos = 0;

    bool atEnd() const { return pos >= text.size(); }
    char peek() const { return atEnd() ? '\0' : text[pos]; }

    static bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

    // White space within the current line.
    void skipBlanks() {
        while (!atEnd() && isBlank(text[pos])) ++pos;
    }
    // Any white space, line breaks included.
    void skipSpace() {
        while (!atEnd() && (isBlank(text[pos]) || text[pos] == '\n')) ++pos;
    }

    // "%d": an optional sign and digits; values beyond the int range saturate.
    bool readInt(int& value, bool acrossLines) {
        if (acrossLines)
            skipSpace();
        else
            skipBlanks();
        const char* begin = text.data() + pos;
        const char* stop = parseDecimalInt(begin, text.data() + text.size(), value);
        if (!stop) return false;
        pos += static_cast<size_t>(stop - begin);
        return true;
    }

    // "%f": what strtof accepts, within the current line.
    bool readFloat(float& value) {
        skipBlanks();
        if (atEnd() || text[pos] == '\n') return false;
        const char* start = text.c_str() + pos;
        char* stop = nullptr;
        const float v = std::strtof(start, &stop);
        if (stop == start) return false;
        value = v;
        pos += static_cast<size_t>(stop - start);
        return true;
    }
};

// Reads one label line into label; false when the label is cut short.
bool readLabelLine(Reader& in, Label& label, int version) {
    std::u32string chars;
    for (;;) {
        if (in.atEnd()) return false;
        char32_t c = static_cast<unsigned char>(in.text[in.pos]);
        if (c == '|') {
            // "|_" and "||" are the letters "_" and "|". A "|" before anything else ends
            // the text; as a number or a blank always follows that one, no older store
            // holds these pairs.
            const char next = in.pos + 1 < in.text.size() ? in.text[in.pos + 1] : '\0';
            if (next != '_' && next != '|') {
                ++in.pos;
                break;
            }
            in.pos += 2;
            chars.push_back(static_cast<unsigned char>(next));
            in.skipBlanks();
            continue;
        }
        if (c == '\n') return false;
        // Version 2 letters are UTF-8; older stores hold one byte per letter (ISO 8859-1).
        if (version == 2 && c >= 0x80) {
            if (!nextUtf8(in.text, in.pos, c)) return false;
        } else {
            ++in.pos;
        }
        chars.push_back(c == '_' ? U' ' : c);
        in.skipBlanks();
    }
    for (MapPoint& node : label.nodes)
        if (!in.readFloat(node.x) || !in.readFloat(node.y)) return false;
    if (!in.readFloat(label.size) || !in.readInt(label.visibility, false)) return false;
    if (version != 0) {
        int italic = 0;
        if (!in.readInt(label.width, false) || !in.readInt(italic, false) || !in.readInt(label.spare, false))
            return false;
        label.italic = italic != 0 ? 1 : 0;
    }
    in.skipSpace();
    // Letters are made only for a complete label, so the ids run on in file order.
    label.letters.reserve(chars.size());
    for (char32_t c : chars) label.letters.push_back(makeLetter(c));
    updateCurve(label);
    layoutLetters(label);
    return true;
}

}  // namespace

int storeVersion(const LabelList& labels) {
    for (const Label& label : labels)
        for (const LabelLetter& letter : label.letters)
            if (letter.ch > 0xFF) return 2;
    return 1;
}

void writeLabel(const Label& label, std::string& out, bool utf8) {
    for (const LabelLetter& letter : label.letters) {
        // A space is written as "_"; the letters "_" and "|" get a "|" before them.
        if (letter.ch == '_' || letter.ch == '|') out.push_back('|');
        const char32_t c = letter.ch == ' ' ? U'_' : letter.ch;
        if (utf8 || c > 0xFF)
            appendUtf8(out, c);
        else
            out.push_back(static_cast<char>(static_cast<unsigned char>(c)));
        out.push_back(' ');
    }
    out += "| ";
    for (const MapPoint& node : label.nodes)
        appendText(out, " %f %f ", static_cast<double>(node.x), static_cast<double>(node.y));
    appendText(out, " %f %d %d %d %d\n", static_cast<double>(label.size), label.visibility, label.width,
            static_cast<int>(label.italic), label.spare);
}

bool parseLabelStore(LabelList& labels, const std::string& text, std::string& error, int* stored) {
    labels.clear();
    error.clear();
    if (stored) *stored = -1;
    Reader in{text};

    int version = 0;
    if (in.peek() == 'v') {
        ++in.pos;
        if (!in.readInt(version, true)) {
            error = "the version line is unreadable";
            return false;
        }
    }
    int count = 0;
    if (!in.readInt(count, true)) {
        error = "the label count is unreadable";
        return false;
    }
    if (count < 0) {
        error = "the label count " + std::to_string(count) + " is invalid";
        return false;
    }
    if (stored) *stored = count;
    in.skipSpace();

    // The shortest label line takes well over 16 bytes: never reserve more
    // labels than the file could hold, whatever its count says.
    const size_t backed = text.size() / 16 + 1;
    labels.reserve(static_cast<size_t>(count) < backed ? static_cast<size_t>(count) : backed);
    for (int i = 0; i < count; ++i) {
        Label label;
        if (!readLabelLine(in, label, version)) {
            error = "label " + std::to_string(i + 1) + " of " + std::to_string(count) + " is incomplete";
            return false;
        }
        labels.push_back(std::move(label));
    }
    return true;
}

std::string storeDamageMessage(const LabelStore& store) {
    return formatText("Damaged label store \"%s\": %s", store.path.c_str(), store.damage.c_str());
}

Report loadLabels(LabelList& labels, LabelStore& store) {
    resetLetterIds();
    store.damage.clear();
    store.loaded = 0;
    store.stored = -1;
    std::string text;
    if (!readTextFile(store.path, text)) {
        // A store that exists but cannot be read must not be overwritten unseen:
        // the next save first tries to keep it (and refuses when it cannot).
        Report report;
        report.ok = false;
        if (fileExists(store.path)) {
            store.keepBackup = true;
            store.damage = "it cannot be read";
            addMessage(report, storeDamageMessage(store));
        }
        return report;
    }
    LabelList parsed;
    std::string error;
    const bool whole = parseLabelStore(parsed, text, error, &store.stored);
    labels = std::move(parsed);
    store.loaded = labels.size();
    Report report;
    if (!whole) {
        store.damage = error + "; " + countText(static_cast<long long>(labels.size()), "label", "labels") + " loaded";
        addMessage(report, storeDamageMessage(store));
        store.keepBackup = true;
    }
    return report;
}

std::string storeText(const LabelList& labels) {
    const int version = storeVersion(labels);
    std::string out = formatText("v%d\n%d\n", version, static_cast<int>(labels.size()));
    for (const Label& label : labels) writeLabel(label, out, version == 2);
    return out;
}

Report saveLabels(const LabelList& labels, LabelStore& store) {
    const std::string out = storeText(labels);

    if (store.keepBackup) {
        // The store read at start-up was damaged: keep its bytes beside it before
        // the first save replaces it.
        std::string old;
        bool kept;
        if (readBinaryFile(store.path, old))
            kept = replaceFileWith(store.path + ".bak", old);
        else
            kept = !fileExists(store.path);
        if (!kept) return failure("Cannot save internal file?!");
    }
    if (!replaceFileWith(store.path, toPlatformLineEnds(out))) return failure("Cannot save internal file?!");
    store.keepBackup = false;
    Report report;
    addMessage(report, "All label saved. Will be loaded at the next run.");
    return report;
}
