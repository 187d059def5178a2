#pragma once

#include "comm/CPrivateException.h"
#include "comm/IModbusTransport.h"
#include "comm/MessageFormat.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

// A transport that answers from a script and logs every call in order, as text:
// "open", "close", "discard", "send 01 04 ...", "timeout 226", "receive 7", "pause 13".
class CScriptedTransport : public IModbusTransport {
public:
    // Replies handed out by Receive, one per call; an empty reply is no answer.
    std::deque<std::vector<uint8_t>> replies;
    // Consulted when the queue is empty: the reply to the last frame sent.
    std::function<std::vector<uint8_t>(const std::vector<uint8_t>& request)> responder;
    // Answers still on their way: they arrive at the next Receive unless a quiet wait comes
    // first (a slow line's late answer).
    std::deque<std::vector<uint8_t>> late;
    std::size_t lateDropped = 0;
    // Raised by SetResponseTimeout on the call with this 0-based index (-1: never).
    int failTimeoutAt = -1;

    std::vector<std::string> log;
    std::vector<std::vector<uint8_t>> sent;

    void Open(const CommSettings& s) override {
        log.push_back("open");
        opened = s;
        m_open = true;
    }
    void Close() override {
        log.push_back("close");
        m_open = false;
    }
    bool IsOpen() const override { return m_open; }
    void DiscardInput() override { log.push_back("discard"); }
    void DiscardUntilQuiet(uint32_t ms) override {
        log.push_back("quiet " + std::to_string(ms));
        // What was still on its way to the failed attempt arrives now and is dropped.
        lateDropped += late.size();
        late.clear();
    }
    void Send(const uint8_t* frame, std::size_t size) override {
        sent.emplace_back(frame, frame + size);
        log.push_back("send " + Hex(sent.back()));
    }
    void SetResponseTimeout(uint32_t ms) override {
        log.push_back("timeout " + std::to_string(ms));
        if (m_timeoutCalls++ == failTimeoutAt)
            throw CPrivateException("Communication port can not be change settings.");
    }
    std::size_t Receive(uint8_t* buffer, std::size_t size) override {
        log.push_back("receive " + std::to_string(size));
        std::vector<uint8_t> reply;
        if (!late.empty()) {
            reply = late.front();
            late.pop_front();
        } else if (!replies.empty()) {
            reply = replies.front();
            replies.pop_front();
        } else if (responder && !sent.empty()) {
            reply = responder(sent.back());
        }
        std::size_t n = std::min(size, reply.size());
        std::copy(reply.begin(), reply.begin() + static_cast<std::ptrdiff_t>(n), buffer);
        return n;
    }
    void Pause(uint32_t ms) override { log.push_back("pause " + std::to_string(ms)); }

    static std::string Hex(const std::vector<uint8_t>& bytes) {
        std::string out;
        for (uint8_t b : bytes)
            out += (out.empty() ? "" : " ") + StrPrintf("%02X", b);
        return out;
    }

    CommSettings opened;

private:
    bool m_open = false;
    int m_timeoutCalls = 0;
};
