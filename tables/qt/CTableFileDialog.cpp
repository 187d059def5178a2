#include "tables/qt/CTableFileDialog.h"

#include "comm/CPrivateException.h"
#include "gui/QtText.h"
#include "monitor/qt/CGraph.h"

#include <algorithm>

CTableFileDialog::CTableFileDialog(QWidget* parent) : CTableDialogBase(parent) {
    CGraphView& view = graph()->view();
    view.setPadTop(true);
    view.setAllowNegativeX(true);
    view.setRange(-15, 115, -15, 115);
    Plot(view, m_table);
}

void CTableFileDialog::Plot(CGraphView& graph, const CTableFile& table) {
    graph.clear();
    const std::size_t n = std::min(table.xValues.size(), table.yValues.size());
    for (std::size_t i = 0; i < n; ++i)
        graph.addSample(table.xValues[i], table.yValues[i]);
}

void CTableFileDialog::setTable(const CTableFile& table) {
    m_table = table;
    Plot(graph()->view(), m_table);
    graph()->update();
}

void CTableFileDialog::openFile(const QString& path) {
    // Read into a separate table: a failed read leaves a partial one, which is thrown away.
    CTableFile file;
    try {
        file.read(ToStd(path));
    } catch (const CPrivateException& e) {
        showError(FromStd(e.Message()));
        return;
    }
    setTable(file);
}

void CTableFileDialog::saveFile(const QString& path) {
    try {
        m_table.write(ToStd(path));
    } catch (const CPrivateException& e) {
        showError(FromStd(e.Message()));
    }
}
