#pragma once

#include "views/CompareWalk.h"

#include "gui/CPrintSheet.h"

#include <QDialog>

class CCompareList;
class CParBase;
class QLabel;

// Compare Results: every setting of the device set beside the file set, the differing ones
// marked, and a line saying how many differ. Changes neither set.
class CCompareDialog : public QDialog {
    Q_OBJECT
public:
    // Both sets are lent and of the same model (the caller checks the type codes).
    CCompareDialog(CParBase* deviceSet, CParBase* fileSet, QWidget* parent = nullptr);

    CCompareList* List() const { return m_list; }
    QString ResultText() const;
    int Mismatches() const { return m_mismatches; }
    int FirstMismatchRow() const { return m_firstMismatch; }
    // What Print prints, stamped with the time it is asked for.
    PrintSheet Sheet() const;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    CParBase* m_deviceSet;
    CParBase* m_fileSet;
    CCompareList* m_list;
    QLabel* m_result;
    int m_mismatches = 0;
    int m_firstMismatch = -1;
    bool m_scrolled = false;
    PrintSheet m_sheet;
};
