#pragma once

#include <cstddef>
#include <string>

// Conversions between the program's UTF-8 texts and the device's fixed-length text registers.
std::u16string Utf8ToUtf16(const std::string& text);
std::string Utf16ToUtf8(const std::u16string& text);
// The characters before the first NUL of a zero-padded UTF-16 field.
std::u16string FixedUtf16(const char16_t* buffer, std::size_t length);
// At most maxBytes bytes of text, never splitting a character.
std::string CutUtf8(const std::string& text, std::size_t maxBytes);
// The bytes before the first NUL of an 8-bit field as UTF-8 (the platform code page); bytes that
// are not valid UTF-8 are taken as Latin-1 so the text always displays.
std::string BytesToUtf8(const std::string& bytes);
bool IsValidUtf8(const std::string& text);
