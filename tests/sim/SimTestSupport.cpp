#include "tests/sim/SimTestSupport.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <stdlib.h>

uint16_t TestCrc(const Bytes& data) {
    uint16_t crc = 0xFFFF;
    for (uint8_t byte : data) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) {
            const bool lsb = crc & 1;
            crc >>= 1;
            if (lsb) {
                crc ^= 0xA001;
            }
        }
    }
    return crc;
}

Bytes WithCrc(Bytes data) {
    const uint16_t crc = TestCrc(data);
    data.push_back(static_cast<uint8_t>(crc & 0xFF));
    data.push_back(static_cast<uint8_t>(crc >> 8));
    return data;
}

Bytes ReadFrame(uint16_t start, uint16_t count, uint8_t slave) {
    return WithCrc({slave, 0x04, static_cast<uint8_t>(start >> 8), static_cast<uint8_t>(start),
                    static_cast<uint8_t>(count >> 8), static_cast<uint8_t>(count)});
}

Bytes WriteFrame(uint16_t start, const std::vector<uint16_t>& values, uint8_t slave) {
    const auto count = static_cast<uint16_t>(values.size());
    Bytes frame = {slave,
                   0x10,
                   static_cast<uint8_t>(start >> 8),
                   static_cast<uint8_t>(start),
                   static_cast<uint8_t>(count >> 8),
                   static_cast<uint8_t>(count),
                   static_cast<uint8_t>(2 * count)};
    for (uint16_t v : values) {
        frame.push_back(static_cast<uint8_t>(v >> 8));
        frame.push_back(static_cast<uint8_t>(v));
    }
    return WithCrc(frame);
}

std::vector<uint16_t> ReadAnswerValues(const Bytes& frame) {
    if (frame.size() < 5 || frame[1] != 0x04 || frame.size() != 5u + frame[2] ||
        frame[2] % 2 != 0) {
        return {};
    }
    const Bytes body(frame.begin(), frame.end() - 2);
    if (WithCrc(body) != frame) {
        return {};
    }
    std::vector<uint16_t> values;
    for (size_t i = 3; i + 1 < body.size(); i += 2) {
        values.push_back(static_cast<uint16_t>((body[i] << 8) | body[i + 1]));
    }
    return values;
}

std::vector<uint16_t> Split32(int32_t value) {
    const auto bits = static_cast<uint32_t>(value);
    return {static_cast<uint16_t>(bits & 0xFFFF), static_cast<uint16_t>(bits >> 16)};
}

std::string HexText(const Bytes& bytes) {
    std::string text;
    char byte[4];
    for (size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(byte, sizeof byte, i == 0 ? "%02X" : " %02X", bytes[i]);
        text += byte;
    }
    return text;
}

CTestDir::CTestDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "q3simtest-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    m_path = pattern;
}

CTestDir::~CTestDir() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

std::string ReadTextFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteTextFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::trunc) << text;
}
