#pragma once

#include "cli/CliOptions.h"

#include <iosfwd>

// q3cli import-table CFG TABLEFILE: takes the table file over into the parameter file's custom
// table (temperature table format) or XY table (XY format), as the table dialog's OK does with
// that file loaded, and saves CFG. An order message is printed on err as a warning and the
// values are stored regardless; a table file that does not read leaves CFG unchanged.
int CmdImportTable(const CliOptions& o, std::ostream& out, std::ostream& err);

// q3cli export-table CFG TABLEFILE: writes the points in use of the parameter file's table in
// the matching table file format.
int CmdExportTable(const CliOptions& o, std::ostream& out, std::ostream& err);
