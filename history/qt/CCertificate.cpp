#include "history/qt/CCertificate.h"

#include "comm/CPrivateException.h"
#include "comm/MessageFormat.h"
#include "history/CHistory.h"
#include "resources/CStringTable.h"
#include "resources/StringIds.h"
#include "tables/CAtomicFileWriter.h"

#include <QBuffer>
#include <QFont>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QString>
#include <QTextDocument>

#include <cstdio>
#include <memory>

namespace {

QString Text(int id) {
    return QString::fromStdString(LoadStr(id)).toHtmlEscaped();
}

QString Escaped(const std::string& text) {
    return QString::fromStdString(text).toHtmlEscaped();
}

QString Number(double value, const char* format) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return QString::fromLatin1(text);
}

QString Verdict(bool passes) {
    return passes ? "<b>" + Text(kStrCertPass) + "</b>"
                  : "<b><font color=\"#b00000\">" + Text(kStrCertFail) + "</font></b>";
}

// "2026-12-08T19:01:06Z" as "2026-12-08 19:01 UTC".
QString ShownTime(const std::string& time) {
    if (time.size() < 16)
        return Escaped(time);
    return Escaped(time.substr(0, 10) + ' ' + time.substr(11, 5) + " UTC");
}

QString IdentityRow(int caption, const QString& value) {
    return "<tr><td width=\"30%\"><b>" + Text(caption) + "</b></td><td>" + value + "</td></tr>";
}

// The points of one phase, or nothing when there are none.
QString PointsTable(const HistoryEvent& event, const std::string& phase, int caption) {
    QString rows;
    QString unit;
    int n = 0;
    for (const CalibrationPoint& p : event.points) {
        if (p.phase != phase)
            continue;
        unit = Escaped(p.unit.empty() ? "" : " (" + p.unit + ')');
        rows += "<tr><td align=\"right\">" + QString::number(++n) + "</td><td align=\"right\">" +
                Number(p.reference, "%.4f") + "</td><td align=\"right\">" +
                Number(p.reading, "%.4f") + "</td><td align=\"right\">" +
                Number(p.ErrorPercent(), "%+.3f") + "</td><td align=\"right\">" +
                Number(p.tolerance, "%.3f") + "</td><td align=\"center\">" + Verdict(p.Passes()) +
                "</td></tr>";
    }
    if (n == 0)
        return {};
    return "<h3>" + Text(caption) +
           "</h3><table border=\"1\" cellspacing=\"0\" cellpadding=\"4\" "
           "width=\"100%\"><tr><th>#</th><th>" +
           Text(kStrCertReference) + unit + "</th><th>" + Text(kStrCertReading) + unit +
           "</th><th>" + Text(kStrCertError) + "</th><th>" + Text(kStrCertTolerance) + "</th><th>" +
           Text(kStrCertResult) + "</th></tr>" + rows + "</table>";
}

// The as-left points decide; a check without an adjustment has only the as-found ones.
bool OverallPasses(const HistoryEvent& event) {
    bool hasLeft = false;
    for (const CalibrationPoint& p : event.points)
        hasLeft = hasLeft || p.phase == "as left";
    for (const CalibrationPoint& p : event.points)
        if (p.phase == (hasLeft ? "as left" : "as found") && !p.Passes())
            return false;
    return true;
}

} // namespace

std::string CertificateHtml(const HistoryEvent& event) {
    QString span;
    if (!event.points.empty()) {
        const CalibrationPoint& p = event.points.front();
        span = Number(p.span, "%.4g") + Escaped(p.unit.empty() ? "" : ' ' + p.unit);
    }
    // An event the history could not keep has no record to point to.
    QString record =
        event.id == 0
            ? QString()
            : Escaped(FormatInserts(LoadStr(kStrCertRecord),
                                    {std::to_string(event.id), event.program, event.version}));
    QString html = "<html><body><h1>" + Text(kStrCertTitle) +
                   "</h1><table cellpadding=\"3\" width=\"100%\">" +
                   IdentityRow(kStrCertModel, Escaped(event.model)) +
                   IdentityRow(kStrCertSerial, Escaped(event.serial)) +
                   IdentityRow(kStrCertTag, Escaped(event.tag)) +
                   IdentityRow(kStrCertFirmware, Escaped(event.firmware)) +
                   IdentityRow(kStrCertDate, ShownTime(event.time)) +
                   IdentityRow(kStrCertTechnician, Escaped(event.technician)) +
                   IdentityRow(kStrCertSpan, span) + "</table>" +
                   PointsTable(event, "as found", kStrCertAsFound) +
                   PointsTable(event, "as left", kStrCertAsLeft);
    if (event.points.empty())
        html += "<p>" + Text(kStrCertNoPoints) + "</p>";
    else
        html += "<h3>" + Text(kStrCertOverall) + ": " + Verdict(OverallPasses(event)) + "</h3>";
    html += "<p><br><br>" + Text(kStrCertSignature) +
            ": ______________________________</p><p><small>" + record +
            "</small></p></body></html>";
    return html.toStdString();
}

bool WriteCertificatePdf(const HistoryEvent& event, const std::string& path, std::string* error) {
    // A program without a window (q3cli) lays the page out without a display.
    std::unique_ptr<QGuiApplication> own;
    if (QCoreApplication::instance() == nullptr) {
        static int argc = 3;
        static char arguments[][16] = {"q3", "-platform", "offscreen"};
        static char* argv[] = {arguments[0], arguments[1], arguments[2], nullptr};
        own = std::make_unique<QGuiApplication>(argc, argv);
    }
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&pdf);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(20, 20, 20, 20), QPageLayout::Millimeter);
        writer.setTitle(QString::fromStdString(LoadStr(kStrCertTitle) + ' ' + event.serial));
        writer.setCreator(QString::fromStdString(event.program + ' ' + event.version));
        QTextDocument document;
        // Without shaping there are no ligatures: the PDF's text reads back as it was written.
        QFont font = document.defaultFont();
        font.setStyleStrategy(QFont::PreferNoShaping);
        document.setDefaultFont(font);
        document.setHtml(QString::fromStdString(CertificateHtml(event)));
        document.print(&writer);
    }
    try {
        CAtomicFileWriter::WriteWhole(
            path, std::string_view(pdf.data().constData(), static_cast<size_t>(pdf.size())));
        return true;
    } catch (const CPrivateException& e) {
        if (error)
            *error = e.Message();
        return false;
    }
}
