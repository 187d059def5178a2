// Uploads through answers that come late by 0.9 to 1.3 times the response time-out, for half of
// $Q3_SOAK_SECONDS: every upload either fails with the Modbus message or gives a parameter file
// equal to the simulator's state. The custom table holds a distinct value in every point, so an
// answer taken for the request after it (blocks of equal size) would show in the file.
#include "comm/CCommInterface.h"
#include "comm/CModbusInterface.h"
#include "comm/CPrivateException.h"
#include "device/CDeviceInterface.h"
#include "model/CParBase.h"
#include "sim/CSimDevice.h"
#include "sim/CSimServer.h"
#include "tests/soak/SoakSupport.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

using namespace soak;

namespace {
constexpr int kTablePoints = 300;
constexpr int kFirstPoint = 4013; // custom RTD R[0], fixed-4, two registers each
constexpr int kPointCount = 4012;

std::string Upload(CDeviceInterface& device, const TempDir& dir) {
    device.Upload();
    const std::string path = dir.File("upload.cfg");
    device.DeviceSet()->SaveFile(path);
    return ReadWholeFile(path);
}
} // namespace

TEST(Soak, LateAnswersNeverEndUpInAnUploadedFile) {
    const int seconds = std::max(10, EnvSeconds("Q3_SOAK_SECONDS", 30) / 2);
    CSimDevice sim(1001);
    sim.SetSeed(20261208);
    sim.SetRegister(kPointCount, kTablePoints);
    for (int k = 0; k < kTablePoints; ++k)
        sim.SetInt32(kFirstPoint + 2 * k, 1000000 + 1237 * k);
    CSimServer server(sim);
    const CommSettings settings = SerialSettings(server.StartPty());
    CCommInterface comm;
    comm.SetSettings(settings);
    comm.Connect();
    CDeviceInterface device;
    device.SetConnection(&comm);
    TempDir dir;
    const std::string reference = Upload(device, dir);

    // The time-outs of this upload's reads run from one register to a table block of twenty.
    const auto shortest = CModbusInterface::ResponseTimeoutFor(settings, false, 6, 5);
    const auto longest = CModbusInterface::ResponseTimeoutFor(settings, false, 6, 43);
    CSimFaults faults;
    faults.stall = 0.1;
    faults.stallMs = static_cast<int>(shortest * 9 / 10);
    faults.stallMaxMs = static_cast<int>(longest * 13 / 10);

    int equal = 0;
    int failed = 0;
    int wrong = 0;
    const Clock::time_point end = Clock::now() + std::chrono::seconds(seconds);
    while (Clock::now() < end) {
        sim.SetFaults(faults);
        try {
            std::string uploaded = Upload(device, dir);
            if (uploaded == reference)
                ++equal;
            else
                ++wrong;
            EXPECT_EQ(reference, uploaded) << "an upload that reported success holds wrong values";
        } catch (const CPrivateException& e) {
            ++failed;
            EXPECT_EQ(0u, e.Message().rfind("Modbus command failed.", 0)) << e.Message();
        }
    }
    sim.SetFaults({});
    EXPECT_EQ(0, wrong);
    EXPECT_GT(equal, 0) << "no upload got through: the check saw nothing";
    std::printf("late soak: %d s, %d uploads equal to the device, %d failed with the Modbus "
                "message, %d wrong\n",
                seconds, equal, failed, wrong);
}
