// The XY table reader (CTableFile::read) on any file content. A table it accepts must write,
// and what it wrote must read and write again to the same bytes.
#include "comm/CPrivateException.h"
#include "fuzz/FuzzSupport.h"
#include "tables/CTableFile.h"

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
    CTableFile table;
    try {
        table.read(input);
    } catch (const CPrivateException&) {
        return 0;
    }
    if (table.xValues.empty() || table.xValues.size() > CTableFile::kMaxPairs ||
        table.xValues.size() != table.yValues.size())
        FuzzFailure("accepted table of " + std::to_string(table.xValues.size()) + "/" +
                    std::to_string(table.yValues.size()) + " values");
    try {
        table.write(first);
        CTableFile back;
        back.read(first);
        if (back.xValues.size() != table.xValues.size())
            FuzzFailure("written table reads back with another number of pairs");
        back.write(second);
    } catch (const CPrivateException& e) {
        FuzzFailure("an accepted table does not write and read back: " + e.Message());
    }
    if (ReadScratchFile(first) != ReadScratchFile(second))
        FuzzFailure("writing the table read back gives other bytes");
    return 0;
}
