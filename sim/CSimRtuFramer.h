#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// Cuts the byte stream of a serial line into RTU request frames. The function code tells the
// length of the requests that matter (0x04: 8 bytes, 0x10: 9 + byte count, and the other
// standard codes), so a frame is answered as soon as its last byte arrives. What does not fit
// is resolved by the line going silent for 3.5 characters: after a frame with a bad CRC
// everything up to the silence is dropped, and an unknown function is passed on whole.
class CSimRtuFramer {
public:
    void Append(const uint8_t* data, size_t length);
    // The next complete frame, if one is buffered.
    std::optional<std::vector<uint8_t>> TakeFrame();
    // The line has been silent: whatever is buffered (possibly empty) is handed out and the
    // framer starts afresh.
    std::vector<uint8_t> TakeOnSilence();
    bool HasPending() const { return !m_buffer.empty() || m_discarding; }

    // Length of the request starting at frame[0] given its first length bytes: 0 when more bytes
    // are needed to tell, -1 when the function code gives no length.
    static int ExpectedLength(const uint8_t* frame, size_t length);

private:
    std::vector<uint8_t> m_buffer;
    bool m_discarding = false;
};
