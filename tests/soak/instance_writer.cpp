// One program instance for the two-instance test: connects to the simulator over Modbus TCP,
// prints "ready", waits for a line on standard input, then writes the tag parameter count times
// as the parameter list does (each write inside the process-mode guard) and prints
// "done <count>".
//   q3_instance_writer LOCKFILE PORT LETTER COUNT
// The tags are LETTER followed by the iteration number, so the simulator's write log tells the
// two instances apart. Exit status 0, or 1 with the error on standard error.
#include "comm/CCommInterface.h"
#include "comm/CPrivateException.h"
#include "model/CDeviceType.h"
#include "model/CProcessPrivilege.h"
#include "model/ParameterIds.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <mutex>
#include <string>

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: q3_instance_writer LOCKFILE PORT LETTER COUNT\n");
        return 2;
    }
    // Before the first guard: the lock opens its file once per process.
    CProcessPrivilege::SetLockPath(argv[1]);
    const std::string letter = argv[3];
    const int count = std::atoi(argv[4]);
    SetMessageSink([](const std::string& text, CPrivateException::Icon) {
        std::fprintf(stderr, "message: %s\n", text.c_str());
    });
    try {
        CommSettings settings;
        settings.mode = kModeTcp;
        settings.host = "127.0.0.1";
        settings.service = argv[2];
        CCommInterface comm;
        comm.SetSettings(settings);
        comm.Connect();
        std::unique_ptr<CParBase> set = CDeviceType::NewParameterSet(9);
        std::cout << "ready" << std::endl;
        std::string go;
        std::getline(std::cin, go);
        for (int i = 0; i < count; ++i) {
            set->SetValueText(kIdTag, letter + std::to_string(i), true);
            std::lock_guard lock(comm.Lock());
            set->WriteParameter(comm, kIdTag);
        }
        comm.Disconnect();
    } catch (const CPrivateException& e) {
        std::fprintf(stderr, "%s\n", e.Message().c_str());
        return 1;
    }
    std::cout << "done " << count << std::endl;
    return 0;
}
