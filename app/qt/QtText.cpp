#include "app/qt/QtText.h"

#include "resources/CStringTable.h"

QString Tr(int stringId) {
    return QString::fromStdString(LoadStr(stringId));
}

QColor FromColorRef(uint32_t colorRef) {
    return QColor(static_cast<int>(colorRef & 0xFF), static_cast<int>((colorRef >> 8) & 0xFF),
                  static_cast<int>((colorRef >> 16) & 0xFF));
}

std::string ToStd(const QString& text) {
    return text.toStdString();
}

QString FromStd(const std::string& text) {
    return QString::fromStdString(text);
}
