#include "model/ParameterFile.h"

#include "comm/CPrivateException.h"
#include "comm/MessageFormat.h"
#include "model/CDeviceType.h"
#include "model/CIniFile.h"
#include "resources/CStringTable.h"
#include "resources/StringIds.h"

OpenedParameterFile OpenParameterFile(const std::string& path) {
    OpenedParameterFile result;
    try {
        int model = CIniFile::Load(path).GetInt("HEAD", "MODEL", 0);
        int typeCode = CDeviceType::TypeCodeFromModelNumber(model);
        if (typeCode == 0)
            throw CPrivateException::FromId(kMsgFileModelMismatch);
        auto set = CDeviceType::NewParameterSet(typeCode);
        set->LoadFile(path);
        result.ignored = set->IgnoredKeys();
        result.set = std::move(set);
    } catch (const CPrivateException& e) {
        result.error = e.Message();
    }
    return result;
}

std::string IgnoredText(const std::string& path, const std::vector<std::string>& keys) {
    if (keys.empty())
        return {};
    std::string list;
    for (const std::string& key : keys)
        list += (list.empty() ? "" : ", ") + key;
    return FormatInserts(LoadStr(kMsgValuesIgnored), {path, list});
}
