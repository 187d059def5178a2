#pragma once

#include "tables/CTableFile2.h"
#include "tables/qt/CTableDialogBase.h"

class CGraphView;

// "Linearize Table" for a temperature table (custom RTD or thermocouple): plots the sensor
// values over their temperatures in the display unit, loads and saves temperature table files.
class CTableFile2Dialog : public CTableDialogBase {
    Q_OBJECT
public:
    static constexpr int kOk = 1;
    static constexpr int kCancel = 2;

    explicit CTableFile2Dialog(QWidget* parent = nullptr);

    // Copies table in, runs the dialog modally; on OK copies values, start and step back and
    // returns kOk; on Cancel returns kCancel with table unchanged. unit: 0 deg C, 1 deg F, 2 K.
    int edit(CTableFile2& table, int unit);

    // Replaces the dialog's table and unit and replots (edit does this before running).
    void setTable(const CTableFile2& table, int unit);
    const CTableFile2& table() const { return m_table; }
    int temperatureUnit() const { return m_unit; }

    // The temperature of celsius in unit, rounded on fixed-4 values as the parameter sets do.
    static double DisplayTemperature(double celsius, int unit);
    // The plot of table: the range spans the first to the last point (at least one step) and
    // the values with 0 and 10000 pulled in; an empty table only clears the graph.
    static void Plot(CGraphView& graph, const CTableFile2& table, int unit);

protected:
    void openFile(const QString& path) override;
    void saveFile(const QString& path) override;

private:
    CTableFile2 m_table;
    int m_unit = 0;
};
