#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The input families of the transmitter line; each comes with two outputs or one.
enum class CSimFamily { Rtd, Potentiometer, Dc, Thermocouple };

struct CSimModelInfo {
    int number;       // register 9600
    const char* name; // model string, also the default model text
    CSimFamily family;
    int outputs; // 1 or 2
};

// The eight models in model-number order.
const std::vector<CSimModelInfo>& SimModels();
// nullptr for a number that is not a model of the line.
const CSimModelInfo* FindSimModel(int number);
// A model name ("Q3VA", case-insensitive) or a model number ("1001"); nullopt when neither.
std::optional<int> ParseSimModel(std::string_view text);
