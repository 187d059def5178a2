#pragma once

#include "app/qt/CObserverDialog.h"
#include "calib/CAdjustInfo.h"
#include "calib/CCalibInfo.h"
#include "comm/CCommInterface.h"
#include "device/CDeviceInterfaceThread.h"
#include "history/CHistory.h"
#include "model/CParBase.h"

#include <QPointer>

#include <memory>
#include <optional>

class CAOTestPage;
class CAdjustInputPage;
class CCalibInputPage;
class CDeviceSummaryPage;
class CGraphPage;
class CMeterPanel;
class CInputSettingPage;
class CParameterListCtrl;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QTimer;
class QVBoxLayout;
class QToolButton;

// The main window: the device pane (what the connected device reports, the device operations)
// on the left, the file pane (one parameter set opened from or saved to a file, chosen by
// model) on the right. It owns the connection, polls the device continuously on a long-lived
// device thread (exactly one poll outstanding) and runs each upload, download and compare on a
// transfer thread; their results arrive through the observer queue and drive the UI states.
// Run modally by CVELKApp; every exec builds the contents anew from the current language,
// keeping the file set and both tab selections through the application.
class CVELKDlg : public CObserverDialog {
    Q_OBJECT
public:
    enum UiState { kNone = -1, kOffline = 0, kSearching = 1, kOnline = 2, kBusy = 3 };

    explicit CVELKDlg(QWidget* parent = nullptr);
    ~CVELKDlg() override;

    // Initialisation, then the modal loop. Accepted only after a change of display language.
    int exec() override;
    // Initialisation alone: contents, pages, polling thread, timer (tests and the screenshot
    // tool show the window without a nested loop).
    void Initialise();
    // Shutdown: stops the polling thread and any transfer before the connection and the file
    // set go; records the file set's model as DeviceId.
    void Shutdown();
    // Escape does nothing; the window closes only through its close command.
    void reject() override;

    int UiStateValue() const { return m_uiState; }
    bool IsConnectRequested() const { return m_connect; }
    bool IsPollPending() const { return m_pollPending; }
    // Poll commands posted since Initialise (each after the previous result was handled).
    int PollsPosted() const { return m_pollsPosted; }
    bool IsTransferRunning() const { return m_transfer != nullptr; }
    bool GraphOpen() const { return m_graph != nullptr; }
    // The device's set: the one the polling thread's device interface holds.
    CParBase* DeviceSet() const;
    CDeviceInterfaceThread* PollThread() const { return m_poll.get(); }
    CDeviceInterfaceThread* TransferThread() const { return m_transfer.get(); }
    CCommInterface& Comm() { return m_comm; }

    // The window's actions, as the buttons run them.
    void OnConnect();
    void OnPreferences();
    void OnUpload();
    void OnDownload();
    void OnCompare();
    // Stops the running upload or compare after its current request, a download after its
    // current parameter with the process mode put back.
    void OnCancelTransfer();
    void OnTrendGraph();
    void OnInitialize();
    void OnInputCalib();
    void OnOutputCalib();
    void OnOpenFile();
    // Opens path into the file pane as Open File does (unsaved changes are offered for saving
    // first); a drop on the window and the recent-files menu come here.
    void OpenFilePath(const QString& path);
    // The last files opened or saved, newest first (at most eight).
    QStringList RecentFiles() const;
    void OnSaveFile();
    void OnSelect();
    // A command of the model menu: 0x9000 + type code.
    void OnModelCommand(int typeCode);
    // The model menu as Select shows it (owned by parent).
    QMenu* BuildModelMenu(QWidget* parent);
    // Enter never closes the window: it starts editing in the focused list.
    void OnEnter();
    // One 500 ms tick.
    void OnTimer();
    void SetUiState(int state);
    void RefreshFilePane();

    // The file pane.
    CParBase* FileSet() const { return m_fileSet.get(); }
    bool IsFileSetModified() const;
    int FileTab() const { return m_fileTab; }
    int DeviceTab() const;

    // Controls, by their role.
    QLabel* Indicator() const { return m_indicator; }
    QPushButton* ConnectButton() const { return m_connectButton; }
    QPushButton* PreferencesButton() const { return m_preferences; }
    QCheckBox* UnlockBox() const { return m_unlock; }
    QLabel* StatusLine() const { return m_status; }
    QProgressBar* Progress() const { return m_progress; }
    QPushButton* CancelTransferButton() const { return m_cancelTransfer; }
    QTabWidget* DeviceTabs() const { return m_deviceTabs; }
    QPushButton* UploadButton() const { return m_upload; }
    QPushButton* DownloadButton() const { return m_download; }
    QPushButton* CompareButton() const { return m_compareButton; }
    QPushButton* TrendGraphButton() const { return m_trendGraph; }
    QPushButton* HistoryButton() const { return m_history; }
    // The device history of the connected device, else of the file set's serial number.
    void OnHistory();
    QPushButton* InitializeButton() const { return m_initialize; }
    QPushButton* InputCalibButton() const { return m_inputCalib; }
    QPushButton* OutputCalibButton() const { return m_outputCalib; }
    QPushButton* OpenFileButton() const { return m_openFile; }
    QPushButton* SaveFileButton() const { return m_saveFile; }
    QToolButton* RecentFilesButton() const { return m_recentFiles; }
    QPushButton* PrintSheetButton() const { return m_printSheet; }
    // What Print prints: the file pane's set, with the device's identity while online.
    struct PrintSheet CurrentCommissioningSheet();
    QLineEdit* ModelEdit() const { return m_modelEdit; }
    QPushButton* SelectButton() const { return m_select; }
    QTabWidget* FileTabs() const { return m_fileTabs; }
    CInputSettingPage* FilePage() const { return m_filePage; }
    CParameterListCtrl* DeviceInfoList() const;
    // The pages after the first are built when first shown; these build them if need be.
    CParameterListCtrl* BasicList();
    CParameterListCtrl* FileList() const;
    CMeterPanel* Meters() const { return m_meters; }
    CGraphPage* Graph() const { return m_graph; }
    CAdjustInputPage* AdjustPage();
    CCalibInputPage* CalibPage();
    CAOTestPage* LoopTestPage();
    QWidget* Contents() const { return m_content; }

protected:
    void OnObserverUpdate(CObservable* source) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void BuildContents();
    QGroupBox* CreateDevicePane(QWidget* c);
    void CreateDeviceTabs(QGroupBox* deviceGroup);
    enum DeviceTabIndex { kInfoTab, kBasicTab, kCalibTab, kAdjustTab, kLoopTestTab };
    // The page of a device tab, built now if it has not been, in the window's state.
    void EnsurePage(int tab);
    void SetUpDeviceList(CDeviceSummaryPage* page, int captionId);
    void ApplyPageStates();
    QVBoxLayout* CreateTransferButtons(QWidget* c);
    QGroupBox* CreateFilePane(QWidget* c);
    void ConnectButtons();
    void PlaceWindow();
    void ShowDevicePage();
    // The device list of the page shown, from the last poll while that is current.
    void RefreshShownList();
    void UpdateConnectButton();
    void SetConnected(bool connect);
    // Before the port closes: a device in fixed output or in a calibration cycle is asked about
    // ("return to normal operation" is the default). False when the user cancels.
    bool LeaveDeviceSafe(bool canCancel);
    // Before the file set is replaced or the window closes: changes not saved are offered for
    // saving (Save / Discard / Cancel). False: the user stays.
    bool MaySetFileSetAside();
    // Asks for a path (the current file proposed) and saves; false when not saved.
    bool SaveFileSet();
    bool OpenFileSet(const QString& path);
    void AddRecentFile(const QString& path);
    void FillRecentMenu();
    // The file set as it stands now becomes what path holds (empty path: nothing holds it).
    void MarkFileSetSaved(const QString& path, bool saved);
    void UpdateTitle();
    // The window's size and place into the user's settings, for the next run.
    void RememberGeometry();
    bool m_placed = false;
    // What the status line adds to "Currently offline" about the device left behind.
    QString m_offlineNote;
    void PostPoll();
    void OnPollResult();
    void OnTransferDone();
    // A transfer thread lent the connection, observed by the window.
    void StartTransfer();
    // The transfer just ended, in the device history; a history that cannot be written is said
    // once a session and never stops the work.
    void RecordTransfer(CDeviceInterfaceThread& thread);
    // What a page or dialog did to the polled device, in the history.
    std::optional<HistoryEvent> RecordOperation(const struct DeviceOperation& operation);
    void RecordEvent(HistoryEvent& event);
    // Fine adjustment writes as the slider moves: one event a visit of the page, from the
    // device's values at the first write to the values written last when the user moves on.
    void OnAdjustmentRequested();
    // now: with the device's values as polled, without waiting for a poll to confirm them.
    void FlushAdjustEvent(bool now);
    // The device's whole set as parameter-file text: the one last read or written in full,
    // with the settings and adjustments of the polls. Empty when the window never read this
    // device in full.
    std::string WholeDeviceText(const CParBase& polled);
    // The polled device's set with the given adjustments, as parameter-file text.
    std::string AdjustedDeviceText(const CAdjustInfo& adjust);
    // The guided calibration check beside the window, for the connected device.
    void OnCalibrationCheck();
    QPointer<QDialog> m_checkDialog;
    QPointer<class CHistoryWindow> m_historyWindow;
    QPushButton* m_history = nullptr;
    // A recorded set into the file pane, as if opened from a file never saved.
    void OpenSetText(const std::string& text);
    void StopPolling();
    void StopTransfer();
    void OnFileTabChanged(int index);
    void OnGraphClosed();
    void ApplyIndicatorColour();

    CCommInterface m_comm;
    std::unique_ptr<CDeviceInterfaceThread> m_poll;
    std::unique_ptr<CDeviceInterfaceThread> m_transfer;
    std::unique_ptr<CParBase> m_fileSet;
    // Stands in for the device on the calibration and loop test pages while there is none.
    std::unique_ptr<CParBase> m_emptyDeviceSet;
    int m_fileTab = 0;
    int m_uiState = kNone;
    bool m_connect = false;
    bool m_compare = false;
    bool m_pollPending = false;
    // The poll command posted last has not been answered yet.
    bool m_pollOutstanding = false;
    int m_pollsPosted = 0;
    // The last poll's device set: the device lists show it, painted from their own copies of
    // its texts. The hidden list catches up when its page is shown.
    std::unique_ptr<CParBase> m_polledSet;
    CParBase* m_polledLive = nullptr; // the device set as that poll result handed it over
    bool m_polledCurrent = false;     // no transfer or disconnection since

    QPointer<QWidget> m_content;
    QTimer* m_timer = nullptr;
    QLabel* m_indicator = nullptr;
    QPushButton* m_connectButton = nullptr;
    QPushButton* m_preferences = nullptr;
    QCheckBox* m_unlock = nullptr;
    QLabel* m_status = nullptr;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_cancelTransfer = nullptr;
    QToolButton* m_recentFiles = nullptr;
    QPushButton* m_printSheet = nullptr;
    // Where the file set was last opened from or saved to (empty: never), and its settings as
    // they were then; unset until the first showing. Kept across a language switch.
    QString m_filePath;
    std::optional<std::string> m_savedSettings;
    bool m_transferCancelled = false;
    // The device's set as this window last read or wrote it (model and serial, parameter-file
    // text): the set before a download, for the history.
    std::string m_knownDeviceKey;
    std::string m_knownDeviceText;
    bool m_historyWarned = false;
    std::optional<std::string> m_adjustBefore;
    bool m_adjustClosing = false; // the page was left; the event waits for the next poll
    CAdjustInfo m_deviceAdjust;
    CCalibInfo m_polledCalib;
    QTabWidget* m_deviceTabs = nullptr;
    CDeviceSummaryPage* m_infoPage = nullptr;
    CDeviceSummaryPage* m_basicPage = nullptr;
    CCalibInputPage* m_calibPage = nullptr;
    CAdjustInputPage* m_adjustPage = nullptr;
    CAOTestPage* m_loopTestPage = nullptr;
    CMeterPanel* m_meters = nullptr;
    CGraphPage* m_graph = nullptr;
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
