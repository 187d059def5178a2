#include "comm/MessageFormat.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

std::string FormatInserts(const std::string& format, std::initializer_list<MessageArg> args) {
    std::vector<MessageArg> list(args);
    std::string out;
    out.reserve(format.size() + 32);
    for (std::size_t i = 0; i < format.size(); ++i) {
        char c = format[i];
        if (c != '%' || i + 1 >= format.size()) {
            out += c;
            continue;
        }
        char next = format[i + 1];
        if (next == '%') {
            out += '%';
            ++i;
            continue;
        }
        if (next < '1' || next > '9') {
            out += c;
            continue;
        }
        std::size_t j = i + 1;
        int index = 0;
        while (j < format.size() && j < i + 3 && format[j] >= '0' && format[j] <= '9')
            index = index * 10 + (format[j++] - '0');
        char type = 's';
        if (j < format.size() && format[j] == '!') {
            std::size_t close = format.find('!', j + 1);
            if (close != std::string::npos) {
                std::string insert = format.substr(j + 1, close - j - 1);
                type = insert.empty() ? 's' : insert.back();
                j = close + 1;
            }
        }
        if (index >= 1 && static_cast<std::size_t>(index) <= list.size()) {
            const MessageArg& arg = list[index - 1];
            if (const auto* number = std::get_if<long long>(&arg)) {
                out += (type == 'x' || type == 'X')
                           ? StrPrintf(type == 'x' ? "%llx" : "%llX", *number)
                           : std::to_string(*number);
            } else {
                out += std::get<std::string>(arg);
            }
        }
        i = j - 1;
    }
    return out;
}

std::string StrPrintf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    char small[256];
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(small, sizeof small, format, copy);
    va_end(copy);
    std::string out;
    if (n < 0) {
        va_end(args);
        return out;
    }
    if (static_cast<std::size_t>(n) < sizeof small) {
        out.assign(small, static_cast<std::size_t>(n));
    } else {
        out.resize(static_cast<std::size_t>(n) + 1);
        std::vsnprintf(out.data(), out.size(), format, args);
        out.resize(static_cast<std::size_t>(n));
    }
    va_end(args);
    return out;
}
