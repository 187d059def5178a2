#pragma once

#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

class CParBase;
class QPrinter;
class QWidget;

// A printed page set of the program: a title, header lines (label, value) and a table; a row
// of one cell is a group heading across the table. Laid out as rich text, so long tables run
// over as many pages as they need.
struct PrintSheet {
    QString title;
    std::vector<std::pair<QString, QString>> header;
    QStringList columns;
    std::vector<QStringList> rows;
};

// The sheet as HTML (every text escaped).
QString SheetHtml(const PrintSheet& sheet);
// Onto a printer (a PDF file when its output format is PDF); false when printing failed.
bool RenderSheet(const PrintSheet& sheet, QPrinter& printer);
// The print dialog (its "print to file" writes a PDF), then the sheet; a printer that does not
// start is said. docName also names a PDF.
void PrintSheetWithDialog(QWidget* parent, const PrintSheet& sheet, const QString& docName);
// The current local date and time as the sheets print it.
QString PrintedNow();

// The commissioning sheet of a parameter set: the device's identity (when one is connected,
// else the file's model), the file and every parameter of the Basic, Option and Linearizer
// groups as the lists show them.
PrintSheet CommissioningSheet(const CParBase& set, const CParBase* device, const QString& file);
