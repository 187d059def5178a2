#pragma once

#include <string>

struct HistoryEvent;

// The calibration certificate of a recorded check: the device's identity, the date, the
// technician, and the test points as found and as left with their errors and verdicts. Texts
// in the language the string table shows.
//
// The HTML the PDF is laid out from (tests read it; the PDF's text is the same).
std::string CertificateHtml(const HistoryEvent& event);

// Writes the certificate as a PDF (one or more A4 pages) to path, whole or not at all; a
// program without a QGuiApplication gets one for the while. False and the reason in error
// when the file could not be written.
bool WriteCertificatePdf(const HistoryEvent& event, const std::string& path, std::string* error);
