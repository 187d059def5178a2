#include "app/qt/CVELKDlg.h"

#include "app/CAppSettings.h"
#include "app/CSettingsStore.h"
#include "app/ProgramPaths.h"
#include "app/qt/CQtDispatcher.h"
#include "app/qt/CUserGuide.h"
#include "app/qt/CVELKApp.h"
#include "calib/CalibrationSequences.h"
#include "calib/qt/CAOTestPage.h"
#include "calib/qt/CAdjustInputPage.h"
#include "calib/qt/CCalibInputPage.h"
#include "calib/qt/CInputCalibDialog.h"
#include "calib/qt/COutputCalibDialog.h"
#include "comm/MessageFormat.h"
#include "gui/CMessageBox.h"
#include "gui/CPrintSheet.h"
#include "gui/DeviceHistory.h"
#include "gui/QtText.h"
#include "model/CDeviceType.h"
#include "model/CModelContext.h"
#include "model/CProcessPrivilege.h"
#include "model/ParameterFile.h"
#include "monitor/ColourContrast.h"
#include "monitor/qt/CGraphPage.h"
#include "monitor/qt/CMeterPanel.h"
#include "resources/CStringTable.h"
#include "resources/CaptionIds.h"
#include "resources/StringIds.h"
#include "views/qt/CCompareDialog.h"
#include "views/qt/CDeviceSummaryPage.h"
#include "views/qt/CInputSettingPage.h"
#include "views/qt/CParameterListCtrl.h"

#include <QApplication>
#include <QByteArray>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <mutex>
#include <tuple>

namespace {
constexpr int kTimerPeriodMs = 500;
constexpr uint32_t kConnectedColour = 0xFFB4B4;      // red 180, green 180, blue 255
constexpr uint32_t kDisconnectedColour = 0xB4FFFF;   // red 255, green 255, blue 180
constexpr uint32_t kInitializeTextColour = 0x0000FF; // red
constexpr int kInitializeRegister = 30000;
// The size of the first showing: within a 1366 x 768 screen less a panel.
constexpr QSize kDefaultSize(1340, 720);
constexpr const char* kWindowGeometry = "WindowGeometry";
constexpr uint16_t kInitializeValue = 99;

// Alt + letter presses the button, in both languages; every letter once in the window.
QPushButton* MakeButton(QWidget* parent, int captionId, const char* name, QChar mnemonic = {}) {
    QString text = Tr(captionId);
    auto* button = new QPushButton(mnemonic.isNull() ? text : WithMnemonic(text, mnemonic), parent);
    button->setObjectName(name);
    return button;
}

// The window's icon in a build tree, where the icon theme has none.
QIcon DrawnIcon() {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(FromColorRef(kConnectedColour));
    painter.setPen(QPen(QColor(40, 60, 120), 2));
    painter.drawRoundedRect(QRectF(2, 2, 28, 28), 5, 5);
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(14);
    painter.setFont(font);
    painter.setPen(QColor(40, 60, 120));
    painter.drawText(QRect(0, 0, 32, 32), Qt::AlignCenter, "Q3");
    return QIcon(pixmap);
}

} // namespace

CVELKDlg::CVELKDlg(QWidget* parent) : CObserverDialog(parent) {
    setObjectName("CVELKDlg");
    setAcceptDrops(true);
    // The desktop's standard keys, in every language and in the trend graph too. A key does
    // what its button does, and nothing while the button is off or hidden.
    auto shortcut = [this](QKeySequence::StandardKey key, auto slot) {
        connect(new QShortcut(key, this), &QShortcut::activated, this, slot);
    };
    auto usable = [](QWidget* button) {
        return button && button->isVisible() && button->isEnabled();
    };
    shortcut(QKeySequence::Open, [this, usable] {
        if (usable(m_openFile))
            OnOpenFile();
    });
    shortcut(QKeySequence::Save, [this, usable] {
        if (usable(m_saveFile))
            OnSaveFile();
    });
    shortcut(QKeySequence::Quit, [this] { close(); });
    shortcut(QKeySequence::HelpContents, [this] { ShowUserGuide(this); });
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_emptyDeviceSet = CDeviceType::NewParameterSet(CDeviceType::kFirstTypeCode);
    SetDeviceHistoryRecorder(
        [this](const DeviceOperation& operation) { return RecordOperation(operation); });
}

CVELKDlg::~CVELKDlg() {
    SetDeviceHistoryRecorder({});
    // Threads first: they borrow the connection and notify this window.
    StopTransfer();
    StopPolling();
}

int CVELKDlg::exec() {
    Initialise();
    return QDialog::exec();
}

void CVELKDlg::Initialise() {
    // The installed icon at once; one drawn here (a build tree) once the window is up, as
    // drawing its text loads a font of its own.
    if (QIcon::hasThemeIcon("q3config"))
        setWindowIcon(QIcon::fromTheme("q3config"));
    else
        QTimer::singleShot(0, this, [this] { setWindowIcon(DrawnIcon()); });
    CVELKApp* app = CVELKApp::Instance();

    // Each showing starts disconnected, matching the connect flag (Preferences may have
    // reconnected just before a language switch).
    m_comm.Disconnect();
    m_connect = false;
    m_uiState = kNone;
    m_compare = false;
    m_pollPending = false;
    m_pollOutstanding = false;
    m_pollsPosted = 0;
    if (app) {
        m_fileSet = app->TakeFileSet();
        m_fileTab = app->FileTab();
        if (PrivilegeMarkerPresent(app->ProgramPath()))
            CModelContext::SetPrivileged(true);
    }
    UseSettingsStore(m_comm, app ? app->Store() : CSettingsStore());
    if (!m_fileSet)
        m_fileSet = CDeviceType::NewParameterSet(CDeviceType::kFirstTypeCode);
    if (!m_savedSettings) {
        QString initial = app ? FromStd(app->InitialFile()) : QString();
        MarkFileSetSaved(initial, true);
        // Said once the window is up: the file named on the command line did not open whole.
        if (std::string error = app ? app->TakeInitialFileError() : std::string(); !error.empty())
            QTimer::singleShot(0, this, [this, error] {
                ShowMessageBox(this, FromStd(error), MessageIcon::Warning);
            });
    }
    if (m_fileTab < 0 || m_fileTab > 2)
        m_fileTab = 0;

    BuildContents();
    UpdateConnectButton();
    m_deviceTabs->setCurrentIndex(app ? app->DeviceTab() : 0);
    RefreshFilePane();

    m_poll = std::make_unique<CDeviceInterfaceThread>();
    m_poll->AddObserver(this);
    m_poll->SetConnection(&m_comm);
    PostPoll();

    m_progress->setRange(0, 100);
    m_unlock->setChecked(false);
    SetUiState(kNone);
    m_timer->start(kTimerPeriodMs);
}

void CVELKDlg::BuildContents() {
    delete m_content;
    m_graph = nullptr;
    m_content = new QWidget(this);
    m_content->setObjectName("contents");
    layout()->addWidget(m_content);
    QWidget* c = m_content;

    m_timer = new QTimer(c);
    connect(m_timer, &QTimer::timeout, this, &CVELKDlg::OnTimer);

    QGroupBox* deviceGroup = CreateDevicePane(c);
    QVBoxLayout* transfer = CreateTransferButtons(c);
    QGroupBox* fileGroup = CreateFilePane(c);
    auto* panes = new QHBoxLayout(c);
    panes->addWidget(deviceGroup, 3);
    panes->addLayout(transfer);
    panes->addWidget(fileGroup, 2);

    ConnectButtons();
    PlaceWindow();
    ApplyIndicatorColour();
}

// Connection, status and transfer progress, the device pages with the meters, the factory row.
QGroupBox* CVELKDlg::CreateDevicePane(QWidget* c) {
    auto* deviceGroup = new QGroupBox(Tr(kCapDeviceConfiguration), c);
    deviceGroup->setObjectName("deviceGroup");
    m_indicator = new QLabel(deviceGroup);
    m_indicator->setObjectName("indicator");
    m_indicator->setAlignment(Qt::AlignCenter);
    m_indicator->setFrameStyle(QFrame::Box | QFrame::Plain);
    m_indicator->setAutoFillBackground(true);
    m_connectButton = MakeButton(deviceGroup, kCapConnect, "connect");
    // Fixed to the larger of its texts, as high as the buttons beside it: the blinking text
    // never lays out the window again.
    QSize indicatorSize(100, m_connectButton->sizeHint().height());
    for (int id : {kStrIndicatorOnline, kStrIndicatorOffline}) {
        m_indicator->setText(Tr(id));
        indicatorSize = indicatorSize.expandedTo(m_indicator->sizeHint());
    }
    m_indicator->setFixedSize(indicatorSize);
    m_preferences = MakeButton(deviceGroup, kCapPreferences, "preferences", 'P');
    m_unlock = new QCheckBox(WithMnemonic(Tr(kCapUnlock), 'K'), deviceGroup);
    m_unlock->setObjectName("unlock");
    m_status = new QLabel(deviceGroup);
    m_status->setObjectName("status");
    m_status->setAlignment(Qt::AlignCenter);
    QSizePolicy keepStatus = m_status->sizePolicy();
    keepStatus.setRetainSizeWhenHidden(true);
    m_status->setSizePolicy(keepStatus);
    m_progress = new QProgressBar(deviceGroup);
    m_progress->setObjectName("progress");
    m_progress->setTextVisible(false);
    m_progress->hide();
    m_cancelTransfer = MakeButton(deviceGroup, kCapCancel, "cancelTransfer");
    m_cancelTransfer->hide();

    CreateDeviceTabs(deviceGroup);
    m_meters = new CMeterPanel(deviceGroup);
    // The meters' space is kept while they are hidden: the panes never move between states.
    QSizePolicy meterPolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    meterPolicy.setRetainSizeWhenHidden(true);
    m_meters->setSizePolicy(meterPolicy);
    m_meters->hide();

    m_trendGraph = MakeButton(deviceGroup, kCapTrendGraph, "trendGraph", 'T');
    m_history = MakeButton(deviceGroup, kStrHistoryButton, "history", 'H');
    m_initialize = MakeButton(deviceGroup, kCapInitialize, "initialize", 'I');
    QPalette red = m_initialize->palette();
    red.setColor(QPalette::ButtonText, ReadableOn(FromColorRef(kInitializeTextColour),
                                                  red.color(QPalette::Button), kMarkContrast));
    m_initialize->setPalette(red);
    m_inputCalib = MakeButton(deviceGroup, kCapInputCalib, "inputCalib", 'N');
    m_outputCalib = MakeButton(deviceGroup, kCapOutputCalib, "outputCalib", 'B');

    auto* deviceLayout = new QVBoxLayout(deviceGroup);
    auto* connectRow = new QHBoxLayout();
    connectRow->addWidget(m_indicator);
    connectRow->addWidget(m_connectButton);
    connectRow->addWidget(m_preferences);
    connectRow->addSpacing(8);
    connectRow->addWidget(m_unlock);
    connectRow->addStretch(1);
    deviceLayout->addLayout(connectRow);
    auto* statusRow = new QHBoxLayout();
    statusRow->addWidget(m_status, 1);
    statusRow->addWidget(m_progress, 1);
    statusRow->addWidget(m_cancelTransfer);
    deviceLayout->addLayout(statusRow);
    auto* tabsRow = new QHBoxLayout();
    tabsRow->addWidget(m_deviceTabs, 1);
    tabsRow->addWidget(m_meters);
    deviceLayout->addLayout(tabsRow, 1);
    auto* factoryRow = new QHBoxLayout();
    factoryRow->addWidget(m_trendGraph);
    factoryRow->addWidget(m_history);
    factoryRow->addStretch(1);
    factoryRow->addWidget(m_initialize);
    factoryRow->addWidget(m_inputCalib);
    factoryRow->addWidget(m_outputCalib);
    deviceLayout->addLayout(factoryRow);

    return deviceGroup;
}

// The pages after the first wait in empty holders until first shown (EnsurePage): most sessions
// never open some of them, and building them all delayed the window's first showing.
void CVELKDlg::CreateDeviceTabs(QGroupBox* deviceGroup) {
    m_deviceTabs = new QTabWidget(deviceGroup);
    m_deviceTabs->setObjectName("deviceTabs");
    m_deviceTabs->setMinimumWidth(430);
    m_basicPage = nullptr;
    m_calibPage = nullptr;
    m_adjustPage = nullptr;
    m_loopTestPage = nullptr;
    m_infoPage = new CDeviceSummaryPage();
    m_infoPage->setObjectName("deviceInfoPage");
    m_deviceTabs->addTab(m_infoPage, Tr(kStrPageDeviceInfo));
    for (int id : {kStrPageBasic, kStrPageCalib, kStrPageAdjust, kStrPageLoopTest}) {
        auto* holder = new QWidget();
        auto* holderLayout = new QVBoxLayout(holder);
        holderLayout->setContentsMargins(0, 0, 0, 0);
        m_deviceTabs->addTab(holder, Tr(id));
    }
    SetUpDeviceList(m_infoPage, kStrPageDeviceInfo);
}

void CVELKDlg::SetUpDeviceList(CDeviceSummaryPage* page, int captionId) {
    CParameterListCtrl* list = page->List();
    list->setAccessibleName(Tr(captionId));
    list->AddObserver(this);
    list->SetDeviceLink(&m_comm);
    list->SetLiveSet([this] { return DeviceSet(); });
    list->SetParameterSet(m_polledSet.get());
}

void CVELKDlg::EnsurePage(int tab) {
    QWidget* holder = m_deviceTabs->widget(tab);
    QWidget* page = nullptr;
    if (tab == kBasicTab && !m_basicPage) {
        page = m_basicPage = new CDeviceSummaryPage(holder);
        m_basicPage->setObjectName("basicPage");
        SetUpDeviceList(m_basicPage, kStrPageBasic);
    } else if (tab == kCalibTab && !m_calibPage) {
        page = m_calibPage = new CCalibInputPage(holder);
        m_calibPage->SetComm(&m_comm);
    } else if (tab == kAdjustTab && !m_adjustPage) {
        page = m_adjustPage = new CAdjustInputPage(holder);
        m_adjustPage->AddObserver(this);
        connect(m_adjustPage->CheckButton(), &QPushButton::clicked, this,
                &CVELKDlg::OnCalibrationCheck);
    } else if (tab == kLoopTestTab && !m_loopTestPage) {
        page = m_loopTestPage = new CAOTestPage(holder);
        m_loopTestPage->SetComm(&m_comm);
    }
    if (!page)
        return;
    holder->layout()->addWidget(page);
    page->show(); // with its tab, now rather than at the layout's next turn
    // The window's least size was taken without this page: it may need more.
    setMinimumSize(minimumSize().expandedTo(layout()->totalMinimumSize()));
    ApplyPageStates();
    // Online, the new page starts from the last poll, as the others have.
    if (m_uiState != kOnline || !m_polledCurrent)
        return;
    if (page == m_calibPage)
        m_calibPage->update(m_polledCalib, m_polledLive);
    else if (page == m_adjustPage)
        m_adjustPage->update(m_deviceAdjust);
    else if (page == m_loopTestPage)
        m_loopTestPage->update(m_polledSet.get());
}

CParameterListCtrl* CVELKDlg::BasicList() {
    EnsurePage(kBasicTab);
    return m_basicPage->List();
}

CCalibInputPage* CVELKDlg::CalibPage() {
    EnsurePage(kCalibTab);
    return m_calibPage;
}

CAdjustInputPage* CVELKDlg::AdjustPage() {
    EnsurePage(kAdjustTab);
    return m_adjustPage;
}

CAOTestPage* CVELKDlg::LoopTestPage() {
    EnsurePage(kLoopTestTab);
    return m_loopTestPage;
}

// Upload, download and compare, between the panes.
QVBoxLayout* CVELKDlg::CreateTransferButtons(QWidget* c) {
    m_upload = MakeButton(c, kCapUpload, "upload", 'U');
    m_download = MakeButton(c, kCapDownload, "download", 'D');
    m_compareButton = MakeButton(c, kCapCompare, "compare", 'M');
    auto* transfer = new QVBoxLayout();
    transfer->addStretch(1);
    transfer->addWidget(m_upload);
    transfer->addWidget(m_download);
    transfer->addSpacing(24);
    transfer->addWidget(m_compareButton);
    transfer->addStretch(1);

    return transfer;
}

// The parameter file: open, recent files, save, print, the model and the file's pages.
QGroupBox* CVELKDlg::CreateFilePane(QWidget* c) {
    auto* fileGroup = new QGroupBox(Tr(kCapFileConfiguration), c);
    fileGroup->setObjectName("fileGroup");
    fileGroup->setMinimumWidth(410);
    m_openFile = MakeButton(fileGroup, kCapOpenFile, "openFile", 'O');
    m_saveFile = MakeButton(fileGroup, kCapSaveFile, "saveFile", 'S');
    m_printSheet = MakeButton(fileGroup, kCapPrint, "printSheet", 'R');
    m_printSheet->setToolTip(Tr(kCapCommissioningSheet));
    m_recentFiles = new QToolButton(fileGroup);
    m_recentFiles->setObjectName("recentFiles");
    m_recentFiles->setArrowType(Qt::DownArrow);
    m_recentFiles->setPopupMode(QToolButton::InstantPopup);
    m_recentFiles->setAccessibleName(Tr(kCapRecentFiles));
    m_recentFiles->setToolTip(Tr(kCapRecentFiles));
    m_recentFiles->setMenu(new QMenu(m_recentFiles));
    connect(m_recentFiles->menu(), &QMenu::aboutToShow, this, &CVELKDlg::FillRecentMenu);
    auto* modelLabel = new QLabel(Tr(kCapModel), fileGroup);
    modelLabel->setObjectName("modelLabel");
    m_modelEdit = new QLineEdit(fileGroup);
    m_modelEdit->setObjectName("model");
    m_modelEdit->setReadOnly(true);
    m_modelEdit->setFocusPolicy(Qt::ClickFocus);
    m_select = MakeButton(fileGroup, kCapSelect, "select", 'L');
    m_fileTabs = new QTabWidget(fileGroup);
    m_fileTabs->setObjectName("fileTabs");
    for (int id : {kStrPageBasic, kStrPageOption, kStrPageLinearizer}) {
        auto* holder = new QWidget();
        auto* holderLayout = new QVBoxLayout(holder);
        holderLayout->setContentsMargins(0, 0, 0, 0);
        m_fileTabs->addTab(holder, Tr(id));
    }
    m_fileTabs->setCurrentIndex(m_fileTab);
    m_filePage = new CInputSettingPage();
    m_filePage->SetShownGroup(0);
    m_filePage->List()->SetReadOnly(false);
    m_filePage->List()->setAccessibleName(Tr(kCapFileConfiguration));
    m_fileTabs->widget(m_fileTab)->layout()->addWidget(m_filePage);
    // An edit, or a table action, in the file pane changes the title's modified mark.
    m_filePage->List()->AddObserver(this);

    auto* fileLayout = new QVBoxLayout(fileGroup);
    auto* fileRow = new QHBoxLayout();
    fileRow->addWidget(m_openFile);
    fileRow->addWidget(m_recentFiles);
    fileRow->addWidget(m_saveFile);
    fileRow->addWidget(m_printSheet);
    fileRow->addStretch(1);
    fileLayout->addLayout(fileRow);
    auto* modelRow = new QHBoxLayout();
    modelRow->addWidget(modelLabel);
    modelRow->addWidget(m_modelEdit, 1);
    modelRow->addWidget(m_select);
    fileLayout->addLayout(modelRow);
    fileLayout->addWidget(m_fileTabs, 1);

    return fileGroup;
}

void CVELKDlg::ConnectButtons() {
    connect(m_connectButton, &QPushButton::clicked, this, &CVELKDlg::OnConnect);
    connect(m_preferences, &QPushButton::clicked, this, &CVELKDlg::OnPreferences);
    // The box's state, not a mouse click: a keyboard or an accessibility tool ticks it too.
    connect(m_unlock, &QCheckBox::toggled, this, [this] { SetUiState(kNone); });
    connect(m_upload, &QPushButton::clicked, this, &CVELKDlg::OnUpload);
    connect(m_download, &QPushButton::clicked, this, &CVELKDlg::OnDownload);
    connect(m_compareButton, &QPushButton::clicked, this, &CVELKDlg::OnCompare);
    connect(m_trendGraph, &QPushButton::clicked, this, &CVELKDlg::OnTrendGraph);
    connect(m_history, &QPushButton::clicked, this, &CVELKDlg::OnHistory);
    connect(m_initialize, &QPushButton::clicked, this, &CVELKDlg::OnInitialize);
    connect(m_cancelTransfer, &QPushButton::clicked, this, &CVELKDlg::OnCancelTransfer);
    connect(m_inputCalib, &QPushButton::clicked, this, &CVELKDlg::OnInputCalib);
    connect(m_outputCalib, &QPushButton::clicked, this, &CVELKDlg::OnOutputCalib);
    connect(m_openFile, &QPushButton::clicked, this, &CVELKDlg::OnOpenFile);
    connect(m_saveFile, &QPushButton::clicked, this, &CVELKDlg::OnSaveFile);
    connect(m_printSheet, &QPushButton::clicked, this, [this] {
        PrintSheetWithDialog(this, CurrentCommissioningSheet(),
                             QFileInfo(FromStd(ProposedFileName(*m_fileSet))).completeBaseName());
    });
    connect(m_select, &QPushButton::clicked, this, &CVELKDlg::OnSelect);
    connect(m_deviceTabs, &QTabWidget::currentChanged, this, [this] { ShowDevicePage(); });
    connect(m_fileTabs, &QTabWidget::currentChanged, this, &CVELKDlg::OnFileTabChanged);
}

void CVELKDlg::PlaceWindow() {
    // No smaller than every control needs; the first showing takes the size and place the
    // user left it at, or a size that fits a 1366 x 768 laptop screen.
    setMinimumSize(layout()->totalMinimumSize());
    if (!m_placed) {
        m_placed = true;
        CVELKApp* app = CVELKApp::Instance();
        QByteArray saved = app ? QByteArray::fromBase64(QByteArray::fromStdString(
                                     app->Store().GetString(kSettingsSection, kWindowGeometry)))
                               : QByteArray();
        if (saved.isEmpty() || !restoreGeometry(saved))
            resize(kDefaultSize.expandedTo(minimumSize()));
    }
}

void CVELKDlg::RememberGeometry() {
    CVELKApp* app = CVELKApp::Instance();
    if (!app)
        return;
    try {
        app->Store().SetString(kSettingsSection, kWindowGeometry,
                               saveGeometry().toBase64().toStdString());
    } catch (const CPrivateException&) {
        // The settings file cannot be written: the window opens at its default size next time.
    }
}

int CVELKDlg::DeviceTab() const {
    return m_deviceTabs ? m_deviceTabs->currentIndex() : 0;
}

CParameterListCtrl* CVELKDlg::DeviceInfoList() const {
    return m_infoPage ? m_infoPage->List() : nullptr;
}

CParameterListCtrl* CVELKDlg::FileList() const {
    return m_filePage ? m_filePage->List() : nullptr;
}

CParBase* CVELKDlg::DeviceSet() const {
    return m_poll ? m_poll->Device().DeviceSet() : nullptr;
}

// ---- state machine ----

void CVELKDlg::SetUiState(int state) {
    if (state >= 0)
        m_uiState = state;
    const bool graph = m_graph != nullptr;
    const bool locked = !m_unlock->isChecked();
    const bool online = m_uiState == kOnline;
    const bool busy = m_uiState == kBusy;
    const bool privileged = CModelContext::Privileged();

    // The graph page covers the window: every main control goes with the contents.
    m_content->setVisible(!graph);
    m_meters->setVisible(!graph && online);

    m_upload->setEnabled(online);
    m_compareButton->setEnabled(online);
    m_inputCalib->setEnabled(online);
    m_outputCalib->setEnabled(online);
    m_trendGraph->setEnabled(online);
    m_download->setEnabled(online && !locked);

    m_initialize->setVisible(!graph && privileged);
    m_inputCalib->setVisible(!graph && privileged);
    m_outputCalib->setVisible(!graph && privileged);

    m_preferences->setEnabled(m_uiState == kOffline);
    for (QWidget* w :
         std::initializer_list<QWidget*>{m_openFile, m_recentFiles, m_saveFile, m_printSheet,
                                         m_connectButton, m_select, m_unlock})
        w->setEnabled(!busy);
    // The file set is lent to a running download: no edit while it is copied.
    FileList()->SetReadOnly(busy);

    if (!graph) {
        m_status->setVisible(!online);
        m_progress->setVisible(busy);
        m_cancelTransfer->setVisible(busy);
        m_cancelTransfer->setEnabled(busy && !m_transferCancelled);
    }

    ApplyPageStates();
    ShowDevicePage();
}

// Also for a page built later, which must start in the state the others are in.
void CVELKDlg::ApplyPageStates() {
    const bool locked = !m_unlock->isChecked();
    const bool online = m_uiState == kOnline;
    const bool busy = m_uiState == kBusy;
    for (CDeviceSummaryPage* page : {m_infoPage, m_basicPage}) {
        if (!page)
            continue;
        CParameterListCtrl* list = page->List();
        list->SetReadOnly(locked || !online);
        list->SetRewriteAll(true);
        list->viewport()->update();
    }
    if (m_calibPage)
        m_calibPage->setEnabled(!locked && online);
    if (m_adjustPage) {
        m_adjustPage->SetPageEnabled(!locked && online);
        m_adjustPage->CheckButton()->setEnabled(online && !busy);
    }
    if (m_loopTestPage)
        m_loopTestPage->setEnabled(online);

    if (m_uiState == kOffline || m_uiState == kSearching || busy) {
        // What the last poll read may no longer be so: nothing shows it until the next one.
        m_polledCurrent = false;
        for (CDeviceSummaryPage* page : {m_infoPage, m_basicPage}) {
            if (!page)
                continue;
            page->List()->HideEditors();
            page->List()->setRowCount(0);
        }
        if (m_calibPage)
            m_calibPage->update(CCalibInfo(), m_emptyDeviceSet.get());
        if (m_adjustPage)
            m_adjustPage->update(CAdjustInfo());
        if (m_loopTestPage)
            m_loopTestPage->update(m_emptyDeviceSet.get());
    }
}

void CVELKDlg::RefreshShownList() {
    if (!m_polledCurrent || m_graph || m_uiState != kOnline)
        return;
    for (auto [page, tab, group] : {std::tuple{m_infoPage, kInfoTab, kGroupMonitor},
                                    std::tuple{m_basicPage, kBasicTab, kGroupSettings}})
        if (page && m_deviceTabs->currentIndex() == tab) {
            CParameterListCtrl* list = page->List();
            // An edit points the list at the live set, which only a poll result may read.
            list->SetParameterSet(m_polledSet.get());
            list->SetGroup(group);
            list->Refresh();
        }
}

void CVELKDlg::ShowDevicePage() {
    // The tab widget shows the selected page and hides the others; with the graph open the
    // whole pane is hidden with the contents.
    EnsurePage(m_deviceTabs->currentIndex());
    if (QWidget* page = m_deviceTabs->currentWidget())
        page->setVisible(m_graph == nullptr);
    RefreshShownList();
    if (m_deviceTabs->currentIndex() != kAdjustTab || m_graph)
        FlushAdjustEvent(false);
}

void CVELKDlg::UpdateConnectButton() {
    m_connectButton->setText(
        WithMnemonic(Tr(m_connect ? kStrButtonDisconnect : kStrButtonConnect), 'C'));
    // The indicator's colour follows the connect flag at once; its text at the next tick.
    ApplyIndicatorColour();
}

void CVELKDlg::ApplyIndicatorColour() {
    QPalette palette = m_indicator->palette();
    palette.setColor(QPalette::Window,
                     FromColorRef(m_connect ? kConnectedColour : kDisconnectedColour));
    palette.setColor(QPalette::WindowText,
                     ReadableOn(QApplication::palette().color(QPalette::WindowText),
                                palette.color(QPalette::Window)));
    m_indicator->setPalette(palette);
}

// ---- device threads ----

void CVELKDlg::PostPoll() {
    m_pollOutstanding = true;
    ++m_pollsPosted;
    m_poll->PostCommand(CDeviceInterfaceThread::kPoll);
}

void CVELKDlg::OnObserverUpdate(CObservable* source) {
    // Sources are compared, never dereferenced first: an update queued by a thread that has
    // been stopped since (or a page of contents built before a language switch) names an
    // object that is gone.
    if (m_poll && source == m_poll.get()) {
        // Only the answer to the poll posted last counts.
        if (m_pollOutstanding)
            OnPollResult();
    } else if (m_transfer && source == m_transfer.get()) {
        OnTransferDone();
    } else if (source == static_cast<CObservable*>(m_adjustPage) && m_poll) {
        OnAdjustmentRequested();
        m_poll->RequestAdjustmentWrite(m_adjustPage->Adjust());
    } else if ((source == static_cast<CObservable*>(DeviceInfoList()) ||
                (m_basicPage && source == static_cast<CObservable*>(m_basicPage->List()))) &&
               m_poll) {
        // A device list wrote an edit: the next poll result must not be taken as current.
        m_poll->Device().SetDeviceValid(false);
    } else if (source == static_cast<CObservable*>(FileList())) {
        UpdateTitle();
    } else if (m_graph && source == static_cast<CObservable*>(m_graph)) {
        OnGraphClosed();
    }
}

void CVELKDlg::OnPollResult() {
    if (m_uiState == kBusy) {
        // The poll loop pauses until the transfer has ended.
        m_pollOutstanding = false;
        m_pollPending = true;
        return;
    }
    CDeviceInterface& device = m_poll->Device();
    if (m_graph)
        m_graph->SetDeviceAnswering(device.IsDeviceValid());
    if (device.IsDeviceValid()) {
        if (m_uiState != kOnline)
            SetUiState(kOnline);
        CParBase* set = device.DeviceSet();
        if (m_graph)
            m_graph->addSample(set);
        m_meters->update(set);
        // The lists show the poll's copy: the one shown now, the other when its page is.
        m_polledSet.reset(set->Clone());
        m_polledLive = set;
        m_polledCurrent = true;
        for (CDeviceSummaryPage* page : {m_infoPage, m_basicPage})
            if (page)
                page->List()->SetParameterSet(m_polledSet.get());
        RefreshShownList();
        // Pages built once stay current: they act on the device at a poll (a pending output
        // value, the references of a running calibration).
        m_polledCalib = device.CalibInfo();
        if (m_calibPage)
            m_calibPage->update(m_polledCalib, set);
        m_deviceAdjust = device.AdjustInfo();
        if (m_adjustPage)
            m_adjustPage->update(m_deviceAdjust);
        if (m_adjustClosing)
            FlushAdjustEvent(true);
        if (m_loopTestPage)
            m_loopTestPage->update(set);
    } else if (m_connect && m_uiState != kSearching) {
        m_status->setText(Tr(kMsgStatusSearching));
        SetUiState(kSearching);
    } else if (!m_connect && m_uiState != kOffline) {
        m_status->setText(m_offlineNote.isEmpty() ? Tr(kMsgStatusOffline)
                                                  : Tr(kMsgStatusOffline) + " - " + m_offlineNote);
        SetUiState(kOffline);
    }
    m_pollPending = false;
    PostPoll();
}

void CVELKDlg::StartTransfer() {
    m_transferCancelled = false;
    m_transfer = std::make_unique<CDeviceInterfaceThread>();
    m_transfer->AddObserver(this);
    m_transfer->SetConnection(&m_comm);
}

void CVELKDlg::OnCancelTransfer() {
    if (!m_transfer || m_transferCancelled)
        return;
    m_transferCancelled = true;
    m_transfer->Device().RequestCancel();
    m_cancelTransfer->setEnabled(false);
}

void CVELKDlg::OnUpload() {
    if (!MaySetFileSetAside())
        return;
    StartTransfer();
    m_status->setText(Tr(kMsgStatusUploading));
    m_transfer->Device().DeviceSet()->ResetProgress();
    m_progress->setValue(0);
    SetUiState(kBusy);
    m_compare = false;
    m_transfer->PostCommand(CDeviceInterfaceThread::kUpload);
}

void CVELKDlg::OnDownload() {
    CParBase* device = DeviceSet();
    if (device == nullptr || device->TypeCode() != m_fileSet->TypeCode()) {
        ShowMessageBox(this, Tr(kMsgDownloadOtherModel), MessageIcon::Stop);
        return;
    }
    StartTransfer();
    m_status->setText(Tr(kMsgStatusDownloading));
    m_transfer->Device().DeviceSet()->ResetProgress();
    m_fileSet->ResetProgress();
    m_progress->setValue(0);
    SetUiState(kBusy);
    m_compare = false;
    m_transfer->SetDownloadSet(m_fileSet.get());
    m_transfer->PostCommand(CDeviceInterfaceThread::kDownload);
}

void CVELKDlg::OnCompare() {
    CParBase* device = DeviceSet();
    if (device == nullptr || device->TypeCode() != m_fileSet->TypeCode()) {
        ShowMessageBox(this, Tr(kMsgCompareOtherModel), MessageIcon::Stop);
        return;
    }
    StartTransfer();
    m_status->setText(Tr(kMsgStatusUploading));
    m_transfer->Device().DeviceSet()->ResetProgress();
    m_progress->setValue(0);
    SetUiState(kBusy);
    m_compare = true;
    m_transfer->PostCommand(CDeviceInterfaceThread::kUpload);
}

void CVELKDlg::OnTransferDone() {
    CDeviceInterfaceThread* thread = m_transfer.get();
    RecordTransfer(*thread);
    // What the transfer thread met on its way is shown here, on the window's thread.
    for (const std::string& warning : thread->Device().DeviceSet()->TakeWarnings())
        ShowMessageBox(this, FromStd(warning), MessageIcon::Warning);
    if (const CPrivateException* error = thread->StoredError()) {
        // Asked for: a partly written device is a warning, a stopped read only a note.
        MessageIcon icon = !m_transferCancelled ? MessageIcon::Stop
                           : thread->LastCommand() == CDeviceInterfaceThread::kDownload
                               ? MessageIcon::Warning
                               : MessageIcon::Information;
        ShowMessageBox(this, FromStd(error->Message()), icon);
    } else if (thread->LastCommand() == CDeviceInterfaceThread::kUpload) {
        CParBase* uploaded = thread->Device().DeviceSet();
        if (m_compare) {
            CCompareDialog dialog(uploaded, m_fileSet.get(), this);
            dialog.exec();
        } else {
            m_fileSet.reset(uploaded->Clone());
            MarkFileSetSaved({}, false);
            RefreshFilePane();
        }
    }
    StopTransfer();
    m_progress->setValue(0);
    SetUiState(kOnline);
    if (m_pollPending) {
        m_poll->Device().SetDeviceValid(false);
        m_pollPending = false;
        PostPoll();
    }
}

void CVELKDlg::StopTransfer() {
    if (!m_transfer)
        return;
    // Bounded wait, then the destructor's join: the thread borrows the connection and the file
    // set, so it must have ended before either goes.
    m_transfer->Stop();
    m_transfer.reset();
}

void CVELKDlg::StopPolling() {
    if (!m_poll)
        return;
    m_poll->Stop();
    m_poll.reset();
    m_pollOutstanding = false;
}

// ---- connection ----

void CVELKDlg::OnConnect() {
    if (m_connect && !LeaveDeviceSafe(true))
        return;
    m_connect = !m_connect;
    if (!m_connect)
        FlushAdjustEvent(true);
    SetConnected(m_connect);
    UpdateConnectButton();
}

bool CVELKDlg::LeaveDeviceSafe(bool canCancel) {
    if (!m_comm.IsConnected())
        return true;
    // The device's own word on its mode; the last poll's when it no longer answers.
    uint16_t mode = m_poll ? m_poll->Device().CalibInfo().processMode : kModeNormal;
    try {
        std::lock_guard lock(m_comm.Lock());
        mode = m_comm.ReadUInt16(CProcessPrivilege::kModeRegister);
    } catch (const CPrivateException&) {
    }
    int what = 0;
    if (mode == kModeFixedOutput)
        what = kStrModeFixedOutput;
    else if (IsInputCalibrationMode(mode) || IsOutputCalibrationMode(mode))
        what = kStrModeCalibration;
    if (what == 0)
        return true;
    QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No;
    if (canCancel)
        buttons |= QMessageBox::Cancel;
    auto answer = ShowMessageBox(
        this, FromStd(FormatInserts(LoadStr(kMsgLeaveModeQuestion), {LoadStr(what)})),
        MessageIcon::Question, buttons, QMessageBox::Yes);
    if (answer == QMessageBox::Cancel)
        return false;
    if (answer != QMessageBox::Yes)
        return true;
    try {
        // As "Normal Out" does; a calibration cycle is abandoned, its range not written.
        std::lock_guard lock(m_comm.Lock());
        WriteProcessMode(m_comm, kModeNormal);
        if (what == kStrModeFixedOutput)
            RecordOperation(DeviceOperation("loop test normal"));
        m_offlineNote = Tr(kMsgReturnedToNormal);
        m_status->setText(m_offlineNote);
    } catch (const CPrivateException&) {
        ShowMessageBox(this, FromStd(FormatInserts(LoadStr(kMsgMayStillBeInMode), {LoadStr(what)})),
                       MessageIcon::Warning);
    }
    return true;
}

void CVELKDlg::SetConnected(bool connect) {
    if (connect)
        m_offlineNote.clear();
    if (!connect) {
        m_comm.Disconnect();
        return;
    }
    try {
        m_comm.Connect();
    } catch (const CPrivateException& e) {
        m_connect = false;
        ShowMessageBox(this, FromStd(e.Message()), MessageIcon::Stop);
        m_comm.Disconnect();
    }
}

void CVELKDlg::OnPreferences() {
    CVELKApp* app = CVELKApp::Instance();
    if (app == nullptr || !app->RunPreferences(this))
        return;
    if (m_connect)
        SetConnected(true);
    UpdateConnectButton();
    RefreshFilePane();
    if (app->Settings().DisplayLanguage == app->LanguageInUse())
        return;
    StopPolling();
    // Updates the stopped thread queued before it ended find no subject any more.
    CQtDispatcher::Instance().Flush();
    m_timer->stop();
    app->Settings().DeviceId = m_fileSet->TypeCode();
    app->HandOver(std::move(m_fileSet), m_fileTab, DeviceTab());
    app->LoadLanguageModule(app->Settings().DisplayLanguage);
    done(QDialog::Accepted);
}

// ---- factory functions ----

void CVELKDlg::OnInitialize() {
    if (ShowMessageBox(this, Tr(kMsgInitializeConfirm), MessageIcon::Question,
                       QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
        return;
    try {
        std::lock_guard lock(m_comm.Lock());
        bool connectedHere = false;
        if (!m_comm.IsConnected()) {
            m_comm.Connect();
            connectedHere = true;
        }
        // The guard outlives the disconnect: its restore then fails, which is ignored.
        CProcessPrivilege guard;
        guard.Enter(CProcessPrivilege::kModeFactory, m_comm);
        m_comm.WriteUInt16(kInitializeRegister, kInitializeValue);
        RecordOperation(DeviceOperation("initialize"));
        if (connectedHere)
            m_comm.Disconnect();
        ShowMessageBox(this, Tr(kMsgInitializeDone), MessageIcon::None);
    } catch (const CPrivateException& e) {
        RecordOperation(DeviceOperation("initialize", true, e.Message()));
        ShowMessageBox(this, FromStd(e.Message()), MessageIcon::Stop);
    }
}

void CVELKDlg::OnInputCalib() {
    // Held for the whole dialog: the polling thread waits at its next poll.
    std::lock_guard lock(m_comm.Lock());
    CParBase* device = DeviceSet();
    CInputCalibDialog dialog(device ? device->TypeCode() : 0, &m_comm, this);
    dialog.exec();
}

void CVELKDlg::OnOutputCalib() {
    std::lock_guard lock(m_comm.Lock());
    CParBase* device = DeviceSet();
    COutputCalibDialog dialog(device ? device->TypeCode() : 0, &m_comm, this);
    dialog.exec();
}

// ---- trend graph ----

void CVELKDlg::OnTrendGraph() {
    m_graph = new CGraphPage(this);
    m_graph->SetRunning(false);
    m_graph->AddObserver(this);
    layout()->addWidget(m_graph);
    m_graph->raise();
    SetUiState(kNone);
    m_graph->show();
}

void CVELKDlg::OnGraphClosed() {
    m_graph->hide();
    m_graph->deleteLater();
    m_graph = nullptr;
    SetUiState(kNone);
}

// ---- timer ----

void CVELKDlg::OnTimer() {
    QString indicator;
    if (m_connect)
        indicator = m_indicator->text().isEmpty() ? Tr(kStrIndicatorOnline) : QString();
    else
        indicator = Tr(kStrIndicatorOffline);
    if (indicator != m_indicator->text()) {
        m_indicator->setText(indicator);
        ApplyIndicatorColour();
    }
    if (m_uiState == kSearching)
        m_status->setVisible(!(m_status->isVisible() || m_graph != nullptr));
    if (m_uiState == kBusy && m_transfer)
        m_progress->setValue(m_transfer->Device().Progress());
}

// ---- file pane ----

void CVELKDlg::OnEnter() {
    QWidget* focus = focusWidget();
    if (focus == nullptr)
        return;
    CParameterListCtrl* device = DeviceTab() == kInfoTab ? DeviceInfoList()
                                 : m_basicPage           ? m_basicPage->List()
                                                         : nullptr;
    if (device && (focus == device || device->isAncestorOf(focus))) {
        device->StartEdit(-1);
        return;
    }
    CParameterListCtrl* file = FileList();
    if (file && (focus == file || file->isAncestorOf(focus))) {
        file->StartEdit(-1);
        return;
    }
    if (m_loopTestPage)
        m_loopTestPage->HandleEnter();
}

void CVELKDlg::reject() {}

void CVELKDlg::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // A focused push button is pressed, as the dialog manager does; otherwise Enter is
        // the window's own action, never the closing default button.
        if (auto* button = qobject_cast<QPushButton*>(focusWidget()))
            button->click();
        else
            OnEnter();
        event->accept();
        return;
    case Qt::Key_Escape:
        // Never closes the window; stops a running transfer as its Cancel button does.
        if (m_uiState == kBusy)
            OnCancelTransfer();
        event->accept();
        return;
    default:
        CObserverDialog::keyPressEvent(event);
    }
}

void CVELKDlg::Shutdown() {
    if (m_timer)
        m_timer->stop();
    // A running transfer ends after its current request; a download puts the process mode
    // back before its thread ends, which StopTransfer waits for.
    if (m_transfer)
        m_transfer->Device().RequestCancel();
    FlushAdjustEvent(true);
    StopPolling();
    StopTransfer();
    CQtDispatcher::Instance().Flush();
    CVELKApp* app = CVELKApp::Instance();
    if (m_fileSet) {
        if (app)
            app->Settings().DeviceId = m_fileSet->TypeCode();
        m_fileSet.reset();
    }
    m_comm.Disconnect();
    m_connect = false;
}

void CVELKDlg::closeEvent(QCloseEvent* event) {
    if (!m_transfer && (!MaySetFileSetAside() || !LeaveDeviceSafe(true))) {
        event->ignore();
        return;
    }
    RememberGeometry();
    // The window goes at once; waiting for a running transfer happens behind it.
    hide();
    Shutdown();
    done(0);
    event->accept();
}

void CVELKDlg::resizeEvent(QResizeEvent* event) {
    CObserverDialog::resizeEvent(event);
}
