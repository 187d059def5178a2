#pragma once

#include "history/CHistory.h"

#include <QDialog>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class QVBoxLayout;

// What the check needs of the window: the device's live input and its range, in the unit the
// input is shown in.
struct CheckDevice {
    std::string model;
    std::string serial;
    std::string unit;
    double zero = 0; // the input at 0 % and 100 %
    double full = 100;
    // The input value of the latest poll; nothing while the device does not answer.
    std::function<std::optional<double>()> reading;
};

// The guided calibration check behind a certificate: the technician applies reference values to
// the input and takes the device's reading at each point as found, adjusts or calibrates the
// device in the main window (the dialog stays open beside it), then takes the points again as
// left. Finish records the check in the device history and offers the certificate as a PDF.
class CCalibrationCheckDialog : public QDialog {
    Q_OBJECT
public:
    CCalibrationCheckDialog(CheckDevice device, const std::string& technician,
                            QWidget* parent = nullptr);

    // The name the technician gave (the window keeps it in the preferences).
    std::string Technician() const;

    // Take Reading on the current row, then the next row becomes current.
    void TakeReading();
    // Ends the as-found points; the table waits for the as-left ones.
    void StartAsLeft();
    // Records the check (and offers the certificate); false when points are missing.
    bool Finish();

    void reject() override;

private:
    void CreateButtons(QVBoxLayout* layout);
    void AddRow(double reference);
    void UpdateRow(int row);
    void UpdateStep();
    // The table's points of the current phase; false (and the rows said) when one is missing.
    bool CollectPhase(std::vector<CalibrationPoint>& into) const;
    double Span() const { return m_device.full - m_device.zero; }

    CheckDevice m_device;
    std::vector<CalibrationPoint> m_asFound;
    bool m_asLeft = false;
    bool m_readingTaken = false;
    QLabel* m_step = nullptr;
    QLineEdit* m_technician = nullptr;
    QDoubleSpinBox* m_tolerance = nullptr;
    QTableWidget* m_table = nullptr;
    QPushButton* m_take = nullptr;
    QPushButton* m_next = nullptr;
    QPushButton* m_finish = nullptr;
};
