#pragma once

#include <QDialog>

class CGraph;
class QPushButton;

// What both "Linearize Table" dialogs share: the plot over the whole dialog and the buttons
// "Open File", "Save File", "OK" and "Cancel". The file buttons ask for a path with a standard
// dialog titled with their caption and no file-type filter, then call openFile or saveFile.
class CTableDialogBase : public QDialog {
    Q_OBJECT
public:
    CGraph* graph() const { return m_graph; }
    QPushButton* openButton() const { return m_open; }
    QPushButton* saveButton() const { return m_save; }
    QPushButton* okButton() const { return m_ok; }
    QPushButton* cancelButton() const { return m_cancel; }

protected:
    explicit CTableDialogBase(QWidget* parent);

    // Read or write the dialog's table at path; a file error is shown and the table stays.
    virtual void openFile(const QString& path) = 0;
    virtual void saveFile(const QString& path) = 0;
    // Shows the message of a failed file operation.
    void showError(const QString& text);

private:
    void onOpenFile();
    void onSaveFile();

    CGraph* m_graph;
    QPushButton* m_open;
    QPushButton* m_save;
    QPushButton* m_ok;
    QPushButton* m_cancel;
};
