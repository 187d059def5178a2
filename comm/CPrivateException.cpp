#include "comm/CPrivateException.h"

#include "comm/MessageFormat.h"
#include "resources/CStringTable.h"

#include <cstdio>
#include <cstring>
#include <mutex>

namespace {
std::mutex g_sinkMutex;
MessageSink g_sink;

const char* IconWord(CPrivateException::Icon icon) {
    switch (icon) {
    case CPrivateException::Icon::Stop:
        return "error";
    case CPrivateException::Icon::Warning:
        return "warning";
    default:
        return nullptr;
    }
}
} // namespace

CPrivateException CPrivateException::FromId(int id) {
    return CPrivateException(LoadStr(id));
}

CPrivateException CPrivateException::FromSystemError(int code) {
    char buffer[256];
    // GNU strerror_r returns the text, which may or may not live in buffer.
    const char* text = strerror_r(code, buffer, sizeof buffer);
    return CPrivateException(FormatInserts(LoadStr(11018), {std::string(text)}));
}

bool CPrivateException::GetErrorMessage(char* buffer, std::size_t size) const {
    if (buffer == nullptr || size == 0)
        return true;
    std::size_t n = std::min(size - 1, m_message.size());
    std::memcpy(buffer, m_message.data(), n);
    buffer[n] = '\0';
    return true;
}

void CPrivateException::ReportError(Icon icon) const {
    char buffer[512];
    GetErrorMessage(buffer, sizeof buffer);
    ShowMessage(buffer, icon);
}

void SetMessageSink(MessageSink sink) {
    std::lock_guard lock(g_sinkMutex);
    g_sink = std::move(sink);
}

void ShowMessage(const std::string& text, CPrivateException::Icon icon) {
    MessageSink sink;
    {
        std::lock_guard lock(g_sinkMutex);
        sink = g_sink;
    }
    if (sink) {
        sink(text, icon);
        return;
    }
    if (const char* word = IconWord(icon))
        std::fprintf(stderr, "%s: %s\n", word, text.c_str());
    else
        std::fprintf(stderr, "%s\n", text.c_str());
}
