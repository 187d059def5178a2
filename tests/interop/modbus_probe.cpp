// Our Modbus client as a small command for the interop tests: reads and writes registers
// through CModbusInterface over a serial port. Addresses are zero-based.
//
//   q3_modbus_probe [--fixed-line] PORT read ADDR COUNT    prints the values, one line
//   q3_modbus_probe [--fixed-line] PORT write ADDR V...     writes the values
//
// --fixed-line: mode 2 (1200 baud 8-O-1, slave 1, requests of at most 8 registers).
// A failure prints the client's message and exits 1.
#include "comm/CModbusInterface.h"
#include "comm/CPrivateException.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    CommSettings settings;
    if (!args.empty() && args[0] == "--fixed-line") {
        settings.mode = kModeRtuFixed;
        args.erase(args.begin());
    }
    if (args.size() < 4 || (args[1] != "read" && args[1] != "write")) {
        std::fprintf(stderr, "usage: q3_modbus_probe [--fixed-line] PORT read ADDR COUNT | "
                             "write ADDR VALUE...\n");
        return 2;
    }
    settings.portName = args[0];
    int address = std::atoi(args[2].c_str());
    try {
        CModbusInterface client;
        client.SetSettings(settings);
        client.Open();
        if (args[1] == "read") {
            std::vector<uint16_t> values(static_cast<std::size_t>(std::atoi(args[3].c_str())));
            client.ReadHoldingRegisters(address, static_cast<int>(values.size()), values.data());
            for (std::size_t i = 0; i < values.size(); ++i)
                std::printf(i ? " %u" : "%u", values[i]);
            std::printf("\n");
        } else {
            std::vector<uint16_t> values;
            for (std::size_t i = 3; i < args.size(); ++i)
                values.push_back(static_cast<uint16_t>(std::atoi(args[i].c_str())));
            client.WriteMultipleRegisters(address, static_cast<int>(values.size()), values.data());
        }
    } catch (const CPrivateException& e) {
        std::fprintf(stderr, "%s\n", e.Message().c_str());
        return 1;
    }
    return 0;
}
