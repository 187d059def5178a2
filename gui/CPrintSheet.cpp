#include "gui/CPrintSheet.h"

#include "gui/CMessageBox.h"
#include "gui/QtText.h"
#include "model/CDeviceType.h"
#include "model/ParameterIds.h"
#include "resources/CaptionIds.h"

#include <QDateTime>
#include <QPrintDialog>
#include <QPrinter>
#include <QTextDocument>

QString SheetHtml(const PrintSheet& sheet) {
    QString html = "<html><body style=\"font-size:9pt\"><h2>" + sheet.title.toHtmlEscaped() +
                   "</h2><table cellspacing=\"0\" cellpadding=\"1\">";
    for (const auto& [label, value] : sheet.header)
        html += "<tr><td><b>" + label.toHtmlEscaped() + "</b>&nbsp;&nbsp;</td><td>" +
                value.toHtmlEscaped() + "</td></tr>";
    html += "</table><br><table width=\"100%\" border=\"1\" cellspacing=\"0\" cellpadding=\"2\">";
    if (!sheet.columns.isEmpty()) {
        html += "<tr>";
        for (const QString& column : sheet.columns)
            html += "<th align=\"left\">" + column.toHtmlEscaped() + "</th>";
        html += "</tr>";
    }
    const int span = std::max<int>(1, static_cast<int>(sheet.columns.size()));
    for (const QStringList& row : sheet.rows) {
        html += "<tr>";
        if (row.size() == 1)
            html += QString("<td colspan=\"%1\" bgcolor=\"#e4e4e4\"><b>").arg(span) +
                    row.front().toHtmlEscaped() + "</b></td>";
        else
            for (const QString& cell : row)
                html += "<td>" + cell.toHtmlEscaped() + "</td>";
        html += "</tr>";
    }
    return html + "</table></body></html>";
}

bool RenderSheet(const PrintSheet& sheet, QPrinter& printer) {
    QTextDocument document;
    document.setHtml(SheetHtml(sheet));
    document.print(&printer);
    return printer.printerState() != QPrinter::Error;
}

void PrintSheetWithDialog(QWidget* parent, const PrintSheet& sheet, const QString& docName) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(docName);
    QPrintDialog dialog(&printer, parent);
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (!RenderSheet(sheet, printer))
        ShowMessageBox(parent, Tr(kCapPrintFailed), MessageIcon::Stop);
}

QString PrintedNow() {
    return QDateTime::currentDateTime().toString("yyyy-MM-dd HH:mm:ss t");
}

PrintSheet CommissioningSheet(const CParBase& set, const CParBase* device, const QString& file) {
    PrintSheet sheet;
    sheet.title = Tr(kCapCommissioningSheet);
    sheet.header.push_back({Tr(kCapModel), FromStd(CDeviceType::GetTypeName(set.TypeCode()))});
    if (device && device->TypeCode() == set.TypeCode()) {
        for (int id : {kIdSerial, kIdTag, kIdFirmware, kIdCalibDate})
            sheet.header.push_back({FromStd(device->GetParameterName(id)),
                                    FromStd(device->GetDisplayText(id, false))});
    }
    if (!file.isEmpty())
        sheet.header.push_back({Tr(kCapFile), file});
    sheet.header.push_back({Tr(kCapPrinted), PrintedNow()});
    sheet.columns = {Tr(kCapParameter), Tr(kCapValue)};
    for (int group = 0; group <= kGroupTable; ++group) {
        for (int i = 0; i < set.GetParameterCount(group); ++i) {
            int id = set.GetParameterId(group, i);
            if (set.GetParameterKind(id) == kKindHeader)
                sheet.rows.push_back({FromStd(set.GetParameterName(id))});
            else
                sheet.rows.push_back(
                    {FromStd(set.GetParameterName(id)), FromStd(set.GetDisplayText(id, true))});
        }
    }
    return sheet;
}
