#pragma once

#include "comm/CObservable.h"
#include "monitor/CTrendRecorder.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <cstdint>
#include <functional>

class CGraph;
class CParBase;
class QLabel;
class QPushButton;

// The trend graph page: records the live input value of every poll result while running and
// shows it in its graph, live while recording and browsable (pan, zoom) after "Stop". "Close"
// stops and notifies the observers; the main window hides the page on that update. Window
// thread only.
class CGraphPage : public QWidget, public CObservable {
    Q_OBJECT
public:
    explicit CGraphPage(QWidget* parent);

    // One poll result: takes the text of parameter 60000 and the input unit of model. Does
    // nothing unless running (or for a null model).
    void addSample(CParBase* model);
    // "Start" (true) or "Stop" (false) as the buttons do them; ignored when already so.
    void SetRunning(bool running);
    // Whether the device answers the polls: while it does not, the page says so above the graph
    // (a recording holds no samples for that time).
    void SetDeviceAnswering(bool answering);
    QLabel* noticeLabel() const { return m_notice; }
    bool running() const { return m_recorder.running(); }

    // Prints the graph into a PDF file at path without asking; false when it can not be written.
    bool printToPdf(const QString& path);
    // What a print carries above the graph: the device, when it was recorded, the unit and the
    // time of printing.
    QStringList printHeader() const;
    // Writes the recorded samples as CSV to path; false (the message shown) on failure.
    bool saveCsv(const QString& path);

    CGraph* graph() const { return m_graph; }
    const CTrendRecorder& recorder() const { return m_recorder; }
    // Replaces the monotonic millisecond clock of the samples (tests); null restores it.
    void setClockForTest(std::function<int64_t()> clock);

    QPushButton* startButton() const { return m_start; }
    QPushButton* stopButton() const { return m_stop; }
    QPushButton* closeButton() const { return m_close; }
    QPushButton* printButton() const { return m_print; }
    QPushButton* saveCsvButton() const { return m_saveCsv; }

private:
    void onStart();
    void onStop();
    void onClose();
    void onPrint();
    void onSaveCsv();
    void updateButtons();
    int64_t now() const;

    CGraph* m_graph;
    CTrendRecorder m_recorder;
    std::function<int64_t()> m_clock;
    // The recorded device and the wall-clock times of the first and last sample.
    QString m_device;
    QString m_unit;
    QDateTime m_first;
    QDateTime m_last;
    QLabel* m_notice;
    QPushButton* m_start;
    QPushButton* m_stop;
    QPushButton* m_close;
    QPushButton* m_print;
    QPushButton* m_saveCsv;
};
