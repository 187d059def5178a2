#pragma once

#include <QDialog>

#include <memory>

class QPlainTextEdit;
class QPushButton;

// A window beside the main window showing the Modbus debug trace as it is written: each line
// with the time it was written (milliseconds), each frame's bytes in hex after the line of its
// request ("> " sent, "< " received). While it exists it is the trace sink; lines written on
// the device threads are queued onto the GUI thread. Lines still queued when it goes are
// dropped. "Save" writes what it shows to a text file.
class CTraceWindow : public QDialog {
    Q_OBJECT
public:
    explicit CTraceWindow(QWidget* parent = nullptr);
    ~CTraceWindow() override;

    static constexpr int kMaxLines = 5000;

    QPlainTextEdit* Text() const { return m_text; }
    QPushButton* SaveButton() const { return m_save; }
    // Writes the shown lines to path; false (after a message) when it cannot.
    bool SaveTo(const QString& path);

private:
    void Append(const QString& stamped);

    QPlainTextEdit* m_text;
    QPushButton* m_save;
    // Liveness token of the queued appends.
    std::shared_ptr<CTraceWindow*> m_self;
};
