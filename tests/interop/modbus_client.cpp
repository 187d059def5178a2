// A Modbus master built on libmodbus, an implementation independent of ours, for the
// simulator's interop tests. Addresses are zero-based (PDU addressing); reads use function 0x04,
// writes function 0x10. PORT is a serial device path or 127.0.0.1:<tcp port>.
//
//   q3sim_modbus_client PORT read ADDR COUNT      prints the values, one line
//   q3sim_modbus_client PORT write ADDR V...      writes the values
//   q3sim_modbus_client PORT probe N              N reads of register 9600: 'o' answered, 'x' not
//   q3sim_modbus_client PORT interop              writes and reads back a fixed sequence
#include <modbus.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

modbus_t* Open(const std::string& port) {
    modbus_t* ctx = nullptr;
    const size_t colon = port.rfind(':');
    if (port.rfind("127.0.0.1:", 0) == 0) {
        ctx = modbus_new_tcp("127.0.0.1", std::atoi(port.c_str() + colon + 1));
    } else {
        ctx = modbus_new_rtu(port.c_str(), 9600, 'O', 8, 1);
    }
    if (ctx == nullptr) {
        std::fprintf(stderr, "modbus_new: %s\n", modbus_strerror(errno));
        return nullptr;
    }
    modbus_set_slave(ctx, 1);
    modbus_set_response_timeout(ctx, 1, 0);
    if (modbus_connect(ctx) != 0) {
        std::fprintf(stderr, "modbus_connect %s: %s\n", port.c_str(), modbus_strerror(errno));
        modbus_free(ctx);
        return nullptr;
    }
    return ctx;
}

bool Read(modbus_t* ctx, int address, int count, std::vector<uint16_t>& values) {
    values.assign(static_cast<size_t>(count), 0);
    if (modbus_read_input_registers(ctx, address, count, values.data()) != count) {
        std::fprintf(stderr, "read %d x %d: %s\n", address, count, modbus_strerror(errno));
        return false;
    }
    return true;
}

bool Write(modbus_t* ctx, int address, const std::vector<uint16_t>& values) {
    const int count = static_cast<int>(values.size());
    if (modbus_write_registers(ctx, address, count, values.data()) != count) {
        std::fprintf(stderr, "write %d x %d: %s\n", address, count, modbus_strerror(errno));
        return false;
    }
    return true;
}

// A request that must fail with this exception (libmodbus reports it as errno).
bool ExpectException(int result, int expectedErrno, const char* what) {
    if (result >= 0 || errno != expectedErrno) {
        std::fprintf(stderr, "%s: expected '%s', got %s\n", what, modbus_strerror(expectedErrno),
                     result >= 0 ? "success" : modbus_strerror(errno));
        return false;
    }
    return true;
}

int Interop(modbus_t* ctx) {
    std::vector<uint16_t> values;
    if (!Read(ctx, 9600, 3, values) || values[0] < 1001 || values[0] > 1032) {
        return 1;
    }
    std::printf("model %u hardware %u firmware %u\n", values[0], values[1], values[2]);

    // Tag: one UTF-16 character per register.
    const std::string tag = "INTEROP";
    std::vector<uint16_t> tagRegisters(16, 0);
    for (size_t i = 0; i < tag.size(); ++i) {
        tagRegisters[i] = static_cast<uint8_t>(tag[i]);
    }
    if (!Write(ctx, 9629, tagRegisters) || !Read(ctx, 9629, 16, values)) {
        return 1;
    }
    if (values != tagRegisters) {
        std::fprintf(stderr, "tag read back differs\n");
        return 1;
    }
    // Input type, and a 32-bit range end (low half first).
    if (!Write(ctx, 1000, {1}) || !Write(ctx, 1003, {0xEA60, 0x0000}) ||
        !Read(ctx, 1000, 5, values)) {
        return 1;
    }
    if (values[0] != 1 || values[3] != 0xEA60 || values[4] != 0) {
        std::fprintf(stderr, "settings read back differ\n");
        return 1;
    }

    uint16_t one = 0;
    if (!ExpectException(modbus_read_input_registers(ctx, 10, 1, &one), EMBXILADD, "read 10") ||
        !ExpectException(modbus_write_registers(ctx, 9600, 1, &one), EMBXILADD, "write 9600") ||
        !ExpectException(modbus_read_registers(ctx, 9600, 1, &one), EMBXILFUN, "function 3") ||
        !ExpectException(modbus_write_registers(ctx, 20000, 1, &one), EMBXSFAIL, "write 20000")) {
        return 1;
    }
    std::printf("interop ok\n");
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s PORT read|write|probe|interop ...\n", argv[0]);
        return 2;
    }
    const std::string command = argv[2];
    modbus_t* ctx = Open(argv[1]);
    if (ctx == nullptr) {
        return 1;
    }
    int status = 0;
    std::vector<uint16_t> values;
    if (command == "read" && argc == 5) {
        status = Read(ctx, std::atoi(argv[3]), std::atoi(argv[4]), values) ? 0 : 1;
        for (size_t i = 0; status == 0 && i < values.size(); ++i) {
            std::printf(i == 0 ? "%u" : " %u", values[i]);
        }
        if (status == 0) {
            std::printf("\n");
        }
    } else if (command == "write" && argc >= 5) {
        for (int i = 4; i < argc; ++i) {
            values.push_back(static_cast<uint16_t>(std::strtoul(argv[i], nullptr, 0)));
        }
        status = Write(ctx, std::atoi(argv[3]), values) ? 0 : 1;
    } else if (command == "probe" && argc == 4) {
        modbus_set_response_timeout(ctx, 0, 300000);
        for (int i = std::atoi(argv[3]); i > 0; --i) {
            uint16_t model = 0;
            const bool ok = modbus_read_input_registers(ctx, 9600, 1, &model) == 1;
            std::putchar(ok && model >= 1001 ? 'o' : 'x');
            modbus_flush(ctx);
        }
        std::putchar('\n');
    } else if (command == "interop" && argc == 3) {
        status = Interop(ctx);
    } else {
        std::fprintf(stderr, "bad arguments for %s\n", command.c_str());
        status = 2;
    }
    modbus_close(ctx);
    modbus_free(ctx);
    return status;
}
