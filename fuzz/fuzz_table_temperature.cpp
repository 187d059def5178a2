// The temperature table reader (CTableFile2::read) on any file content. A table it accepts must
// write, and what it wrote must read and write again to the same bytes.
#include "comm/CPrivateException.h"
#include "fuzz/FuzzSupport.h"
#include "tables/CTableFile2.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    SilenceMessages();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    static const std::string input = ScratchDir() + "/input.tbl";
    static const std::string first = ScratchDir() + "/first.tbl";
    static const std::string second = ScratchDir() + "/second.tbl";
    WriteScratchFile(input, data, size);
    CTableFile2 table;
    try {
        table.read(input);
    } catch (const CPrivateException&) {
        return 0;
    }
    if (table.values.empty() || table.values.size() > CTableFile2::kMaxValues)
        FuzzFailure("accepted table of " + std::to_string(table.values.size()) + " values");
    if (!(table.startTemperature >= CTableFile2::kMinStart &&
          table.startTemperature <= CTableFile2::kMaxStart) ||
        table.step < 1 || table.step > CTableFile2::kMaxStep)
        FuzzFailure("accepted start or step out of range");
    try {
        table.write(first);
        CTableFile2 back;
        back.read(first);
        if (back.values.size() != table.values.size() || back.step != table.step)
            FuzzFailure("written table reads back with another size or step");
        back.write(second);
    } catch (const CPrivateException& e) {
        FuzzFailure("an accepted table does not write and read back: " + e.Message());
    }
    if (ReadScratchFile(first) != ReadScratchFile(second))
        FuzzFailure("writing the table read back gives other bytes");
    return 0;
}
