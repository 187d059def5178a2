#pragma once

#include "comm/CommSettings.h"

#include <cstddef>
#include <cstdint>

// The byte transport under the Modbus client: the client frames, times and validates; the
// transport only moves bytes. The serial and TCP transports are the production ones; tests and
// fuzzers put their own behind the client to feed it any response.
class IModbusTransport {
public:
    virtual ~IModbusTransport() = default;

    // Opens the line the settings name (closing an open one first); raises CPrivateException.
    virtual void Open(const CommSettings& settings) = 0;
    // Never raises; closing a closed transport does nothing.
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;

    // Before a request: drop stale input left from an earlier exchange (serial: a read of up
    // to 512 bytes bounded by 1 ms, nothing right after a pause that watched the line). May
    // raise.
    virtual void DiscardInput() = 0;
    // After a failed attempt: reads and drops whatever arrives until nothing has come for
    // quietMs, so that a late answer to the failed request cannot pass for the answer to the
    // next one. May raise.
    virtual void DiscardUntilQuiet(uint32_t quietMs) = 0;
    // Sends one whole frame. A failed send is not reported by itself (serial and TCP alike):
    // the receive then reports no response.
    virtual void Send(const uint8_t* frame, std::size_t size) = 0;
    // The bound of the next Receive, in milliseconds. May raise (serial: 306, port closed).
    virtual void SetResponseTimeout(uint32_t ms) = 0;
    // One receive of up to size bytes within the response time-out. Returns the number of
    // bytes received; no answer or a failed receive gives 0. A frame-oriented transport (TCP)
    // hands over one frame per call and drops the part of a frame that does not fit.
    virtual std::size_t Receive(uint8_t* buffer, std::size_t size) = 0;
    // The silent interval that separates one serial exchange from the next.
    virtual void Pause(uint32_t ms) = 0;
};
