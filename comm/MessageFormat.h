#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <variant>

// One insert of a message text: a number for "%1!d!" or a text for "%1!s!" and plain "%1".
using MessageArg = std::variant<long long, std::string>;

// Fills the message-formatter inserts "%N!d!", "%N!s!" (N = 1..99) and plain "%N" with args;
// "%%" gives "%". An insert without an argument is left empty.
std::string FormatInserts(const std::string& format, std::initializer_list<MessageArg> args);

// printf into a std::string.
std::string StrPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));
