#pragma once

#include "cli/CliOptions.h"

#include <ostream>
#include <string>

// q3cli history [SERIAL] | show ID | diff ID1 ID2 | restore ID FILE: the local history of device
// operations (what the device was set to, who changed it, and when).
int CmdHistory(const CliOptions& o, std::ostream& out);

struct HistoryEvent;
// Writes the certificate of a calibration event as a PDF; false and the reason on failure.
using CertificateWriter = bool (*)(const HistoryEvent& event, const std::string& path,
                                   std::string* error);
// The program's PDF writer (q3cli has one where the GUI libraries are built).
void UseCertificateWriter(CertificateWriter writer);

// q3cli certificate ID --pdf FILE
int CmdCertificate(const CliOptions& o, std::ostream& out);
