#include "sim/SimModels.h"

#include <algorithm>
#include <cctype>

const std::vector<CSimModelInfo>& SimModels() {
    static const std::vector<CSimModelInfo> models = {
        {1001, "Q3VA", CSimFamily::Rtd, 2},
        {1002, "Q3VA1", CSimFamily::Rtd, 1},
        {1011, "Q3VB", CSimFamily::Potentiometer, 2},
        {1012, "Q3VB1", CSimFamily::Potentiometer, 1},
        {1021, "Q3VC", CSimFamily::Dc, 2},
        {1022, "Q3VC1", CSimFamily::Dc, 1},
        {1031, "Q3VD", CSimFamily::Thermocouple, 2},
        {1032, "Q3VD1", CSimFamily::Thermocouple, 1},
    };
    return models;
}

const CSimModelInfo* FindSimModel(int number) {
    for (const CSimModelInfo& model : SimModels()) {
        if (model.number == number) {
            return &model;
        }
    }
    return nullptr;
}

std::optional<int> ParseSimModel(std::string_view text) {
    auto sameName = [text](std::string_view name) {
        return text.size() == name.size() &&
               std::equal(text.begin(), text.end(), name.begin(), [](char a, char b) {
                   return std::toupper(static_cast<unsigned char>(a)) == b;
               });
    };
    for (const CSimModelInfo& model : SimModels()) {
        if (sameName(model.name) || text == std::to_string(model.number)) {
            return model.number;
        }
    }
    return std::nullopt;
}
