#include "config/config.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "platform/platform.h"

namespace {

// Reading position in the configuration text.
struct Reader {
    const std::string& text;
    size_t pos = 0;
    int get() { return pos < text.size() ? static_cast<unsigned char>(text[pos++]) : EOF; }
    int peek() const { return pos < text.size() ? static_cast<unsigned char>(text[pos]) : EOF; }
    void skipSpace() {
        while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos]))) ++pos;
    }
};

enum class TokenResult { Token, None, Faulty };

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
            for (;;) {
                c = in.get();
                if (c == EOF) return TokenResult::Faulty;
                if (c == '"') return TokenResult::Token;
                if (token.size() >= CONFIG_TEXT_MAX) return TokenResult::Faulty;
                token.push_back(static_cast<char>(c));
            }
        }
        if (isDelimiter(c)) {
            if (token.empty()) continue;
            return TokenResult::Token;
        }
        if (token.size() >= CONFIG_TEXT_MAX) return TokenResult::Faulty;
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
                              {"mesh_letters", false}};
constexpr size_t KEY_COUNT = sizeof KEYS / sizeof KEYS[0];

// "auto" (0) or a whole number 1..MESH_LETTERS_MAX written with digits alone.
bool parseMeshLetters(const std::string& token, int& value) {
    if (token == "auto") {
        value = 0;
        return true;
    }
    if (token.empty() || token.size() > 4) return false;
    int v = 0;
    for (char c : token) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    if (v < 1 || v > MESH_LETTERS_MAX) return false;
    value = v;
    return true;
}

// The index of the key named by token, or KEY_COUNT for no key.
size_t keyIndex(const std::string& token) {
    size_t k = 0;
    while (k < KEY_COUNT && token != KEYS[k].name) ++k;
    return k;
}

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
        return failure("Wrong or missing config file \"" + path + "\"!");
    }
    return parseConfig(config, text, path);
}

Report parseConfig(AppConfig& config, const std::string& text, const std::string& path) {
    Reader in{text};
    size_t given[KEY_COUNT] = {};  // values read, per key
    bool faulty = false;
    std::string token;
    for (;;) {
        TokenResult r = readConfigToken(in, token);
        if (r == TokenResult::Faulty) faulty = true;
        if (r != TokenResult::Token) break;
        const size_t k = keyIndex(token);
        if (k == KEY_COUNT) continue;
        const std::string key = token;
        r = readConfigToken(in, token);
        if (r == TokenResult::Faulty) faulty = true;
        if (r != TokenResult::Token || token != "=") break;

        if (key == "module_path" || key == "font" || key == "charset") {
            r = readConfigToken(in, token);
            if (r == TokenResult::Faulty) faulty = true;
            if (r != TokenResult::Token) break;
            if (key == "module_path") {
                if (!token.empty() && token.back() != '\\' && token.back() != '/') token.push_back('\\');
                if (token.size() > CONFIG_TEXT_MAX) {
                    faulty = true;
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
            if (!both) faulty = true;
        } else if (key == "mesh_letters") {
            r = readConfigToken(in, token);
            if (r != TokenResult::Token || !parseMeshLetters(token, config.mesh_letters)) {
                faulty = true;
                break;
            }
        } else if (key == "test_mode") {
            int v = 0;
            config.test_mode = scanInt(in, v) && v == 1;
        } else {  // mip_map: an opening character, then integers separated by "," up to "]"
            if (in.get() == EOF) break;
            bool afterComma = false;
            for (;;) {
                int v = 0;
                if (!scanInt(in, v)) {
                    // A list cut off right after "," at the end of the file is faulty.
                    if (afterComma && in.peek() == EOF) faulty = true;
                    break;
                }
                in.skipSpace();
                if (config.mip_map.size() >= MIP_MAP_MAX) {
                    faulty = true;
                    break;
                }
                config.mip_map.push_back(v);
                int c = in.get();
                if (c == ',') {
                    afterComma = true;
                    continue;
                }
                if (c == ']' || c == EOF) break;
                faulty = true;  // a mistyped separator
                break;
            }
            if (faulty) break;
        }
        ++given[k];
    }
    for (size_t k = 0; k < KEY_COUNT; ++k)
        if (KEYS[k].required && given[k] != 1) faulty = true;
    if (faulty) return failure("Error reading " + path + "... try deleting it to reset the defaults...");
    return Report{};
}
