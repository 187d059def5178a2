#include "comm/DebugTrace.h"

#include <atomic>
#include <memory>
#include <mutex>

namespace {
// One process-wide sink of type Sink: swapped under a mutex, called outside it (a sink may be
// slow), skipped without locking while none is attached.
template <class Sink> class CSinkSlot {
public:
    void Set(Sink sink) {
        std::shared_ptr<const Sink> next;
        if (sink)
            next = std::make_shared<const Sink>(std::move(sink));
        std::lock_guard lock(m_mutex);
        m_sink = std::move(next);
        m_on.store(m_sink != nullptr, std::memory_order_release);
    }
    bool On() const { return m_on.load(std::memory_order_acquire); }
    template <class... Args> void Call(Args&&... args) {
        if (!On())
            return;
        std::shared_ptr<const Sink> sink;
        {
            std::lock_guard lock(m_mutex);
            sink = m_sink;
        }
        if (sink)
            (*sink)(std::forward<Args>(args)...);
    }

private:
    std::mutex m_mutex;
    std::shared_ptr<const Sink> m_sink;
    std::atomic<bool> m_on{false};
};

CSinkSlot<TraceSink> g_lines;
CSinkSlot<FrameSink> g_frames;
} // namespace

void SetTraceSink(TraceSink sink) {
    g_lines.Set(std::move(sink));
}

bool TraceEnabled() {
    return g_lines.On();
}

void TraceLine(const std::string& line) {
    g_lines.Call(line);
}

void SetFrameSink(FrameSink sink) {
    g_frames.Set(std::move(sink));
}

void TraceFrame(bool sent, const uint8_t* data, std::size_t size) {
    if (size != 0)
        g_frames.Call(sent, data, size);
}
