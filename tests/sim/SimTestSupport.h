#pragma once

#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

// The tests' own CRC-16/MODBUS, bit by bit, independent of the simulator's table.
uint16_t TestCrc(const Bytes& data);
// data followed by its CRC, low byte first.
Bytes WithCrc(Bytes data);
// Complete RTU request frames.
Bytes ReadFrame(uint16_t start, uint16_t count, uint8_t slave = 1);
Bytes WriteFrame(uint16_t start, const std::vector<uint16_t>& values, uint8_t slave = 1);
// Register values of a read answer (address, 0x04, byte count, data, CRC); empty when the frame
// is not a well-formed read answer with a correct CRC.
std::vector<uint16_t> ReadAnswerValues(const Bytes& frame);
// The two registers of a 32-bit value, low half first.
std::vector<uint16_t> Split32(int32_t value);
std::string HexText(const Bytes& bytes);

// A fresh directory, removed with its contents at the end of the test.
class CTestDir {
public:
    CTestDir();
    ~CTestDir();
    CTestDir(const CTestDir&) = delete;
    CTestDir& operator=(const CTestDir&) = delete;
    const std::string& Path() const { return m_path; }
    std::string File(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

std::string ReadTextFile(const std::string& path);
void WriteTextFile(const std::string& path, const std::string& text);
