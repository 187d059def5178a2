#pragma once

#include "tables/CTableFile.h"
#include "tables/qt/CTableDialogBase.h"

class CGraphView;

// "Linearize Table" for an XY table in percent: plots the pairs (x across, y up) in a fixed
// view of -15..115 % on both axes, loads and saves XY table files. The caller fills the table,
// runs the dialog and reads the table back on OK.
class CTableFileDialog : public CTableDialogBase {
    Q_OBJECT
public:
    explicit CTableFileDialog(QWidget* parent = nullptr);

    // Replaces the dialog's table and replots it.
    void setTable(const CTableFile& table);
    const CTableFile& table() const { return m_table; }

    // The plot of table: every pair as a sample in table order; the view is left alone.
    static void Plot(CGraphView& graph, const CTableFile& table);

protected:
    void openFile(const QString& path) override;
    void saveFile(const QString& path) override;

private:
    CTableFile m_table;
};
