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
