#include "model/TextCodec.h"

namespace {
// Decodes one code point at text[i]; returns its length, 0 for an invalid sequence.
std::size_t DecodeUtf8(const std::string& text, std::size_t i, char32_t& cp) {
    auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    unsigned char c = byte(i);
    std::size_t length;
    if (c < 0x80) {
        cp = c;
        return 1;
    } else if ((c & 0xE0) == 0xC0) {
        cp = c & 0x1F;
        length = 2;
    } else if ((c & 0xF0) == 0xE0) {
        cp = c & 0x0F;
        length = 3;
    } else if ((c & 0xF8) == 0xF0) {
        cp = c & 0x07;
        length = 4;
    } else {
        return 0;
    }
    if (i + length > text.size())
        return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (byte(i + k) & 0x3F);
    }
    static constexpr char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMin[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return length;
}

void AppendUtf8(std::string& out, char32_t cp) {
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

bool IsValidUtf8(const std::string& text) {
    char32_t cp;
    for (std::size_t i = 0; i < text.size();) {
        std::size_t n = DecodeUtf8(text, i, cp);
        if (n == 0)
            return false;
        i += n;
    }
    return true;
}

std::u16string Utf8ToUtf16(const std::string& text) {
    std::u16string out;
    char32_t cp;
    for (std::size_t i = 0; i < text.size();) {
        std::size_t n = DecodeUtf8(text, i, cp);
        if (n == 0) {
            cp = 0xFFFD;
            n = 1;
        }
        i += n;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
    }
    return out;
}

std::string Utf16ToUtf8(const std::u16string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        AppendUtf8(out, cp);
    }
    return out;
}

std::u16string FixedUtf16(const char16_t* buffer, std::size_t length) {
    std::size_t n = 0;
    while (n < length && buffer[n] != 0)
        ++n;
    return std::u16string(buffer, n);
}

std::string CutUtf8(const std::string& text, std::size_t maxBytes) {
    std::string out;
    char32_t cp;
    for (std::size_t i = 0; i < text.size();) {
        std::size_t n = DecodeUtf8(text, i, cp);
        if (n == 0)
            n = 1;
        if (out.size() + n > maxBytes)
            break;
        out.append(text, i, n);
        i += n;
    }
    return out;
}

std::string BytesToUtf8(const std::string& bytes) {
    std::string field = bytes.substr(0, bytes.find('\0'));
    if (IsValidUtf8(field))
        return field;
    std::string out;
    for (unsigned char c : field)
        AppendUtf8(out, c);
    return out;
}
