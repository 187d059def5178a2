// q3sim: a simulated Q3 transmitter for trying the program and for device-level tests.
#include "sim/CSimDevice.h"
#include "sim/CSimOptions.h"
#include "sim/CSimPortRegistration.h"
#include "sim/CSimServer.h"
#include "sim/SimStateFile.h"

#include <cstdio>
#include <exception>
#include <memory>

#include <signal.h>

namespace {

// The model when --model is absent: the state file's, else Q3VA.
int ChooseModel(const CSimOptions& options) {
    if (options.model) {
        return *options.model;
    }
    if (!options.statePath.empty()) {
        if (const auto state = SimLoadState(options.statePath)) {
            return state->model;
        }
    }
    return 1001;
}

int Run(const CSimOptions& options) {
    // Block the stop signals before any thread starts, so that only sigwait below sees them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    signal(SIGPIPE, SIG_IGN);

    CSimDevice device(ChooseModel(options), options.identity);
    if (options.listRegisters) {
        std::printf("%s %d\n%s", device.GetModel().name, device.GetModel().number,
                    device.GetMap().Describe().c_str());
        return 0;
    }
    if (!options.statePath.empty()) {
        device.AttachStateFile(options.statePath);
    }
    // Explicit options win over the state file.
    if (options.serialGiven) {
        device.SetSerialNumber(options.identity.serial);
    }
    if (options.tagGiven) {
        device.SetTag(options.identity.tag);
    }
    device.SetInput(options.input);
    device.SetBurnout(options.burnout);
    device.SetSeed(options.seed);
    device.SetFaults(options.faults);
    if (options.trace) {
        device.SetTraceSink([](const std::string& line) {
            std::printf("%s\n", line.c_str());
            std::fflush(stdout);
        });
    }

    CSimServer server(device);
    server.SetLineTiming(options.baud, options.turnaroundMs);
    std::string path;
    if (options.tcpPort >= 0) {
        path =
            "127.0.0.1:" + std::to_string(server.StartTcp(static_cast<uint16_t>(options.tcpPort)));
    } else if (!options.devicePath.empty()) {
        server.StartDevice(options.devicePath, options.baud > 0 ? options.baud : 9600);
        path = options.devicePath;
    } else {
        server.StartPty(options.linkPath);
        path = options.linkPath.empty() ? server.GetPath() : options.linkPath;
    }

    std::unique_ptr<CSimPortRegistration> registration;
    if (options.tcpPort < 0) {
        try {
            registration = std::make_unique<CSimPortRegistration>();
            registration->Register(path,
                                   CSimPortRegistration::DisplayName(device.GetModel().name, path));
        } catch (const std::exception& error) {
            // Serving goes on; only the program's port list will not show this simulator.
            std::fprintf(stderr, "q3sim: %s\n", error.what());
        }
    }
    std::printf("%s\n", path.c_str());
    std::fflush(stdout);

    int received = 0;
    sigwait(&stopSignals, &received);
    server.Stop();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    try {
        const CSimOptions options = ParseSimOptions(argc, argv);
        if (options.help) {
            std::fputs(SimUsageText().c_str(), stdout);
            return 0;
        }
        if (options.version) {
            std::printf("q3sim (%s) %s\n", Q3_PRODUCT_NAME, Q3_VERSION);
            return 0;
        }
        return Run(options);
    } catch (const std::invalid_argument& error) {
        std::fprintf(stderr, "q3sim: %s\n", error.what());
        return 2;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "q3sim: %s\n", error.what());
        return 1;
    }
}
