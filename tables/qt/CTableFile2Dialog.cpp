#include "tables/qt/CTableFile2Dialog.h"

#include "comm/CPrivateException.h"
#include "gui/QtText.h"
#include "model/CParBase.h"
#include "monitor/qt/CGraph.h"

#include <algorithm>

CTableFile2Dialog::CTableFile2Dialog(QWidget* parent) : CTableDialogBase(parent) {
    CGraphView& view = graph()->view();
    view.setPadTop(true);
    view.setAllowNegativeX(true);
    view.setRange(-240, 850, 0, 300);
    Plot(view, m_table, m_unit);
}

double CTableFile2Dialog::DisplayTemperature(double celsius, int unit) {
    return CParBase::CelsiusToDisplay(CParBase::RoundFixed4(celsius), unit) / 10000.0;
}

void CTableFile2Dialog::Plot(CGraphView& graph, const CTableFile2& table, int unit) {
    const std::vector<double>& values = table.values;
    const std::size_t n = values.size();
    if (n == 0) {
        graph.clear();
        return;
    }
    auto temperature = [&](std::size_t j) {
        return DisplayTemperature(table.startTemperature + static_cast<double>(j) * table.step,
                                  unit);
    };
    const auto [lowest, highest] = std::minmax_element(values.begin(), values.end());
    const double vLow = std::min(*lowest, 10000.0);
    const double vHigh = std::max(*highest, 0.0);
    const std::size_t last = n <= 2 ? 1 : n - 1;
    graph.setRange(temperature(0), temperature(last), vLow, vHigh);
    graph.clear();
    for (std::size_t j = 0; j < n; ++j)
        graph.addSample(temperature(j), values[j]);
}

void CTableFile2Dialog::setTable(const CTableFile2& table, int unit) {
    m_table = table;
    m_unit = unit;
    Plot(graph()->view(), m_table, m_unit);
    graph()->update();
}

int CTableFile2Dialog::edit(CTableFile2& table, int unit) {
    setTable(table, unit);
    if (exec() != QDialog::Accepted)
        return kCancel;
    table = m_table;
    return kOk;
}

void CTableFile2Dialog::openFile(const QString& path) {
    CTableFile2 file;
    try {
        file.read(ToStd(path));
    } catch (const CPrivateException& e) {
        showError(FromStd(e.Message()));
        return;
    }
    setTable(file, m_unit);
}

void CTableFile2Dialog::saveFile(const QString& path) {
    try {
        m_table.write(ToStd(path));
    } catch (const CPrivateException& e) {
        showError(FromStd(e.Message()));
    }
}
