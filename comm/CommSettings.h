#pragma once

#include <cstdint>
#include <string>

// Transport modes of the Modbus client.
inline constexpr int32_t kModeRtu = 0;      // RTU on the serial port, line from the record
inline constexpr int32_t kModeTcp = 1;      // Modbus TCP to host:service
inline constexpr int32_t kModeRtuFixed = 2; // RTU at the fixed line 1200 baud 8-O-1, slave 1

// The communication settings record: filled by the settings loader of CCommInterface, copied by
// the Modbus client and the serial port. Plain value type.
struct CommSettings {
    int32_t mode = kModeRtu;
    int32_t slaveAddress = 1; // the low byte is sent
    std::string portName;     // path given to open(), e.g. /dev/serial/by-id/...
    std::string portDisplayName;
    int32_t baudIndex = 3;     // 0..5: 1200, 2400, 4800, 9600, 19200, 38400; other: 1200
    int32_t dataBitsIndex = 1; // 0: 7 bits, 1: 8 bits; other: 7
    int32_t parity = 1;        // 0 none, 1 odd, 2 even, 3 mark, 4 space
    int32_t stopBitsIndex = 0; // 0: 1 stop bit, 1: 2 stop bits; other: 1
    std::string host;          // Modbus TCP
    std::string service;       // Modbus TCP port number or service name

    bool operator==(const CommSettings&) const = default;

    // The fixed tables behind the three indexes.
    static uint32_t BaudRate(int32_t baudIndex);
    static int DataBits(int32_t dataBitsIndex);
    static int StopBits(int32_t stopBitsIndex);
    // Name shown in messages: the display name, or the path when the display name is empty.
    std::string ShownPortName() const;
};

inline uint32_t CommSettings::BaudRate(int32_t baudIndex) {
    static constexpr uint32_t kRates[] = {1200, 2400, 4800, 9600, 19200, 38400};
    return baudIndex >= 0 && baudIndex <= 5 ? kRates[baudIndex] : 1200;
}

inline int CommSettings::DataBits(int32_t dataBitsIndex) {
    return dataBitsIndex == 1 ? 8 : 7;
}

inline int CommSettings::StopBits(int32_t stopBitsIndex) {
    return stopBitsIndex == 1 ? 2 : 1;
}

inline std::string CommSettings::ShownPortName() const {
    return portDisplayName.empty() ? portName : portDisplayName;
}
