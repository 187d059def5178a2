#pragma once

#include <QColor>
#include <QString>

#include <cstdint>
#include <string>

// The string-table text of id in the current language.
QString Tr(int stringId);
// A Win32 COLORREF value (0x00BBGGRR) as a colour: the constants of the window code are BGR.
QColor FromColorRef(uint32_t colorRef);
std::string ToStd(const QString& text);
QString FromStd(const std::string& text);
// text with the keyboard mnemonic letter marked: "&" before its first occurrence, or
// "(&L)" appended when the text lacks it (the Japanese convention).
QString WithMnemonic(const QString& text, QChar letter);
// colour, or a shade of it that reads on background (see ReadableOn of the core).
QColor ReadableOn(const QColor& colour, const QColor& background, double minimum = 4.5);
