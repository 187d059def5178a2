#include "resources/CStringTable.h"

namespace {
const StringEntry kJapanese[] = {
    {205, "%1 は %2 から %3 の範囲で設定してください。"},
};
} // namespace

extern "C" __attribute__((visibility("default"))) const StringEntry*
q3_language_strings(std::size_t* count) {
    *count = sizeof(kJapanese) / sizeof(kJapanese[0]);
    return kJapanese;
}
