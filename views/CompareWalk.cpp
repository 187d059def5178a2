#include "views/CompareWalk.h"

#include "comm/MessageFormat.h"
#include "model/CParBase.h"
#include "resources/CStringTable.h"
#include "resources/StringIds.h"

std::vector<CompareRow> CompareWalk(const CParBase& device, const CParBase& file) {
    std::vector<CompareRow> rows;
    std::string groupName;
    int headers = -1;
    int group = 0;
    int index = 0;
    while (index < device.GetParameterCount(group)) {
        int id = device.GetParameterId(group, index);
        std::string name = device.GetParameterName(id);
        if (device.GetParameterKind(id) == kKindHeader) {
            groupName = name;
            ++headers;
        } else {
            CompareRow row;
            row.group = groupName;
            row.name = std::move(name);
            row.deviceText = device.FormatValue(id, device.GetValue(id), true);
            row.fileText = file.FormatValue(id, file.GetValue(id), true);
            row.differs = device.GetValueText(id) != file.GetValueText(id);
            row.headerCounter = headers;
            rows.push_back(std::move(row));
        }
        // A header that ends a group moves on to the next group as a setting does.
        if (++index >= device.GetParameterCount(group)) {
            ++group;
            index = 0;
        }
    }
    return rows;
}

int CountMismatches(const std::vector<CompareRow>& rows) {
    int count = 0;
    for (const CompareRow& row : rows)
        count += row.differs ? 1 : 0;
    return count;
}

int FirstMismatch(const std::vector<CompareRow>& rows) {
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (rows[i].differs)
            return static_cast<int>(i);
    return -1;
}

std::string CompareResultText(int mismatches) {
    if (mismatches > 0)
        return FormatInserts(LoadStr(kMsgCompareMismatches), {static_cast<long long>(mismatches)});
    return LoadStr(kMsgCompareAllMatch);
}
