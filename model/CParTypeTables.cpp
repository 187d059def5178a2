#include "comm/CPrivateException.h"
#include "comm/MessageFormat.h"
#include "model/CModelContext.h"
#include "model/CParTypeCommon.h"
#include "model/ParameterIds.h"
#include "resources/CStringTable.h"
#include "resources/StringIds.h"

#include <algorithm>

// The linearizer tables of the model interpreter: the custom temperature table and the XY
// table as the table dialogs and the table files see them.

namespace {
constexpr int kCustomPoints = 300;
constexpr int kMaxXYPairs = 101;

int32_t Round4(double v) {
    return CParBase::RoundFixed4(v);
}
} // namespace

std::string CParTypeCommon::GetGroupActionCaption(int group, int flag) const {
    return group == kGroupTable && flag == 0 ? LoadStr(kStrTableFile) : std::string();
}

TemperatureTable CParTypeCommon::GetTemperatureTable() const {
    TemperatureTable table;
    table.start = Get(kIdCustomStart) / 10000.0;
    table.step = Get(kIdCustomStep);
    int points = std::clamp<int>(Get(kIdCustomPoints), 0, kCustomPoints);
    for (int i = 0; i < points; ++i)
        table.values.push_back(Get(kIdCustomFirst + i) / 10000.0);
    return table;
}

XYTable CParTypeCommon::GetXYTable() const {
    XYTable table;
    int points = std::clamp<int>(Get(kIdXYPoints), 0, kMaxXYPairs);
    for (int i = 0; i < points; ++i) {
        table.x.push_back(Get(kIdXYFirst + 2 * i) / 10000.0);
        table.y.push_back(Get(kIdXYFirst + 2 * i + 1) / 10000.0);
    }
    return table;
}

std::string CParTypeCommon::ApplyTemperatureTable(const TemperatureTable& table) {
    int n = static_cast<int>(std::min<std::size_t>(table.values.size(), kCustomPoints));
    Put(kIdCustomPoints, n);
    Put(kIdCustomStart, Round4(table.start));
    Put(kIdCustomStep, table.step);
    std::string message;
    int direction = 0;
    for (int i = 0; i < kCustomPoints; ++i) {
        int32_t v = i < n ? Round4(table.values[static_cast<std::size_t>(i)]) : 0;
        Put(kIdCustomFirst + i, v);
        if (i == 0 || i >= n || !message.empty())
            continue;
        int32_t previous = Get(kIdCustomFirst + i - 1);
        if (i == 1) {
            direction = previous < v ? 1 : (previous > v ? -1 : 0);
            if (direction == 0)
                message = StrPrintf(LoadStr(kMsgTempFileOrder).c_str(), 1);
        } else if ((direction > 0 && !(previous < v)) || (direction < 0 && !(previous > v))) {
            message = StrPrintf(LoadStr(kMsgTempFileOrder).c_str(), i);
        }
    }
    return message;
}

void CParTypeCommon::ApplyXYTable(const XYTable& table) {
    int n = static_cast<int>(std::min({table.x.size(), table.y.size(), std::size_t{kMaxXYPairs}}));
    Put(kIdXYPoints, n);
    for (int i = 0; i < kMaxXYPairs; ++i) {
        Put(kIdXYFirst + 2 * i, i < n ? Round4(table.x[static_cast<std::size_t>(i)]) : 0);
        Put(kIdXYFirst + 2 * i + 1, i < n ? Round4(table.y[static_cast<std::size_t>(i)]) : 0);
    }
}

void CParTypeCommon::RunGroupAction(void* parent, int group, int flag) {
    ITableEditor* editor = GetTableEditor();
    if (group != kGroupTable || flag != 0 || !editor)
        return;
    if (m_desc->tableKind == TableKind::XY) {
        XYTable table = GetXYTable();
        if (editor->EditXYTable(parent, table))
            ApplyXYTable(table);
        return;
    }
    TemperatureTable table = GetTemperatureTable();
    if (editor->EditTemperatureTable(parent, table, CModelContext::TempUnit())) {
        std::string message = ApplyTemperatureTable(table);
        if (!message.empty())
            ShowMessage(message, CPrivateException::Icon::Stop);
    }
}
