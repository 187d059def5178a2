#include "resources/CStringTable.h"

#include <algorithm>
#include <atomic>
#include <dlfcn.h>
#include <mutex>

extern const StringEntry kEnglishStrings[];
extern const std::size_t kEnglishStringCount;

namespace {
struct Table {
    const StringEntry* entries = nullptr;
    std::size_t count = 0;
};

// The current language table is swapped only on the window thread while no device thread runs
// (a language switch stops the polling thread first); reads elsewhere take the mutex anyway.
std::mutex g_mutex;
Table g_current;
void* g_module = nullptr;

const StringEntry* Find(const Table& table, int id) {
    const StringEntry* end = table.entries + table.count;
    const StringEntry* it = std::lower_bound(
        table.entries, end, id, [](const StringEntry& e, int key) { return e.id < key; });
    if (it != end && it->id == id)
        return it;
    // Modules are not required to be sorted.
    if (table.entries != kEnglishStrings) {
        for (const StringEntry* e = table.entries; e != end; ++e)
            if (e->id == id)
                return e;
    }
    return nullptr;
}

Table EnglishTable() {
    return Table{kEnglishStrings, kEnglishStringCount};
}
} // namespace

const StringEntry* CStringTable::English(std::size_t* count) {
    if (count)
        *count = kEnglishStringCount;
    return kEnglishStrings;
}

std::string CStringTable::Get(int id) {
    std::lock_guard lock(g_mutex);
    if (g_current.entries) {
        if (const StringEntry* e = Find(g_current, id); e && e->text)
            return e->text;
    }
    if (const StringEntry* e = Find(EnglishTable(), id))
        return e->text;
    return {};
}

bool CStringTable::Has(int id) {
    std::lock_guard lock(g_mutex);
    return Find(EnglishTable(), id) != nullptr || (g_current.entries && Find(g_current, id));
}

bool CStringTable::LoadModule(const std::string& path, std::string* error) {
    UnloadModule();
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        if (error)
            *error = dlerror();
        return false;
    }
    auto fn = reinterpret_cast<LanguageTableFn>(dlsym(handle, kLanguageTableSymbol));
    std::size_t count = 0;
    const StringEntry* entries = fn ? fn(&count) : nullptr;
    if (!entries || count == 0) {
        if (error)
            *error = "the module holds no string table";
        dlclose(handle);
        return false;
    }
    std::lock_guard lock(g_mutex);
    g_module = handle;
    g_current = Table{entries, count};
    return true;
}

void CStringTable::UnloadModule() {
    std::lock_guard lock(g_mutex);
    g_current = Table{};
    if (g_module) {
        dlclose(g_module);
        g_module = nullptr;
    }
}

bool CStringTable::ModuleLoaded() {
    std::lock_guard lock(g_mutex);
    return g_module != nullptr;
}

void CStringTable::UseTable(const StringEntry* table, std::size_t count) {
    std::lock_guard lock(g_mutex);
    g_current = Table{table, table ? count : 0};
}
