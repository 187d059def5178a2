#pragma once

#include "app/qt/CObserverDialog.h"
#include "comm/CCommInterface.h"
#include "model/CParBase.h"

#include <QPointer>

#include <memory>

class CDeviceSummaryPage;
class CInputSettingPage;
class CParameterListCtrl;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QTabWidget;

// The main window: the device pane (what the connected device reports, the device operations)
// on the left, the file pane (one parameter set opened from or saved to a file, chosen by
// model) on the right. Run modally by CVELKApp; every exec builds the contents anew from the
// current language, keeping the file set and both tab selections through the application.
class CVELKDlg : public CObserverDialog {
    Q_OBJECT
public:
    explicit CVELKDlg(QWidget* parent = nullptr);
    ~CVELKDlg() override;

    // Initialisation, then the modal loop. Accepted only after a change of display language.
    int exec() override;
    // Initialisation alone (tests and the screenshot tool show the window without a loop).
    void Initialise();

    // Enter never closes the window: it starts editing in the focused list.
    void OnEnter();
    // Escape does nothing.
    void reject() override;

    // The file pane.
    CParBase* FileSet() const { return m_fileSet.get(); }
    int FileTab() const { return m_fileTab; }
    int DeviceTab() const;
    void RefreshFilePane();
    void OnOpenFile();
    void OnSaveFile();
    void OnSelect();
    // A menu command of the model menu: type code.
    void OnModelCommand(int typeCode);
    // The model menu as the Select button shows it (owned by the caller).
    QMenu* BuildModelMenu(QWidget* parent);
    void OnPreferences();

    // Controls, by their role.
    QPushButton* ConnectButton() const { return m_connect; }
    QPushButton* PreferencesButton() const { return m_preferences; }
    QCheckBox* UnlockBox() const { return m_unlock; }
    QPushButton* UploadButton() const { return m_upload; }
    QPushButton* DownloadButton() const { return m_download; }
    QPushButton* CompareButton() const { return m_compareButton; }
    QPushButton* TrendGraphButton() const { return m_trendGraph; }
    QPushButton* InitializeButton() const { return m_initialize; }
    QPushButton* InputCalibButton() const { return m_inputCalib; }
    QPushButton* OutputCalibButton() const { return m_outputCalib; }
    QPushButton* OpenFileButton() const { return m_openFile; }
    QPushButton* SaveFileButton() const { return m_saveFile; }
    QPushButton* SelectButton() const { return m_select; }
    QLabel* Indicator() const { return m_indicator; }
    QLabel* StatusLine() const { return m_status; }
    QProgressBar* Progress() const { return m_progress; }
    QLineEdit* ModelEdit() const { return m_modelEdit; }
    QTabWidget* DeviceTabs() const { return m_deviceTabs; }
    QTabWidget* FileTabs() const { return m_fileTabs; }
    CInputSettingPage* FilePage() const { return m_filePage; }
    CParameterListCtrl* DeviceInfoList() const;
    CParameterListCtrl* BasicList() const;
    CParameterListCtrl* FileList() const;
    CCommInterface& Comm() { return m_comm; }

protected:
    void OnObserverUpdate(CObservable* source) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildContents();
    void OnFileTabChanged(int index);

    CCommInterface m_comm;
    std::unique_ptr<CParBase> m_fileSet;
    int m_fileTab = 0;

    QPointer<QWidget> m_content;
    QLabel* m_indicator = nullptr;
    QPushButton* m_connect = nullptr;
    QPushButton* m_preferences = nullptr;
    QCheckBox* m_unlock = nullptr;
    QLabel* m_status = nullptr;
    QProgressBar* m_progress = nullptr;
    QTabWidget* m_deviceTabs = nullptr;
    CDeviceSummaryPage* m_infoPage = nullptr;
    CDeviceSummaryPage* m_basicPage = nullptr;
    QWidget* m_calibPage = nullptr;
    QWidget* m_adjustPage = nullptr;
    QWidget* m_loopTestPage = nullptr;
    QWidget* m_meterArea = nullptr;
    QPushButton* m_upload = nullptr;
    QPushButton* m_download = nullptr;
    QPushButton* m_compareButton = nullptr;
    QPushButton* m_trendGraph = nullptr;
    QPushButton* m_initialize = nullptr;
    QPushButton* m_inputCalib = nullptr;
    QPushButton* m_outputCalib = nullptr;
    QPushButton* m_openFile = nullptr;
    QPushButton* m_saveFile = nullptr;
    QLineEdit* m_modelEdit = nullptr;
    QPushButton* m_select = nullptr;
    QTabWidget* m_fileTabs = nullptr;
    CInputSettingPage* m_filePage = nullptr;
};
