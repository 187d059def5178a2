#include "views/qt/CCompareDialog.h"

#include "gui/QtText.h"
#include "model/CDeviceType.h"
#include "resources/CaptionIds.h"
#include "views/qt/CCompareList.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

CCompareDialog::CCompareDialog(CParBase* deviceSet, CParBase* fileSet, QWidget* parent)
    : QDialog(parent), m_deviceSet(deviceSet), m_fileSet(fileSet), m_list(new CCompareList(this)),
      m_result(new QLabel(this)) {
    setObjectName("CCompareDialog");
    setWindowTitle(Tr(kCapCompareResults));
    m_list->SetUp();
    m_result->setObjectName("result");
    auto* close = new QPushButton(Tr(kCapClose), this);
    close->setObjectName("close");
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    auto* print = new QPushButton(WithMnemonic(Tr(kCapPrint), 'P'), this);
    print->setObjectName("print");
    connect(print, &QPushButton::clicked, this,
            [this] { PrintSheetWithDialog(this, Sheet(), Tr(kCapCompareResults)); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list, 1);
    auto* bottom = new QHBoxLayout();
    bottom->addWidget(m_result, 1);
    bottom->addWidget(print);
    bottom->addWidget(close);
    layout->addLayout(bottom);
    resize(760, 520);

    std::vector<CompareRow> rows = CompareWalk(*m_deviceSet, *m_fileSet);
    m_list->Fill(rows);
    m_mismatches = CountMismatches(rows);
    m_firstMismatch = FirstMismatch(rows);
    m_result->setText(FromStd(CompareResultText(m_mismatches)));

    // The printed result: the list as it shows, differing rows marked, the count on top.
    m_sheet.title = Tr(kCapCompareResults);
    m_sheet.header = {{Tr(kCapModel), FromStd(CDeviceType::GetTypeName(m_fileSet->TypeCode()))},
                      {QString(), m_result->text()}};
    m_sheet.columns = {QString()};
    for (int c = 0; c < m_list->columnCount(); ++c)
        m_sheet.columns << m_list->horizontalHeaderItem(c)->text();
    for (const CompareRow& row : rows)
        m_sheet.rows.push_back({row.differs ? QString("\u2260") : QString(), FromStd(row.group),
                                FromStd(row.name), FromStd(row.deviceText), FromStd(row.fileText)});
}

PrintSheet CCompareDialog::Sheet() const {
    PrintSheet sheet = m_sheet;
    sheet.header.insert(sheet.header.begin() + 1, {Tr(kCapPrinted), PrintedNow()});
    return sheet;
}

QString CCompareDialog::ResultText() const {
    return m_result->text();
}

void CCompareDialog::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    m_list->SizeColumns();
}

void CCompareDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    m_list->SizeColumns();
    // To the last row first, then back to the first mismatch: it ends at the top of the view.
    if (!m_scrolled && m_firstMismatch >= 0 && m_list->rowCount() > 0) {
        m_scrolled = true;
        m_list->scrollToItem(m_list->item(m_list->rowCount() - 1, 0));
        m_list->scrollToItem(m_list->item(m_firstMismatch, 0));
    }
}
