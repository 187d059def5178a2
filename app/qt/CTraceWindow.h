#pragma once

#include <QDialog>

#include <memory>

class QPlainTextEdit;

// A window beside the main window showing the Modbus debug trace as it is written. While it
// exists it is the trace sink; lines written on the device threads are queued onto the GUI
// thread. Lines still queued when the window goes are dropped.
class CTraceWindow : public QDialog {
    Q_OBJECT
public:
    explicit CTraceWindow(QWidget* parent = nullptr);
    ~CTraceWindow() override;

    static constexpr int kMaxLines = 5000;

    QPlainTextEdit* Text() const { return m_text; }

private:
    void Append(const std::string& line);

    QPlainTextEdit* m_text;
    // Liveness token of the queued appends.
    std::shared_ptr<CTraceWindow*> m_self;
};
