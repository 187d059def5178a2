#include "tables/qt/CTableDialogBase.h"

#include "gui/CFileDialogs.h"
#include "gui/CMessageBox.h"
#include "gui/QtText.h"
#include "monitor/qt/CGraph.h"
#include "resources/CaptionIds.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

CTableDialogBase::CTableDialogBase(QWidget* parent)
    : QDialog(parent), m_graph(new CGraph(this)), m_open(new QPushButton(Tr(kCapOpenFile), this)),
      m_save(new QPushButton(Tr(kCapSaveFile), this)), m_ok(new QPushButton(Tr(kCapOk), this)),
      m_cancel(new QPushButton(Tr(kCapCancel), this)) {
    setWindowTitle(Tr(kCapLinearizeTable));
    setModal(true);
    m_graph->setMinimumSize(480, 320);
    m_ok->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_open);
    buttons->addWidget(m_save);
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_graph, 1);
    layout->addLayout(buttons);

    connect(m_open, &QPushButton::clicked, this, &CTableDialogBase::onOpenFile);
    connect(m_save, &QPushButton::clicked, this, &CTableDialogBase::onSaveFile);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CTableDialogBase::onOpenFile() {
    const QString path = AskOpenFileName(this, m_open->text(), "", QString(), FileKind::Table);
    if (!path.isEmpty())
        openFile(path);
}

void CTableDialogBase::onSaveFile() {
    const QString path = AskSaveFileName(this, m_save->text(), "", QString(), FileKind::Table);
    if (!path.isEmpty())
        saveFile(path);
}

void CTableDialogBase::showError(const QString& text) {
    ShowMessageBox(this, text, MessageIcon::Stop);
}
