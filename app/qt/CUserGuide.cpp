#include "app/qt/CUserGuide.h"

#include "app/ProgramPaths.h"
#include "app/qt/CVELKApp.h"
#include "comm/MessageFormat.h"
#include "gui/CMessageBox.h"
#include "gui/QtText.h"
#include "resources/CStringTable.h"
#include "resources/CaptionIds.h"
#include "resources/StringIds.h"

#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

QString UserGuidePath() {
    QStringList candidates;
    if (CVELKApp* app = CVELKApp::Instance()) {
        // <prefix>/<libdir>/q3config/q3config -> <prefix>/<datadir>/doc/q3config
        QDir program(FromStd(ProgramDirectory(app->ProgramPath())));
        candidates << program.filePath(QString(Q3_GUIDE_FROM_PROGRAM) + "/user-guide.md");
    }
#ifdef Q3_SOURCE_DOCS
    candidates << QString(Q3_SOURCE_DOCS) + "/user-guide.md";
#endif
    for (const QString& path : candidates)
        if (QFileInfo(path).isFile())
            return QFileInfo(path).canonicalFilePath();
    return candidates.isEmpty() ? QString() : QDir::cleanPath(candidates.front());
}

void ShowUserGuide(QWidget* parent) {
    static QPointer<QDialog> shown;
    if (shown) {
        shown->raise();
        shown->activateWindow();
        return;
    }
    QString path = UserGuidePath();
    if (!QFileInfo(path).isFile()) {
        ShowMessageBox(parent, FromStd(FormatInserts(LoadStr(kMsgUserGuideMissing), {ToStd(path)})),
                       MessageIcon::Warning);
        return;
    }
    auto* window = new QDialog(parent);
    window->setObjectName("userGuide");
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(Tr(kCapUserGuide));
    auto* browser = new QTextBrowser(window);
    browser->setObjectName("guideText");
    browser->setOpenExternalLinks(true);
    browser->setSearchPaths({QFileInfo(path).absolutePath()});
    browser->setSource(QUrl::fromLocalFile(path), QTextDocument::MarkdownResource);
    auto* layout = new QVBoxLayout(window);
    layout->addWidget(browser);
    window->resize(900, 700);
    window->show();
    shown = window;
}
