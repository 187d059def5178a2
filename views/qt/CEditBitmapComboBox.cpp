#include "views/qt/CEditBitmapComboBox.h"

#include <QFontMetrics>

CEditBitmapComboBox::CEditBitmapComboBox(QWidget* viewport, QWidget* list)
    : CEditComboBox(viewport, list) {
    setObjectName("CEditBitmapComboBox");
}

void CEditBitmapComboBox::SetBitmap(int index, const QPixmap& bitmap) {
    m_bitmaps[index] = bitmap;
    m_widestBitmap = std::max(m_widestBitmap, bitmap.width());
}

int CEditBitmapComboBox::ItemHeight(int index) const {
    auto it = m_itemHeights.find(index);
    return it == m_itemHeights.end() ? fontMetrics().height() : it->second;
}

void CEditBitmapComboBox::Fill(const std::vector<std::string>& items) {
    m_itemHeights.clear();
    for (int i = 0; i < static_cast<int>(items.size()); ++i) {
        QString text = QString::fromStdString(items[i]);
        auto it = m_bitmaps.find(i);
        if (it == m_bitmaps.end()) {
            addItem(text);
            continue;
        }
        addItem(QIcon(it->second), text);
        m_itemHeights[i] = std::max(fontMetrics().height(), it->second.height());
        setItemData(i, QSize(m_widestBitmap, m_itemHeights[i]), Qt::SizeHintRole);
    }
    if (m_widestBitmap > 0)
        setIconSize(QSize(m_widestBitmap, iconSize().height()));
}
