#pragma once

#include "cli/CliOptions.h"

#include <ostream>
#include <string>

// q3cli history [SERIAL] | show ID | diff ID1 ID2 | restore ID FILE: the local history of device
// operations (what the device was set to, who changed it, and when).
int CmdHistory(const CliOptions& o, std::ostream& out);

// Certificates are written by the helper program q3certificate, looked for beside q3cli and
// in the folder helperDir names relative to q3cli's own (q3cli has one where the GUI
// libraries are built; without it the command says that this build writes no PDF).
void UseCertificateHelper(std::string helperDir);

// q3cli certificate ID --pdf FILE
int CmdCertificate(const CliOptions& o, std::ostream& out);
