#include "sim/SimText.h"

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one code point at text[pos], advancing pos; malformed input yields U+FFFD.
char32_t DecodeUtf8(const std::string& text, size_t& pos) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(pos++);
    if (lead < 0x80) {
        return lead;
    }
    int extra = 0;
    char32_t cp = 0;
    char32_t min = 0;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1, cp = lead & 0x1F, min = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2, cp = lead & 0x0F, min = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3, cp = lead & 0x07, min = 0x10000;
    } else {
        return kReplacement;
    }
    for (int i = 0; i < extra; ++i) {
        if (pos >= text.size() || (byte(pos) & 0xC0) != 0x80) {
            return kReplacement;
        }
        cp = (cp << 6) | (byte(pos++) & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        return kReplacement;
    }
    return cp;
}

void EncodeUtf8(char32_t cp, std::string& out) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

} // namespace

std::vector<uint16_t> SimPackText8(const std::string& text, int registers) {
    std::vector<uint16_t> values(static_cast<size_t>(registers), 0);
    for (size_t i = 0; i < text.size() && i < values.size() * 2; ++i) {
        const auto byte = static_cast<uint16_t>(static_cast<unsigned char>(text[i]));
        values[i / 2] |= (i % 2 == 0) ? byte : static_cast<uint16_t>(byte << 8);
    }
    return values;
}

std::string SimUnpackText8(const uint16_t* values, int registers) {
    std::string text;
    for (int i = 0; i < registers * 2; ++i) {
        const uint16_t reg = values[i / 2];
        const char c = static_cast<char>(i % 2 == 0 ? reg & 0xFF : reg >> 8);
        if (c == '\0') {
            break;
        }
        text += c;
    }
    return text;
}

std::vector<uint16_t> SimPackText16(const std::string& utf8, int registers) {
    std::vector<uint16_t> values(static_cast<size_t>(registers), 0);
    size_t unit = 0;
    size_t pos = 0;
    while (pos < utf8.size()) {
        const char32_t cp = DecodeUtf8(utf8, pos);
        if (cp >= 0x10000) {
            if (unit + 2 > values.size()) {
                break;
            }
            const char32_t v = cp - 0x10000;
            values[unit++] = static_cast<uint16_t>(0xD800 | (v >> 10));
            values[unit++] = static_cast<uint16_t>(0xDC00 | (v & 0x3FF));
        } else {
            if (unit + 1 > values.size()) {
                break;
            }
            values[unit++] = static_cast<uint16_t>(cp);
        }
    }
    return values;
}

std::string SimUnpackText16(const uint16_t* values, int registers) {
    std::string out;
    for (int i = 0; i < registers && values[i] != 0; ++i) {
        const char32_t unit = values[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < registers && values[i + 1] >= 0xDC00 &&
            values[i + 1] <= 0xDFFF) {
            EncodeUtf8(0x10000 + ((unit - 0xD800) << 10) + (values[i + 1] - 0xDC00), out);
            ++i;
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            EncodeUtf8(kReplacement, out);
        } else {
            EncodeUtf8(unit, out);
        }
    }
    return out;
}
