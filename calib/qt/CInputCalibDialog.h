#pragma once

#include "calib/CalibrationSequences.h"

#include <QDialog>

#include <functional>
#include <memory>
#include <string>

class CCommInterface;
class CProcessPrivilege;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// Factory input calibration (privileged mode): stores the input's AD counts at 0 % and 100 %
// with the true values the operator measured, per input type (per amplifier gain for the
// resistance thermometer), and the reference resistance and voltage. Holds process mode 5170
// from construction until it is closed or destroyed, then restores the mode it found. The
// caller holds the connection lock while the dialog is open; modal through exec().
class CInputCalibDialog : public QDialog {
    Q_OBJECT
public:
    CInputCalibDialog(int typeCode, CCommInterface* comm, QWidget* parent = nullptr);
    ~CInputCalibDialog() override;

    // "閉じる", Escape and the close box: releases the gain, then the process mode.
    void done(int result) override;

private:
    QGridLayout* CreateSelectors(int typeCode);
    QGridLayout* CreateRows();
    QGroupBox* CreateReference();
    void OnTypeChanged(int index);
    void OnStorePoint(CalibPoint point);
    void OnStoreReference(int address, QLineEdit* edit);
    // Communication failures are shown with the error's own message; the dialog stays open.
    bool Run(const std::function<void(CCommInterface&)>& action, const std::string& operation = {});
    void Release(bool report);
    int TypeIndex() const;

    int m_typeCode;
    CCommInterface* m_comm;
    std::unique_ptr<CProcessPrivilege> m_privilege;
    bool m_released = false;

    QComboBox* m_inputSelector = nullptr;
    QComboBox* m_type = nullptr;
    QLineEdit* m_zeroAd = nullptr;
    QLineEdit* m_fullAd = nullptr;
    QLineEdit* m_zeroMeasured = nullptr;
    QLineEdit* m_fullMeasured = nullptr;
    QPushButton* m_zeroSet = nullptr;
    QPushButton* m_fullSet = nullptr;
    QLineEdit* m_voltage = nullptr;
    QLineEdit* m_resistance = nullptr;
    QPushButton* m_voltageSet = nullptr;
    QPushButton* m_resistanceSet = nullptr;
    QPushButton* m_close = nullptr;
};
