#pragma once

#include <cstddef>
#include <string>

// One entry of a string table: the numeric id every user-visible text is looked up by.
struct StringEntry {
    int id;
    const char* text; // UTF-8
};

// Symbol a language module exports; returns its table and sets *count.
extern "C" {
using LanguageTableFn = const StringEntry* (*)(std::size_t* count);
}
inline constexpr const char* kLanguageTableSymbol = "q3_language_strings";

// The program's string table. English is compiled in; a language module loaded at run time
// supplies the same ids in another language. Texts are UTF-8.
class CStringTable {
public:
    // The text of id in the current language; English when the module lacks the id;
    // empty for an id that exists nowhere.
    static std::string Get(int id);
    static bool Has(int id);

    // The compiled-in English table (sorted by id).
    static const StringEntry* English(std::size_t* count);

    // Loads the module at path (dlopen) and makes it current. On failure the English texts stay
    // current, *error receives the loader's reason and false is returned.
    static bool LoadModule(const std::string& path, std::string* error);
    // Back to the compiled-in English texts; frees a loaded module.
    static void UnloadModule();
    static bool ModuleLoaded();
    // Makes a table current without a module (tests); nullptr returns to English.
    static void UseTable(const StringEntry* table, std::size_t count);
};

// Shorthand used throughout the program.
inline std::string LoadStr(int id) {
    return CStringTable::Get(id);
}
