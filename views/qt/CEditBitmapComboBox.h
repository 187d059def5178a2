#pragma once

#include "views/qt/CEditComboBox.h"

#include <QPixmap>

#include <map>

// The list editor with a picture in front of each entry, rows as high as their picture. It
// reports to CParEdit exactly like the list editor; no parameter of the current models opens it.
class CEditBitmapComboBox : public CEditComboBox {
    Q_OBJECT
public:
    CEditBitmapComboBox(QWidget* viewport, QWidget* list);

    // Entries given to the next Open get the pictures set here, by index.
    void SetBitmap(int index, const QPixmap& bitmap);
    int WidestBitmap() const { return m_widestBitmap; }
    int ItemHeight(int index) const;

protected:
    void Fill(const std::vector<std::string>& items) override;

private:
    std::map<int, QPixmap> m_bitmaps;
    int m_widestBitmap = 0;
    std::map<int, int> m_itemHeights;
};
