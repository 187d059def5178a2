// The parameter-file reader: any text goes through the profile parser and the SETTING loader of
// each of the eight models; what a model made of it must save, and load back to the same set.
#include "comm/CPrivateException.h"
#include "fuzz/FuzzSupport.h"
#include "model/CDeviceType.h"
#include "model/CIniFile.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {
std::string SavedSettings(const CParBase& set) {
    CIniFile file;
    set.SaveSettings(file);
    return file.Serialize();
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    SilenceMessages();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const CIniFile file = CIniFile::Parse(text);
    // The reader's own view of the text must survive its writer.
    const std::string serialized = file.Serialize();
    if (CIniFile::Parse(serialized).Serialize() != serialized)
        FuzzFailure("profile text changes when parsed again");

    // The round trip of one model per input (by the input's length) keeps an execution short:
    // walking a model's parameter table costs far more than the file itself.
    const int checked = CDeviceType::kFirstTypeCode + static_cast<int>(size % 8);
    for (int code = CDeviceType::kFirstTypeCode; code <= CDeviceType::kLastTypeCode; ++code) {
        std::unique_ptr<CParBase> set = CDeviceType::NewParameterSet(code);
        if (!set)
            FuzzFailure("no parameter set for type code " + std::to_string(code));
        try {
            set->LoadSettings(file);
        } catch (const CPrivateException&) {
            continue;
        }
        const std::string saved = SavedSettings(*set);
        if (code != checked)
            continue;
        // Loading what was saved must give the same settings: a file saved by the program
        // reopens as it was saved.
        std::unique_ptr<CParBase> again = CDeviceType::NewParameterSet(code);
        try {
            again->LoadSettings(CIniFile::Parse(saved));
        } catch (const CPrivateException& e) {
            FuzzFailure("type " + std::to_string(code) +
                        ": a saved file does not load: " + e.Message());
        }
        if (SavedSettings(*again) != saved)
            FuzzFailure("type " + std::to_string(code) + ": save and load change the settings");
    }
    return 0;
}
