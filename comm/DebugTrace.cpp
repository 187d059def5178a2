#include "comm/DebugTrace.h"

#include <atomic>
#include <memory>
#include <mutex>

namespace {
std::mutex g_traceMutex;
std::shared_ptr<const TraceSink> g_traceSink;
// Lets the traced paths skip formatting and locking while no sink is attached.
std::atomic<bool> g_traceOn{false};
std::shared_ptr<const FrameSink> g_frameSink;
std::atomic<bool> g_frameOn{false};
} // namespace

void SetFrameSink(FrameSink sink) {
    std::shared_ptr<const FrameSink> next;
    if (sink)
        next = std::make_shared<const FrameSink>(std::move(sink));
    std::lock_guard lock(g_traceMutex);
    g_frameSink = std::move(next);
    g_frameOn.store(g_frameSink != nullptr, std::memory_order_release);
}

void TraceFrame(bool sent, const uint8_t* data, std::size_t size) {
    if (!g_frameOn.load(std::memory_order_acquire) || size == 0)
        return;
    std::shared_ptr<const FrameSink> sink;
    {
        std::lock_guard lock(g_traceMutex);
        sink = g_frameSink;
    }
    if (sink)
        (*sink)(sent, data, size);
}

void SetTraceSink(TraceSink sink) {
    std::shared_ptr<const TraceSink> next;
    if (sink)
        next = std::make_shared<const TraceSink>(std::move(sink));
    std::lock_guard lock(g_traceMutex);
    g_traceSink = std::move(next);
    g_traceOn.store(g_traceSink != nullptr, std::memory_order_release);
}

bool TraceEnabled() {
    return g_traceOn.load(std::memory_order_acquire);
}

void TraceLine(const std::string& line) {
    if (!TraceEnabled())
        return;
    std::shared_ptr<const TraceSink> sink;
    {
        std::lock_guard lock(g_traceMutex);
        sink = g_traceSink;
    }
    if (sink)
        (*sink)(line);
}
