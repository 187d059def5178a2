#include "gui/QtText.h"

#include "monitor/ColourContrast.h"
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

QString WithMnemonic(const QString& text, QChar letter) {
    QString plain = text;
    plain.remove('&');
    int at = plain.indexOf(letter, 0, Qt::CaseInsensitive);
    if (at >= 0)
        return plain.left(at) + '&' + plain.mid(at);
    return plain + "(&" + letter.toUpper() + ")";
}

QColor ReadableOn(const QColor& colour, const QColor& background, double minimum) {
    auto toColour = [](const QColor& c) {
        return Colour{static_cast<uint8_t>(c.red()), static_cast<uint8_t>(c.green()),
                      static_cast<uint8_t>(c.blue())};
    };
    Colour readable = ::ReadableOn(toColour(colour), toColour(background), minimum);
    return QColor(readable.r, readable.g, readable.b);
}
