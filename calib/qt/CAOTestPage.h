#pragma once

#include <QWidget>

#include <cstdint>

class CCommInterface;
class CParBase;
class QLabel;
class QLineEdit;
class QPushButton;

// The "Loop Test" page: "Fixed Out" puts the device into fixed-output mode, each output row
// queues a typed value that the next poll result sends (after the model's limit check), and
// "Normal Out" returns to normal operation. All traffic runs on the window thread under the
// connection lock. The window enables the page (setEnabled) while online.
class CAOTestPage : public QWidget {
    Q_OBJECT
public:
    explicit CAOTestPage(QWidget* parent = nullptr);

    // The connection, lent by the window; without one nothing is sent.
    void SetComm(CCommInterface* comm) { m_comm = comm; }
    // The device's parameter set of the latest poll (a default set while offline); sends the
    // queued values when the device is in fixed-output mode.
    void update(CParBase* set);
    // Enter pressed in the window: in the output box of a row it runs that row's "Set".
    bool HandleEnter();

    bool IsPending(int output) const { return m_pendingSet[output]; }
    int32_t PendingValue(int output) const { return m_pendingValue[output]; }

private:
    void OnSet(int output);
    void SendPending(CParBase& set, int outputs, bool fixed);

    CCommInterface* m_comm = nullptr;
    int32_t m_pendingValue[2] = {}; // fixed-4
    bool m_pendingSet[2] = {};

    QPushButton* m_fixedOut = nullptr;
    QPushButton* m_normalOut = nullptr;
    QLabel* m_rowLabel[2] = {};
    QLineEdit* m_value[2] = {};
    QLabel* m_unit[2] = {};
    QPushButton* m_set[2] = {};
    QWidget* m_contactRow[2] = {};
};
