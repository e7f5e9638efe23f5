#include "config/config.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "platform/platform.h"
#include "platform/text_format.h"

namespace {

// Reading position in the configuration text; tokenStart is where the last token began.
struct Reader {
    const std::string& text;
    size_t pos = 0;
    size_t tokenStart = 0;
    int get() { return pos < text.size() ? static_cast<unsigned char>(text[pos++]) : EOF; }
    int peek() const { return pos < text.size() ? static_cast<unsigned char>(text[pos]) : EOF; }
    void skipSpace() {
        while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos]))) ++pos;
    }
    int lineOf(size_t at) const {
        const auto end = text.begin() + static_cast<std::ptrdiff_t>(std::min(at, text.size()));
        return 1 + static_cast<int>(std::count(text.begin(), end, '\n'));
    }
    // The text from `at` to the end of its line or a comment, without the blanks around it.
    std::string valueText(size_t at) const {
        at = std::min(at, text.size());
        size_t end = text.find_first_of("#\n", at);
        if (end == std::string::npos) end = text.size();
        while (at < end && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
        while (end > at && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
        return text.substr(at, end - at);
    }
};

enum class TokenResult { Token, None, TooLong, Unclosed };

bool isDelimiter(int c) { return c == 0 || c == '\t' || c == '\n' || c == ' ' || c == '"'; }

// One token: a word ended by a delimiter, or a quoted value. "#" starts a comment
// up to the end of its line outside quoted values. A token longer than
// CONFIG_TEXT_MAX or a quote left open at the end of the file makes the file faulty.
TokenResult readConfigToken(Reader& in, std::string& token) {
    token.clear();
    for (;;) {
        int c = in.get();
        if (c == EOF) return token.empty() ? TokenResult::None : TokenResult::Token;
        if (c == '#') {
            while ((c = in.get()) != EOF && c != '\n') {
            }
            if (c == EOF) return token.empty() ? TokenResult::None : TokenResult::Token;
            continue;
        }
        if (token.empty() && c == '"') {
            in.tokenStart = in.pos - 1;
            for (;;) {
                c = in.get();
                if (c == EOF) return TokenResult::Unclosed;
                if (c == '"') return TokenResult::Token;
                if (token.size() >= CONFIG_TEXT_MAX) return TokenResult::TooLong;
                token.push_back(static_cast<char>(c));
            }
        }
        if (isDelimiter(c)) {
            if (token.empty()) continue;
            return TokenResult::Token;
        }
        if (token.empty()) in.tokenStart = in.pos - 1;
        if (token.size() >= CONFIG_TEXT_MAX) return TokenResult::TooLong;
        token.push_back(static_cast<char>(c));
    }
}

// scanf "%d": optional white space, an optional sign and at least one digit.
// Values beyond the int range are clamped.
bool scanInt(Reader& in, int& value) {
    in.skipSpace();
    const char* begin = in.text.data() + in.pos;
    const char* end = in.text.data() + in.text.size();
    const char* stop = parseDecimalInt(begin, end, value);
    if (!stop) {
        // Like scanf, a sign without digits is consumed.
        if (in.peek() == '+' || in.peek() == '-') in.get();
        return false;
    }
    in.pos += static_cast<size_t>(stop - begin);
    return true;
}

// The keys of the file. A required key must be given exactly once; an optional
// one may be left out or repeated (the last value holds).
struct ConfigKey {
    const char* name;
    bool required;
};
constexpr ConfigKey KEYS[] = {{"module_path", true}, {"texture_size", true}, {"font", true},
                              {"charset", true},     {"test_mode", false},   {"mip_map", true},
                              {"mesh_letters", false}, {"window_size", false}, {"recovery_seconds", false}};
constexpr size_t KEY_COUNT = sizeof KEYS / sizeof KEYS[0];

// A whole number lo..hi written with digits alone.
bool parseWholeNumber(const std::string& token, int lo, int hi, int& value) {
    if (token.empty() || token.size() > 9) return false;
    int v = 0;
    for (char c : token) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    if (v < lo || v > hi) return false;
    value = v;
    return true;
}

// "auto" (0) or a whole number 1..MESH_LETTERS_MAX.
bool parseMeshLetters(const std::string& token, int& value) {
    if (token == "auto") {
        value = 0;
        return true;
    }
    return parseWholeNumber(token, 1, MESH_LETTERS_MAX, value);
}

// The index of the key named by token, or KEY_COUNT for no key.
size_t keyIndex(const std::string& token) {
    size_t k = 0;
    while (k < KEY_COUNT && token != KEYS[k].name) ++k;
    return k;
}

// The number of single-character edits that turn a into b.
size_t editDistance(const std::string& a, const std::string& b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t above = row[j];
            row[j] = std::min({above + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// A word that stands where a key would, followed by "=", names no key: it is
// skipped as any other word, and the user is told, with the key it is nearest to
// (ignoring letter case) when that is only a slip away.
std::string unknownKeyWarning(const std::string& word, int line) {
    std::string lower = word;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const ConfigKey* nearest = nullptr;
    size_t distance = 0;
    for (const ConfigKey& key : KEYS) {
        const size_t d = editDistance(lower, key.name);
        if (!nearest || d < distance) {
            nearest = &key;
            distance = d;
        }
    }
    std::string text = formatText("line %d: unknown key \"%s\" is ignored", line, word.c_str());
    if (nearest && distance <= 1 + std::strlen(nearest->name) / 4)
        text += formatText(" (did you mean \"%s\"?)", nearest->name);
    return text;
}

// Whether the next token is "=", without reading it.
bool equalsFollows(const Reader& in) {
    Reader ahead = in;
    std::string token;
    return readConfigToken(ahead, token) == TokenResult::Token && token == "=";
}

// The first fault of the file, in reading order, as the user should read it.
struct Faults {
    const Reader& in;
    std::string first;
    void add(const std::string& text) {
        if (first.empty()) first = text;
    }
    void at(size_t pos, const std::string& text) { add(formatText("line %d: ", in.lineOf(pos)) + text); }
    // A token that could not be read; true when there was such a fault.
    bool token(TokenResult r) {
        if (r == TokenResult::TooLong)
            at(in.tokenStart, formatText("a value is longer than %zu characters", CONFIG_TEXT_MAX));
        else if (r == TokenResult::Unclosed)
            at(in.tokenStart, "a quoted value is not closed");
        return r == TokenResult::TooLong || r == TokenResult::Unclosed;
    }
};

}  // namespace

void setConfigDefaults(AppConfig& config) {
    std::vector<int> mips = std::move(config.mip_map);
    config = AppConfig{};
    config.mip_map = std::move(mips);
}

std::string modulePath(const AppConfig& config, const std::string& name) { return config.module_path + name; }

Report readConfig(AppConfig& config, const std::string& path) {
    std::string text;
    if (!readTextFile(path, text)) {
        setConfigDefaults(config);
        return failure("Wrong or missing config file \"" + path + "\"!\n" + MAKE_CONFIG_HINT);
    }
    return parseConfig(config, text, path);
}

Report parseConfig(AppConfig& config, const std::string& text, const std::string& path) {
    Reader in{text};
    Faults faults{in, {}};
    size_t given[KEY_COUNT] = {};  // values read, per key
    int firstLine[KEY_COUNT] = {};
    std::string runTogether[KEY_COUNT];  // "font=x.ttf": a key and its value without spaces, not read as the key
    std::vector<std::string> warnings;   // unknown keys, which do not make the file faulty
    bool faulty = false;
    const auto fault = [&](size_t pos, const std::string& why) {
        faults.at(pos, why);
        faulty = true;
    };
    std::string token;
    for (;;) {
        TokenResult r = readConfigToken(in, token);
        if (faults.token(r)) faulty = true;
        if (r != TokenResult::Token) break;
        const size_t k = keyIndex(token);
        if (k == KEY_COUNT) {
            const size_t eq = token.find('=');
            const size_t named = eq == std::string::npos ? KEY_COUNT : keyIndex(token.substr(0, eq));
            if (named < KEY_COUNT && runTogether[named].empty())
                runTogether[named] = formatText("line %d: \"%s\" needs spaces around \"=\"", in.lineOf(in.tokenStart),
                                                token.c_str());
            else if (eq == std::string::npos && equalsFollows(in))
                warnings.push_back(unknownKeyWarning(token, in.lineOf(in.tokenStart)));
            continue;
        }
        const std::string key = token;
        const size_t keyPos = in.tokenStart;
        r = readConfigToken(in, token);
        if (faults.token(r)) faulty = true;
        if (r != TokenResult::Token || token != "=") {
            faults.at(keyPos, key + (r == TokenResult::None ? " has no value" : " is not followed by \" = \""));
            break;
        }
        const size_t valuePos = in.pos;

        if (key == "module_path" || key == "font" || key == "charset") {
            r = readConfigToken(in, token);
            if (faults.token(r)) faulty = true;
            if (r != TokenResult::Token) {
                if (r == TokenResult::None) faults.at(keyPos, key + " has no value");
                break;
            }
            if (key == "module_path") {
                if (!token.empty() && token.back() != '\\' && token.back() != '/') token.push_back('\\');
                if (token.size() > CONFIG_TEXT_MAX) {
                    fault(keyPos, formatText("module_path is longer than %zu characters", CONFIG_TEXT_MAX - 1));
                    break;
                }
                config.module_path = pathFromUserText(token);
            } else if (key == "font") {
                config.font = pathFromUserText(token);
            } else {
                config.charset = token;
            }
        } else if (key == "texture_size") {
            // Both numbers or the file is faulty; reading goes on to the end either way.
            int w = 0, h = 0;
            bool both = false;
            if (scanInt(in, w)) {
                config.texture_width = w;
                in.skipSpace();
                if (in.peek() == 'x') {
                    in.get();
                    if (scanInt(in, h)) {
                        config.texture_height = h;
                        both = true;
                    }
                }
            }
            if (!both)
                fault(keyPos, "texture_size \"" + in.valueText(valuePos) + "\" is not a size like 1024 x 512");
        } else if (key == "mesh_letters") {
            r = readConfigToken(in, token);
            if (r != TokenResult::Token || !parseMeshLetters(token, config.mesh_letters)) {
                fault(keyPos, r == TokenResult::Token
                                  ? "mesh_letters \"" + token + "\" is not auto or a number from 1 to 1000"
                                  : "mesh_letters has no value");
                break;
            }
        } else if (key == "recovery_seconds") {
            r = readConfigToken(in, token);
            if (r != TokenResult::Token ||
                !parseWholeNumber(token, 1, RECOVERY_SECONDS_MAX, config.recovery_seconds)) {
                fault(keyPos, r == TokenResult::Token
                                  ? "recovery_seconds \"" + token + "\" is not a number from 1 to 3600"
                                  : "recovery_seconds has no value");
                break;
            }
        } else if (key == "window_size") {
            // "auto", or two positive numbers; the window is kept within the desktop when it opens.
            in.skipSpace();
            const std::string value = in.valueText(valuePos);
            int w = 0, h = 0;
            bool read = false;
            if (value.rfind("auto", 0) == 0) {
                in.pos += 4;
                read = value == "auto";
                config.window_auto = read;
            } else if (scanInt(in, w)) {
                in.skipSpace();
                if (in.peek() == 'x') {
                    in.get();
                    read = scanInt(in, h) && w >= 1 && h >= 1 && w <= WINDOW_SIDE_MAX && h <= WINDOW_SIDE_MAX;
                }
                if (read) {
                    config.window_width = w;
                    config.window_height = h;
                    config.window_auto = false;
                }
            }
            if (!read) {
                fault(keyPos, "window_size \"" + value + "\" is not a size like 1280 x 800, or auto");
                break;
            }
        } else if (key == "test_mode") {
            int v = 0;
            config.test_mode = scanInt(in, v) && v == 1;
        } else {  // mip_map: an opening character, then integers separated by "," up to "]"
            if (in.get() == EOF) {
                faults.at(keyPos, "mip_map has no value");
                break;
            }
            bool afterComma = false;
            bool mistyped = false;
            for (;;) {
                int v = 0;
                if (!scanInt(in, v)) {
                    // A list cut off right after "," at the end of the file is faulty.
                    mistyped = afterComma && in.peek() == EOF;
                    break;
                }
                in.skipSpace();
                if (config.mip_map.size() >= MIP_MAP_MAX) {
                    fault(keyPos, formatText("mip_map has more than %zu levels", MIP_MAP_MAX));
                    break;
                }
                config.mip_map.push_back(v);
                int c = in.get();
                if (c == ',') {
                    afterComma = true;
                    continue;
                }
                mistyped = c != ']' && c != EOF;
                break;
            }
            if (mistyped)
                fault(keyPos, "mip_map \"" + in.valueText(valuePos) + "\" is not a list like [100,90,80]");
            if (faulty) break;
        }
        const int line = in.lineOf(keyPos);
        if (++given[k] == 1) firstLine[k] = line;
        if (KEYS[k].required && given[k] == 2)
            faults.add(formatText("%s is given twice (lines %d and %d)", key.c_str(), firstLine[k], line));
    }
    for (size_t k = 0; k < KEY_COUNT; ++k) {
        if (!KEYS[k].required || given[k] == 1) continue;
        faulty = true;
        if (given[k] == 0) faults.add(runTogether[k].empty() ? std::string(KEYS[k].name) + " is missing" : runTogether[k]);
    }
    Report report;
    if (faulty) report = failure("Error reading " + path + "... try deleting it to reset the defaults...\n" + faults.first);
    for (std::string& w : warnings) addMessage(report, std::move(w));
    return report;
}

std::string newConfigText(const std::string& modulePath, const std::string& font) {
    return formatText(
        "# Veltrune config file, made by \"veltrune -n\" for your module.\n"
        "\n"
        "# module path: the module folder\n"
        "module_path = \"%s\"\n"
        "\n"
        "# texture size to be used (default: 1024 x 512)\n"
        "texture_size = 1024 x 512\n"
        "\n"
        "# used font (any ttf file). Can include an absolute path\n"
        "font = \"%s\"\n"
        "\n"
        "# charset - the set of chars you want to use in the labels\n"
        "charset = \"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ- \"\n"
        "\n"
        "# opacity in percent of each mip level of the exported texture, level 0 first\n"
        "mip_map = [100,100,90,80,70]\n"
        "\n"
        "# letters of a label that one exported mesh, icon and party may carry: auto, or 1 to 1000\n"
        "mesh_letters = auto\n"
        "\n"
        "# the editor's window at start: W x H in pixels, or auto (80 %% of the desktop)\n"
        "window_size = auto\n",
        modulePath.c_str(), font.c_str());
}
