#pragma once

#include "calib/CalibrationSequences.h"

#include <QDialog>

#include <functional>
#include <memory>
#include <string>

class CCommInterface;
class CProcessPrivilege;
class CUpDownEdit;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

// Factory output calibration (privileged mode): per output and output type, the operator arms
// a row with "調整開始", steps the DA count (the device output follows it every second) until
// the reference instrument reads the row's point, and stores the count with the measured value
// by "設定". Holds process mode 5170 from construction until it is closed or destroyed, then
// restores the mode it found; closing releases both forced outputs first. The caller holds the
// connection lock while the dialog is open; modal through exec().
class COutputCalibDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kDaLow = 100;
    static constexpr int kDaHigh = 16000;
    static constexpr int kTimerMs = 1000;

    COutputCalibDialog(int typeCode, CCommInterface* comm, QWidget* parent = nullptr);
    ~COutputCalibDialog() override;

    // One tick of the 1000 ms timer: sends the DA count of the armed row.
    void TimerTick();
    // "閉じる", Escape and the close box: releases the forced outputs, then the process mode.
    void done(int result) override;

private:
    enum Row { ZeroRow, FullRow, HalfRow, RowCount };
    struct RowControls {
        QPushButton* start = nullptr;
        CUpDownEdit* da = nullptr;
        QLineEdit* measured = nullptr;
        QPushButton* set = nullptr;
    };

    QGridLayout* CreateSelectors(int typeCode);
    QGridLayout* CreateRows();
    void OnTypeChanged(int index);
    void OnStart(Row row);
    void OnStore(Row row);
    // A failure shows message 206, disarms every row and returns the type list to its prompt.
    bool Run(const std::function<void(CCommInterface&)>& action, const std::string& operation = {});
    void Release(bool report);
    int Output() const;
    int TypeIndex() const;

    int m_typeCode;
    CCommInterface* m_comm;
    std::unique_ptr<CProcessPrivilege> m_privilege;
    bool m_released = false;

    QComboBox* m_outputSelector = nullptr;
    QComboBox* m_type = nullptr;
    RowControls m_rows[RowCount];
    QPushButton* m_close = nullptr;
    QTimer* m_timer = nullptr;
};
