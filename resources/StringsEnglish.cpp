#include "resources/CStringTable.h"

// The program's English texts, sorted by id.
extern const StringEntry kEnglishStrings[] = {
    {205, "%1 should be a from %2 to %3. "},
    {305, "Communication port %s can not be opened."},
    {306, "Communication port can not be change settings."},
    {11018, "Modbus-TCP Error. %1!s!"},
};
extern const std::size_t kEnglishStringCount = sizeof(kEnglishStrings) / sizeof(kEnglishStrings[0]);
