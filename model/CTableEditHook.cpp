#include "model/CTableEditHook.h"

#include <atomic>

namespace {
std::atomic<ITableEditor*> g_editor{nullptr};
}

void SetTableEditor(ITableEditor* editor) {
    g_editor.store(editor);
}
ITableEditor* GetTableEditor() {
    return g_editor.load();
}
