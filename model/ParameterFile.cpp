#include "model/ParameterFile.h"

#include "comm/CPrivateException.h"
#include "comm/MessageFormat.h"
#include "model/CDeviceType.h"
#include "model/CIniFile.h"
#include "model/ParameterIds.h"
#include "resources/CStringTable.h"
#include "resources/StringIds.h"

#include <ctime>

namespace {
template <class Reader> OpenedParameterFile Open(Reader read) {
    OpenedParameterFile result;
    try {
        CIniFile file = read();
        int typeCode = CDeviceType::TypeCodeFromModelNumber(file.GetInt("HEAD", "MODEL", 0));
        if (typeCode == 0)
            throw CPrivateException::FromId(kMsgFileModelMismatch);
        auto set = CDeviceType::NewParameterSet(typeCode);
        set->LoadIni(file);
        result.ignored = set->IgnoredKeys();
        result.set = std::move(set);
    } catch (const CPrivateException& e) {
        result.error = e.Message();
    }
    return result;
}
} // namespace

OpenedParameterFile OpenParameterFile(const std::string& path) {
    return Open([&path] { return CIniFile::Load(path); });
}

OpenedParameterFile OpenParameterText(const std::string& text) {
    return Open([&text] { return CIniFile::Parse(text); });
}

std::string IgnoredText(const std::string& path, const std::vector<std::string>& keys) {
    if (keys.empty())
        return {};
    std::string list;
    for (const std::string& key : keys)
        list += (list.empty() ? "" : ", ") + key;
    return FormatInserts(LoadStr(kMsgValuesIgnored), {path, list});
}

std::string ProposedFileName(const CParBase& set) {
    std::string who = set.GetValueText(kIdSerial);
    if (who.find_first_not_of(' ') == std::string::npos)
        who = set.GetValueText(kIdTag);
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char date[16];
    std::strftime(date, sizeof date, "%Y-%m-%d", &local);
    std::string name = set.ModelString();
    std::size_t end = who.find_last_not_of(' ');
    if (end != std::string::npos)
        name += "_" + who.substr(who.find_first_not_of(' '), end + 1 - who.find_first_not_of(' '));
    name += std::string("_") + date;
    for (char& c : name)
        if (static_cast<unsigned char>(c) < 0x20 || c == '/' || c == '\\' || c == ' ' || c == ':' ||
            c == '*' || c == '?' || c == '"' || c == '<' || c == '>' || c == '|')
            c = '-';
    return name + ".cfg";
}
