#pragma once

#include "history/CHistory.h"

#include <QDialog>

#include <functional>
#include <string>
#include <vector>

class CCompareList;
class QLabel;
class QPushButton;
class QTableWidget;

// The device history of one serial number beside the main window: its events newest first;
// below them, what one selected write changed or where the sets of two selected events
// differ (as Compare lists them). Any recorded set can go to the file pane, and a calibration
// check gives its certificate.
class CHistoryWindow : public QDialog {
    Q_OBJECT
public:
    // Receives the parameter-file text of the set to show in the file pane.
    using OpenSet = std::function<void(const std::string& text)>;

    CHistoryWindow(std::string serial, OpenSet open, QWidget* parent = nullptr);

    const std::string& Serial() const { return m_serial; }
    // Reads the events afresh (the window calls it after every event it records).
    void Reload();

    QTableWidget* Events() const { return m_events; }
    CCompareList* Differences() const { return m_differences; }

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void ShowSelection();
    std::vector<int> SelectedRows() const;
    // The selected event with its sets; nothing unless exactly one is selected.
    std::optional<HistoryEvent> SelectedEvent() const;
    void ShowDifferences(const std::string& first, const std::string& second,
                         const QString& firstCaption, const QString& secondCaption);

    std::string m_serial;
    OpenSet m_open;
    std::vector<HistoryEvent> m_list;
    QTableWidget* m_events = nullptr;
    CCompareList* m_differences = nullptr;
    QLabel* m_summary = nullptr;
    QPushButton* m_openSet = nullptr;
    QPushButton* m_certificate = nullptr;
};
