// The file pane of the main window: opening, saving, recent files, dropped files and the model
// of a new file set.

#include "app/qt/CVELKDlg.h"

#include "app/CSettingsStore.h"
#include "app/qt/CVELKApp.h"
#include "comm/MessageFormat.h"
#include "gui/CFileDialogs.h"
#include "gui/CMessageBox.h"
#include "gui/CPrintSheet.h"
#include "gui/QtText.h"
#include "model/CDeviceType.h"
#include "model/CIniFile.h"
#include "model/CModelContext.h"
#include "model/ParameterFile.h"
#include "resources/CStringTable.h"
#include "resources/CaptionIds.h"
#include "resources/StringIds.h"
#include "views/qt/CInputSettingPage.h"
#include "views/qt/CParameterListCtrl.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

namespace {
constexpr int kModelCommandBase = 0x9000;
constexpr int kRecentFileCount = 8;
constexpr const char* kRecentSection = "RecentFiles";
} // namespace

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
    UpdateTitle();
}

namespace {
// The settings of a set as its parameter file would hold them.
std::string SettingsText(const CParBase& set) {
    CIniFile file;
    set.SaveSettings(file);
    file.SetInt("HEAD", "MODEL", set.ModelNumber());
    return file.Serialize();
}
} // namespace

bool CVELKDlg::IsFileSetModified() const {
    return m_fileSet && m_savedSettings && SettingsText(*m_fileSet) != *m_savedSettings;
}

void CVELKDlg::MarkFileSetSaved(const QString& path, bool saved) {
    m_filePath = path;
    // A set nobody saved yet (an upload) counts as changed until it is.
    m_savedSettings = saved && m_fileSet ? SettingsText(*m_fileSet) : std::string();
    UpdateTitle();
}

void CVELKDlg::UpdateTitle() {
    QString title = QString(Q3_PRODUCT_NAME) + " Version" + Q3_VERSION;
    if (!m_filePath.isEmpty())
        title += " - " + QFileInfo(m_filePath).fileName();
    if (IsFileSetModified())
        title += " *";
    if (title != windowTitle())
        setWindowTitle(title);
}

bool CVELKDlg::MaySetFileSetAside() {
    UpdateTitle();
    if (!IsFileSetModified())
        return true;
    auto answer = ShowMessageBox(this, Tr(kMsgUnsavedChanges), MessageIcon::Question,
                                 QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel,
                                 QMessageBox::Save);
    if (answer == QMessageBox::Save)
        return SaveFileSet();
    return answer == QMessageBox::Discard;
}

void CVELKDlg::OnOpenFile() {
    if (!MaySetFileSetAside())
        return;
    QString path = AskOpenFileName(this, Tr(kCapOpenFile), LoadStr(kStrFileFilter), "cfg",
                                   FileKind::ParameterFile);
    if (!path.isEmpty())
        OpenFileSet(path);
}

void CVELKDlg::OpenFilePath(const QString& path) {
    if (m_uiState == kBusy || !MaySetFileSetAside())
        return;
    OpenFileSet(path);
}

bool CVELKDlg::OpenFileSet(const QString& path) {
    OpenedParameterFile opened = OpenParameterFile(ToStd(path));
    if (!opened.set) {
        ShowMessageBox(this, FromStd(opened.error), MessageIcon::Stop);
        ShowMessageBox(this, Tr(kMsgLoadFileFailed), MessageIcon::Stop);
        return false;
    }
    m_fileSet = std::move(opened.set);
    MarkFileSetSaved(path, true);
    AddRecentFile(path);
    RefreshFilePane();
    if (!opened.ignored.empty())
        ShowMessageBox(this, FromStd(IgnoredText(ToStd(path), opened.ignored)),
                       MessageIcon::Warning);
    return true;
}

QStringList CVELKDlg::RecentFiles() const {
    QStringList files;
    CVELKApp* app = CVELKApp::Instance();
    for (int i = 1; app && i <= kRecentFileCount; ++i) {
        QString file = FromStd(app->Store().GetString(kRecentSection, "File" + std::to_string(i)));
        if (!file.isEmpty())
            files << file;
    }
    return files;
}

void CVELKDlg::AddRecentFile(const QString& path) {
    CVELKApp* app = CVELKApp::Instance();
    if (!app || path.isEmpty())
        return;
    QString absolute = QFileInfo(path).absoluteFilePath();
    QStringList files = RecentFiles();
    files.removeAll(absolute);
    files.prepend(absolute);
    try {
        for (int i = 0; i < kRecentFileCount; ++i)
            app->Store().SetString(kRecentSection, "File" + std::to_string(i + 1),
                                   i < files.size() ? ToStd(files[i]) : std::string());
    } catch (const CPrivateException&) {
        // The list is a convenience: a settings file that cannot be written costs only it.
    }
}

void CVELKDlg::FillRecentMenu() {
    QMenu* menu = m_recentFiles->menu();
    menu->clear();
    const QStringList files = RecentFiles();
    for (int i = 0; i < files.size(); ++i) {
        // "&1 name": the digit picks it from the keyboard; the full path as the tip.
        QString name = QFileInfo(files[i]).fileName().replace('&', "&&");
        QString label = QString("&%1 %2").arg(i + 1).arg(name);
        QAction* action = menu->addAction(label);
        action->setToolTip(files[i]);
        action->setStatusTip(files[i]);
        action->setEnabled(QFileInfo(files[i]).isFile());
        connect(action, &QAction::triggered, this, [this, file = files[i]] { OpenFilePath(file); });
    }
    menu->setToolTipsVisible(true);
    if (files.isEmpty())
        menu->addAction(Tr(kCapNoRecentFiles))->setEnabled(false);
}

void CVELKDlg::dragEnterEvent(QDragEnterEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.size() == 1 && urls.front().isLocalFile() && m_uiState != kBusy)
        event->acceptProposedAction();
}

void CVELKDlg::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.size() != 1 || !urls.front().isLocalFile())
        return;
    event->acceptProposedAction();
    // Opened after the drop has ended: the source's drag loop is not held by message boxes.
    QTimer::singleShot(0, this, [this, path = urls.front().toLocalFile()] { OpenFilePath(path); });
}

PrintSheet CVELKDlg::CurrentCommissioningSheet() {
    // The device's identity only while it is online and of the file's model; the polling
    // thread renews the device's set under the connection's lock.
    std::lock_guard lock(m_comm.Lock());
    const CParBase* device = m_uiState == kOnline ? DeviceSet() : nullptr;
    return CommissioningSheet(*m_fileSet, device, m_filePath);
}

void CVELKDlg::OnSaveFile() {
    SaveFileSet();
}

bool CVELKDlg::SaveFileSet() {
    // The file it came from, else a name after the device (model, serial or tag, date).
    QString proposed = m_filePath.isEmpty() ? FromStd(ProposedFileName(*m_fileSet)) : m_filePath;
    QString path = AskSaveFileName(this, Tr(kCapSaveFile), LoadStr(kStrFileFilter), "cfg",
                                   FileKind::ParameterFile, proposed);
    if (path.isEmpty())
        return false;
    try {
        m_fileSet->SaveFile(ToStd(path));
    } catch (const CPrivateException& e) {
        ShowMessageBox(this, FromStd(e.Message()), MessageIcon::Stop);
        return false;
    }
    MarkFileSetSaved(path, true);
    AddRecentFile(path);
    return true;
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
    if (typeCode == m_fileSet->TypeCode() || !MaySetFileSetAside())
        return;
    std::unique_ptr<CParBase> set = CDeviceType::NewParameterSet(typeCode);
    if (!set)
        return;
    m_fileSet = std::move(set);
    MarkFileSetSaved({}, true);
    RefreshFilePane();
}

// ---- keyboard and closing ----
