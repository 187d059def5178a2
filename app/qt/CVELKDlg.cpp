#include "app/qt/CVELKDlg.h"

#include "app/ProgramPaths.h"
#include "app/qt/CFileDialogs.h"
#include "app/qt/CMessageBox.h"
#include "app/qt/CVELKApp.h"
#include "app/qt/QtText.h"
#include "model/CDeviceType.h"
#include "model/CModelContext.h"
#include "model/ParameterFile.h"
#include "resources/CStringTable.h"
#include "resources/CaptionIds.h"
#include "resources/StringIds.h"
#include "views/qt/CDeviceSummaryPage.h"
#include "views/qt/CInputSettingPage.h"
#include "views/qt/CParameterListCtrl.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {
constexpr int kModelCommandBase = 0x9000;

QPushButton* MakeButton(QWidget* parent, int captionId, const char* name) {
    auto* button = new QPushButton(Tr(captionId), parent);
    button->setObjectName(name);
    return button;
}
} // namespace

CVELKDlg::CVELKDlg(QWidget* parent) : CObserverDialog(parent) {
    setObjectName("CVELKDlg");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
}

CVELKDlg::~CVELKDlg() = default;

int CVELKDlg::exec() {
    Initialise();
    return QDialog::exec();
}

void CVELKDlg::Initialise() {
    setWindowTitle(QString(Q3_PRODUCT_NAME) + " Version" + Q3_VERSION);
    CVELKApp* app = CVELKApp::Instance();
    if (app) {
        m_fileSet = app->TakeFileSet();
        m_fileTab = app->FileTab();
        m_comm.UseSettingsStore(app->Store());
        if (PrivilegeMarkerPresent(app->ProgramPath()))
            CModelContext::SetPrivileged(true);
    }
    if (!m_fileSet)
        m_fileSet = CDeviceType::NewParameterSet(CDeviceType::kFirstTypeCode);
    BuildContents();
    if (app)
        m_deviceTabs->setCurrentIndex(app->DeviceTab());
    RefreshFilePane();
}

void CVELKDlg::BuildContents() {
    delete m_content;
    m_content = new QWidget(this);
    layout()->addWidget(m_content);
    QWidget* c = m_content;

    // Device pane.
    auto* deviceGroup = new QGroupBox(Tr(kCapDeviceConfiguration), c);
    deviceGroup->setObjectName("deviceGroup");
    m_indicator = new QLabel(Tr(kStrIndicatorOffline), deviceGroup);
    m_indicator->setObjectName("indicator");
    m_indicator->setAlignment(Qt::AlignCenter);
    m_indicator->setFrameStyle(QFrame::Box | QFrame::Plain);
    m_indicator->setAutoFillBackground(true);
    m_indicator->setMinimumWidth(90);
    m_connect = MakeButton(deviceGroup, kCapConnect, "connect");
    m_preferences = MakeButton(deviceGroup, kCapPreferences, "preferences");
    m_unlock = new QCheckBox(Tr(kCapUnlock), deviceGroup);
    m_unlock->setObjectName("unlock");
    m_status = new QLabel(deviceGroup);
    m_status->setObjectName("status");
    m_status->setAlignment(Qt::AlignCenter);
    m_progress = new QProgressBar(deviceGroup);
    m_progress->setObjectName("progress");
    m_progress->setRange(0, 100);
    m_progress->hide();

    m_deviceTabs = new QTabWidget(deviceGroup);
    m_deviceTabs->setObjectName("deviceTabs");
    m_infoPage = new CDeviceSummaryPage();
    m_basicPage = new CDeviceSummaryPage();
    m_calibPage = new QWidget();
    m_adjustPage = new QWidget();
    m_loopTestPage = new QWidget();
    m_deviceTabs->addTab(m_infoPage, Tr(kStrPageDeviceInfo));
    m_deviceTabs->addTab(m_basicPage, Tr(kStrPageBasic));
    m_deviceTabs->addTab(m_calibPage, Tr(kStrPageCalib));
    m_deviceTabs->addTab(m_adjustPage, Tr(kStrPageAdjust));
    m_deviceTabs->addTab(m_loopTestPage, Tr(kStrPageLoopTest));
    m_infoPage->List()->SetGroup(kGroupMonitor);
    m_basicPage->List()->SetGroup(kGroupSettings);
    m_infoPage->List()->SetDeviceLink(&m_comm);
    m_basicPage->List()->SetDeviceLink(&m_comm);

    m_meterArea = new QWidget(deviceGroup);
    m_meterArea->setObjectName("meterArea");
    m_meterArea->setFixedWidth(200);
    QSizePolicy keep = m_meterArea->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    m_meterArea->setSizePolicy(keep);
    m_meterArea->hide();

    m_trendGraph = MakeButton(deviceGroup, kCapTrendGraph, "trendGraph");
    m_initialize = MakeButton(deviceGroup, kCapInitialize, "initialize");
    QPalette red = m_initialize->palette();
    red.setColor(QPalette::ButtonText, FromColorRef(0x0000FF));
    m_initialize->setPalette(red);
    m_inputCalib = MakeButton(deviceGroup, kCapInputCalib, "inputCalib");
    m_outputCalib = MakeButton(deviceGroup, kCapOutputCalib, "outputCalib");

    auto* deviceLayout = new QVBoxLayout(deviceGroup);
    auto* connectRow = new QHBoxLayout();
    connectRow->addWidget(m_indicator);
    connectRow->addWidget(m_connect);
    connectRow->addWidget(m_preferences);
    connectRow->addWidget(m_unlock);
    connectRow->addStretch(1);
    deviceLayout->addLayout(connectRow);
    auto* statusRow = new QHBoxLayout();
    statusRow->addWidget(m_status, 1);
    statusRow->addWidget(m_progress, 1);
    deviceLayout->addLayout(statusRow);
    auto* tabsRow = new QHBoxLayout();
    tabsRow->addWidget(m_deviceTabs, 1);
    tabsRow->addWidget(m_meterArea);
    deviceLayout->addLayout(tabsRow, 1);
    auto* factoryRow = new QHBoxLayout();
    factoryRow->addWidget(m_trendGraph);
    factoryRow->addStretch(1);
    factoryRow->addWidget(m_initialize);
    factoryRow->addWidget(m_inputCalib);
    factoryRow->addWidget(m_outputCalib);
    deviceLayout->addLayout(factoryRow);

    // Transfer buttons between the panes.
    m_upload = MakeButton(c, kCapUpload, "upload");
    m_download = MakeButton(c, kCapDownload, "download");
    m_compareButton = MakeButton(c, kCapCompare, "compare");
    auto* transfer = new QVBoxLayout();
    transfer->addStretch(1);
    transfer->addWidget(m_upload);
    transfer->addWidget(m_download);
    transfer->addSpacing(16);
    transfer->addWidget(m_compareButton);
    transfer->addStretch(1);

    // File pane.
    auto* fileGroup = new QGroupBox(Tr(kCapFileConfiguration), c);
    fileGroup->setObjectName("fileGroup");
    m_openFile = MakeButton(fileGroup, kCapOpenFile, "openFile");
    m_saveFile = MakeButton(fileGroup, kCapSaveFile, "saveFile");
    auto* modelLabel = new QLabel(Tr(kCapModel), fileGroup);
    m_modelEdit = new QLineEdit(fileGroup);
    m_modelEdit->setObjectName("model");
    m_modelEdit->setReadOnly(true);
    m_select = MakeButton(fileGroup, kCapSelect, "select");
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
    m_fileTabs->widget(m_fileTab)->layout()->addWidget(m_filePage);

    auto* fileLayout = new QVBoxLayout(fileGroup);
    auto* fileRow = new QHBoxLayout();
    fileRow->addWidget(m_openFile);
    fileRow->addWidget(m_saveFile);
    fileRow->addStretch(1);
    fileLayout->addLayout(fileRow);
    auto* modelRow = new QHBoxLayout();
    modelRow->addWidget(modelLabel);
    modelRow->addWidget(m_modelEdit, 1);
    modelRow->addWidget(m_select);
    fileLayout->addLayout(modelRow);
    fileLayout->addWidget(m_fileTabs, 1);

    auto* panes = new QHBoxLayout(c);
    panes->addWidget(deviceGroup, 3);
    panes->addLayout(transfer);
    panes->addWidget(fileGroup, 2);

    connect(m_fileTabs, &QTabWidget::currentChanged, this, &CVELKDlg::OnFileTabChanged);
    connect(m_openFile, &QPushButton::clicked, this, &CVELKDlg::OnOpenFile);
    connect(m_saveFile, &QPushButton::clicked, this, &CVELKDlg::OnSaveFile);
    connect(m_select, &QPushButton::clicked, this, &CVELKDlg::OnSelect);
    connect(m_preferences, &QPushButton::clicked, this, &CVELKDlg::OnPreferences);

    m_initialize->setVisible(CModelContext::Privileged());
    m_inputCalib->setVisible(CModelContext::Privileged());
    m_outputCalib->setVisible(CModelContext::Privileged());
    resize(1100, 620);
}

int CVELKDlg::DeviceTab() const {
    return m_deviceTabs ? m_deviceTabs->currentIndex() : 0;
}

CParameterListCtrl* CVELKDlg::DeviceInfoList() const {
    return m_infoPage ? m_infoPage->List() : nullptr;
}

CParameterListCtrl* CVELKDlg::BasicList() const {
    return m_basicPage ? m_basicPage->List() : nullptr;
}

CParameterListCtrl* CVELKDlg::FileList() const {
    return m_filePage ? m_filePage->List() : nullptr;
}

void CVELKDlg::OnFileTabChanged(int index) {
    if (index < 0)
        return;
    m_fileTab = index;
    m_fileTabs->widget(index)->layout()->addWidget(m_filePage);
    m_filePage->show();
    RefreshFilePane();
}

void CVELKDlg::RefreshFilePane() {
    m_modelEdit->setText(FromStd(CDeviceType::GetTypeName(m_fileSet->TypeCode())));
    m_filePage->SetGroup(m_fileTab, m_fileSet.get());
}

void CVELKDlg::OnOpenFile() {
    QString path = AskOpenFileName(this, Tr(kCapOpenFile), LoadStr(kStrFileFilter), "cfg");
    if (path.isEmpty())
        return;
    OpenedParameterFile opened = OpenParameterFile(ToStd(path));
    if (!opened.set) {
        ShowMessageBox(this, FromStd(opened.error), MessageIcon::Stop);
        ShowMessageBox(this, Tr(kMsgLoadFileFailed), MessageIcon::Stop);
        return;
    }
    m_fileSet = std::move(opened.set);
    RefreshFilePane();
}

void CVELKDlg::OnSaveFile() {
    QString path = AskSaveFileName(this, Tr(kCapSaveFile), LoadStr(kStrFileFilter), "cfg");
    if (path.isEmpty())
        return;
    try {
        m_fileSet->SaveFile(ToStd(path));
    } catch (const CPrivateException& e) {
        e.ReportError(CPrivateException::Icon::Stop);
    }
}

QMenu* CVELKDlg::BuildModelMenu(QWidget* parent) {
    auto* menu = new QMenu(parent);
    menu->setObjectName("modelMenu");
    for (int code = 0; code <= CDeviceType::kLastTypeCode; ++code) {
        std::string name = CDeviceType::GetTypeName(code);
        if (name.empty())
            continue;
        QAction* action = menu->addAction(FromStd(name));
        action->setData(kModelCommandBase + code);
        action->setCheckable(true);
        action->setChecked(code == m_fileSet->TypeCode());
        connect(action, &QAction::triggered, this, [this, code] { OnModelCommand(code); });
    }
    return menu;
}

void CVELKDlg::OnSelect() {
    QMenu* menu = BuildModelMenu(this);
    // Right-aligned with the button, its top at the button's top.
    QPoint topRight = m_select->mapToGlobal(QPoint(m_select->width(), 0));
    menu->exec(QPoint(topRight.x() - menu->sizeHint().width(), topRight.y()));
    delete menu;
}

void CVELKDlg::OnModelCommand(int typeCode) {
    if (typeCode == m_fileSet->TypeCode())
        return;
    std::unique_ptr<CParBase> set = CDeviceType::NewParameterSet(typeCode);
    if (!set)
        return;
    m_fileSet = std::move(set);
    RefreshFilePane();
}

void CVELKDlg::OnPreferences() {
    CVELKApp* app = CVELKApp::Instance();
    if (app == nullptr || !app->RunPreferences(this))
        return;
    RefreshFilePane();
    if (app->Settings().DisplayLanguage != app->LanguageInUse()) {
        app->Settings().DeviceId = m_fileSet->TypeCode();
        app->HandOver(std::move(m_fileSet), m_fileTab, DeviceTab());
        app->LoadLanguageModule(app->Settings().DisplayLanguage);
        done(QDialog::Accepted);
    }
}

void CVELKDlg::OnEnter() {
    QWidget* focus = focusWidget();
    if (focus == nullptr)
        return;
    CParameterListCtrl* device = DeviceTab() == 0 ? DeviceInfoList() : BasicList();
    if (device && (focus == device || device->isAncestorOf(focus))) {
        device->StartEdit(-1);
        return;
    }
    CParameterListCtrl* file = FileList();
    if (file && (focus == file || file->isAncestorOf(focus)))
        file->StartEdit(-1);
}

void CVELKDlg::reject() {}

void CVELKDlg::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // A focused push button is pressed, as the dialog manager does; otherwise Enter is
        // the window's own action, never the closing default button.
        if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
            button->click();
        } else {
            OnEnter();
        }
        event->accept();
        return;
    case Qt::Key_Escape:
        event->accept();
        return;
    default:
        CObserverDialog::keyPressEvent(event);
    }
}

void CVELKDlg::closeEvent(QCloseEvent* event) {
    CVELKApp* app = CVELKApp::Instance();
    if (app && m_fileSet)
        app->Settings().DeviceId = m_fileSet->TypeCode();
    done(0);
    event->accept();
}

void CVELKDlg::OnObserverUpdate(CObservable*) {}
