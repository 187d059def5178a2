#include "cli/TableCommands.h"

#include "cli/CliOutput.h"
#include "comm/CPrivateException.h"
#include "model/CParTypeCommon.h"
#include "model/ParameterFile.h"
#include "tables/CTableFile.h"
#include "tables/CTableFile2.h"

#include <memory>
#include <ostream>

namespace {
void NeedTwoOperands(const CliOptions& o, const char* form) {
    if (o.args.size() != 3)
        throw CliUsageError{std::string("usage: q3cli ") + form};
}

// The parameter file's set; every model of the family shares the table behaviour.
std::unique_ptr<CParTypeCommon> OpenModel(const std::string& path, std::ostream& err) {
    OpenedParameterFile opened = OpenParameterFile(path);
    if (!opened.set)
        throw CPrivateException(opened.error);
    if (!opened.ignored.empty())
        PrintError(err, IgnoredText(path, opened.ignored));
    auto* model = dynamic_cast<CParTypeCommon*>(opened.set.get());
    if (!model)
        throw CliRejected{path + ": this model has no linearization table."};
    opened.set.release();
    return std::unique_ptr<CParTypeCommon>(model);
}
} // namespace

int CmdImportTable(const CliOptions& o, std::ostream&, std::ostream& err) {
    NeedTwoOperands(o, "import-table CFG TABLEFILE");
    auto set = OpenModel(o.args[1], err);
    if (set->GetTableKind() == TableKind::XY) {
        CTableFile file;
        file.read(o.args[2]);
        XYTable table;
        table.x = std::move(file.xValues);
        table.y = std::move(file.yValues);
        set->ApplyXYTable(table);
    } else {
        CTableFile2 file;
        file.read(o.args[2]);
        TemperatureTable table;
        table.start = file.startTemperature;
        table.step = file.step;
        table.values = std::move(file.values);
        std::string order = set->ApplyTemperatureTable(table);
        if (!order.empty())
            PrintError(err, "warning: " + order);
    }
    set->SaveFile(o.args[1]);
    return 0;
}

int CmdExportTable(const CliOptions& o, std::ostream&, std::ostream& err) {
    NeedTwoOperands(o, "export-table CFG TABLEFILE");
    auto set = OpenModel(o.args[1], err);
    // A table file without points is refused by every reader: do not write one.
    auto refuseEmpty = [&o](bool empty) {
        if (empty)
            throw CliRejected{o.args[1] + " holds no table points; nothing was written."};
    };
    if (set->GetTableKind() == TableKind::XY) {
        XYTable table = set->GetXYTable();
        refuseEmpty(table.x.empty());
        CTableFile file;
        file.xValues = std::move(table.x);
        file.yValues = std::move(table.y);
        file.write(o.args[2]);
    } else {
        TemperatureTable table = set->GetTemperatureTable();
        refuseEmpty(table.values.empty());
        CTableFile2 file;
        file.startTemperature = table.start;
        file.step = table.step;
        file.values = std::move(table.values);
        file.write(o.args[2]);
    }
    return 0;
}
