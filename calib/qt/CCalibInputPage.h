#pragma once

#include "calib/CCalibInfo.h"

#include <QWidget>

#include <functional>
#include <string>

class CCommInterface;
class CParBase;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The "Calib." page: re-points the 0 % and 100 % ends of an input or output range to values
// captured from the running device, and stamps the calibrated date. The buttons talk to the
// device directly under the connection lock (window thread); what the page shows comes only
// from the latest poll's calibration record through update(). The window enables the page
// (setEnabled) while online with "Unlock" checked; the buttons follow at once.
class CCalibInputPage : public QWidget {
    Q_OBJECT
public:
    explicit CCalibInputPage(QWidget* parent = nullptr);

    // The connection, lent by the window; without one the buttons do nothing.
    void SetComm(CCommInterface* comm) { m_comm = comm; }
    // The device's calibration record and parameter set of the latest poll (set may be null;
    // it is lent until the next update).
    void update(const CCalibInfo& info, CParBase* set);

    int CalibInput() const { return m_calibInput; }
    int CalibOutput() const { return m_calibOutput; }

private:
    struct Group {
        QPushButton* start = nullptr;
        QPushButton* zero = nullptr;
        QPushButton* full = nullptr;
        QPushButton* set = nullptr;
        QLineEdit* zeroValue = nullptr;
        QLineEdit* fullValue = nullptr;
        QRadioButton* radio[2] = {};
    };

    void changeEvent(QEvent* event) override;
    // Shows the last record as the page's state allows; true while a cycle runs.
    bool ApplyStates();
    QWidget* MakeGroup(int captionId, const QString& name, Group& group, int& channel);
    void ApplyGroup(Group& group, bool offered, bool active, const CCalibInfo& info);
    void Run(const std::function<void(CCommInterface&)>& action, const std::string& operation = {});
    // Before "Set": a captured zero not below the captured full scale is asked about (default
    // No). True when the write may go ahead.
    bool ConfirmCapturedSpan();

    CCommInterface* m_comm = nullptr;
    CParBase* m_set = nullptr;
    CCalibInfo m_info; // the last update's
    int m_calibInput = 0;
    int m_calibOutput = 0;
    Group m_input;
    Group m_output;
};
