#include "tables/TextScan.h"

#include "comm/CPrivateException.h"
#include "comm/MessageFormat.h"
#include "resources/CStringTable.h"
#include "resources/StringIds.h"
#include "tables/CTextLineReader.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <locale.h>

namespace {
bool IsCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

locale_t CLocale() {
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}
} // namespace

ScanStatus ScanDouble(const char*& p, double& value) {
    const char* s = p;
    while (IsCSpace(*s))
        ++s;
    const char* body = s;
    if (*body == '+' || *body == '-')
        ++body;
    // strtod would also take "inf", "infinity" and "nan(...)"; those are not numbers here.
    if (!IsDigit(*body) && !(*body == '.' && IsDigit(body[1])))
        return ScanStatus::None;
    char* end = nullptr;
    errno = 0;
    double v = strtod_l(s, &end, CLocale());
    if (end == s)
        return ScanStatus::None;
    p = end;
    value = v;
    if (errno == ERANGE && std::isinf(v))
        return ScanStatus::Overflow;
    return ScanStatus::Number;
}

ScanStatus ScanInt(const char*& p, int& value) {
    const char* s = p;
    while (IsCSpace(*s))
        ++s;
    bool negative = false;
    if (*s == '+' || *s == '-') {
        negative = *s == '-';
        ++s;
    }
    if (!IsDigit(*s))
        return ScanStatus::None;
    long long magnitude = 0;
    bool overflow = false;
    for (; IsDigit(*s); ++s) {
        if (!overflow) {
            magnitude = magnitude * 10 + (*s - '0');
            if (magnitude > static_cast<long long>(INT_MAX) + 1)
                overflow = true;
        }
    }
    p = s;
    if (!overflow && !negative && magnitude > INT_MAX)
        overflow = true;
    if (overflow) {
        value = negative ? INT_MIN : INT_MAX;
        return ScanStatus::Overflow;
    }
    value = static_cast<int>(negative ? -magnitude : magnitude);
    return ScanStatus::Number;
}

bool LeadingNumber(const std::string& text, double& value) {
    const char* p = text.c_str();
    double v = 0;
    if (ScanDouble(p, v) != ScanStatus::Number)
        return false;
    value = v;
    return true;
}

std::string FormatFixed(double value, int decimals) {
    // The widest double in fixed notation has 309 integer digits.
    char buffer[400];
    auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (result.ec != std::errc())
        return {};
    return std::string(buffer, result.ptr);
}

std::string_view SkipBlanks(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    return text.substr(i);
}

void CheckTableValue(ScanStatus status, double value, const std::string& path, int line) {
    if (status != ScanStatus::Number)
        throw CPrivateException(
            FormatInserts(LoadStr(kMsgTableLineUnreadable), {path, static_cast<long long>(line)}));
    if (!(value >= -kTableValueLimit && value <= kTableValueLimit))
        throw CPrivateException(
            FormatInserts(LoadStr(kMsgTableLineOutOfRange), {path, static_cast<long long>(line)}));
}

void ReadTableLines(const std::string& path, int openErrorId, int structureErrorId,
                    const bool& opened, const std::function<bool(std::string_view, int)>& take) {
    CTextLineReader reader;
    if (!reader.open(path))
        throw CPrivateException::FromId(openErrorId);
    std::string line;
    bool overlong = false;
    int number = 0;
    for (;;) {
        CTextLineReader::Result result = reader.next(line, overlong);
        if (result == CTextLineReader::Result::End)
            break;
        if (result == CTextLineReader::Result::Error)
            throw CPrivateException::FromId(openErrorId);
        ++number;
        if (overlong) {
            if (opened)
                CheckTableValue(ScanStatus::None, 0, path, number);
            continue;
        }
        std::string_view text = SkipBlanks(line);
        if (text.empty() || text[0] == '/')
            continue;
        if (!take(text, number))
            return;
    }
    throw CPrivateException::FromId(structureErrorId);
}
