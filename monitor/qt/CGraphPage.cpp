#include "monitor/qt/CGraphPage.h"

#include "comm/CPrivateException.h"
#include "gui/CFileDialogs.h"
#include "gui/CMessageBox.h"
#include "gui/CPrintSheet.h"
#include "gui/QtText.h"
#include "model/CDeviceType.h"
#include "model/CParBase.h"
#include "model/ParameterIds.h"
#include "monitor/qt/CGraph.h"
#include "resources/CaptionIds.h"
#include "resources/StringIds.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QVBoxLayout>

#include <chrono>

namespace {
constexpr const char* kCsvFilter = "CSV (*.csv)|*.csv||";
} // namespace

CGraphPage::CGraphPage(QWidget* parent)
    : QWidget(parent), m_graph(new CGraph(this)), m_recorder(m_graph->view()),
      m_notice(new QLabel(this)), m_start(new QPushButton(Tr(kCapStart), this)),
      m_stop(new QPushButton(Tr(kCapStop), this)), m_close(new QPushButton(Tr(kCapClose), this)),
      m_print(new QPushButton(Tr(kCapPrint), this)),
      m_saveCsv(new QPushButton(Tr(kCapSaveCsv), this)) {
    m_graph->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_start);
    buttons->addWidget(m_stop);
    buttons->addWidget(m_print);
    buttons->addWidget(m_saveCsv);
    buttons->addStretch(1);
    buttons->addWidget(m_close);
    m_notice->setObjectName("graphNotice");
    m_notice->setText(Tr(kMsgGraphNoAnswer));
    m_notice->setStyleSheet("QLabel { font-weight: bold; }");
    m_notice->hide();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_notice);
    layout->addWidget(m_graph, 1);
    layout->addLayout(buttons);

    connect(m_start, &QPushButton::clicked, this, &CGraphPage::onStart);
    connect(m_stop, &QPushButton::clicked, this, &CGraphPage::onStop);
    connect(m_close, &QPushButton::clicked, this, &CGraphPage::onClose);
    connect(m_print, &QPushButton::clicked, this, &CGraphPage::onPrint);
    connect(m_saveCsv, &QPushButton::clicked, this, &CGraphPage::onSaveCsv);
    updateButtons();
}

int64_t CGraphPage::now() const {
    if (m_clock)
        return m_clock();
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void CGraphPage::setClockForTest(std::function<int64_t()> clock) {
    m_clock = std::move(clock);
}

void CGraphPage::updateButtons() {
    const bool running = m_recorder.running();
    m_start->setEnabled(!running);
    m_stop->setEnabled(running);
    // Close stops a running recording first: never a way out that is closed.
    m_close->setEnabled(true);
    m_print->setEnabled(!running);
    // Nothing to write before the first recording; the store changes under a running one.
    m_saveCsv->setEnabled(!running && !m_graph->view().store().points().empty());
}

void CGraphPage::addSample(CParBase* model) {
    if (!model)
        return;
    if (!m_recorder.addSample(*model, now()))
        return;
    m_last = QDateTime::currentDateTime();
    if (!m_first.isValid()) {
        m_first = m_last;
        m_unit = FromStd(model->GetInputUnitText());
        m_device = FromStd(CDeviceType::GetTypeName(model->TypeCode()));
        for (int id : {kIdSerial, kIdTag})
            m_device += "    " + FromStd(model->GetParameterName(id)) + " " +
                        FromStd(model->GetDisplayText(id, false));
    }
    m_graph->update();
}

QStringList CGraphPage::printHeader() const {
    QStringList lines;
    if (!m_device.isEmpty())
        lines << m_device;
    if (m_first.isValid())
        lines << Tr(kCapRecorded) + "  " + m_first.toString("yyyy-MM-dd HH:mm:ss") + " - " +
                     m_last.toString("yyyy-MM-dd HH:mm:ss") +
                     QString(" (%1 s)").arg(m_first.secsTo(m_last));
    if (!m_unit.isEmpty())
        lines << Tr(kCapUnit) + "  " + m_unit;
    lines << Tr(kCapPrinted) + "  " + PrintedNow();
    return lines;
}

void CGraphPage::SetDeviceAnswering(bool answering) {
    m_notice->setVisible(!answering);
}

void CGraphPage::SetRunning(bool running) {
    if (running)
        onStart();
    else
        onStop();
}

void CGraphPage::onStart() {
    if (!m_recorder.start())
        return;
    m_first = QDateTime(); // a new recording: its own device and times
    updateButtons();
    m_graph->update();
}

void CGraphPage::onStop() {
    if (!m_recorder.stop())
        return;
    updateButtons();
    m_graph->update();
}

void CGraphPage::onClose() {
    onStop();
    NotifyObservers();
}

void CGraphPage::onPrint() {
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, this);
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (!m_graph->print(printer, printHeader()))
        ShowMessageBox(this, Tr(kCapPrintFailed), MessageIcon::Stop);
}

bool CGraphPage::printToPdf(const QString& path) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    return m_graph->print(printer, printHeader());
}

void CGraphPage::onSaveCsv() {
    const QString path = AskSaveFileName(this, Tr(kCapSaveCsv), kCsvFilter, "csv", FileKind::Csv);
    if (!path.isEmpty())
        saveCsv(path);
}

bool CGraphPage::saveCsv(const QString& path) {
    try {
        m_recorder.exportCsv(ToStd(path));
        return true;
    } catch (const CPrivateException& e) {
        ShowMessageBox(this, FromStd(e.Message()), MessageIcon::Stop);
        return false;
    }
}
