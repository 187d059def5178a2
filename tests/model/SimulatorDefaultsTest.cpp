#include "comm/CCommInterface.h"
#include "model/CDeviceType.h"
#include "sim/CSimDevice.h"
#include "tests/support/CRegisterBank.h"
#include "tests/support/ModelFixture.h"

#include <gtest/gtest.h>

// The simulator is written independently of the models; a fresh one must hold exactly the
// registers a default parameter set downloads, or "upload a new device" would not give defaults.
class SimulatorDefaults : public ModelFixture, public ::testing::WithParamInterface<int> {};

TEST_P(SimulatorDefaults, FreshSimulatorHoldsTheDownloadedDefaults) {
    auto set = CDeviceType::NewParameterSet(GetParam());
    ASSERT_TRUE(set);
    CSimDevice device(set->ModelNumber());
    CRegisterBank bank;
    bank[9602] = 110;
    CCommInterface comm(&bank);
    set->Download(comm, kGroupAll);
    int compared = 0;
    for (const auto& request : bank.Requests()) {
        if (!request.write || request.start == 900)
            continue;
        for (int i = 0; i < request.count; ++i) {
            int address = request.start + i;
            EXPECT_EQ(request.values[static_cast<std::size_t>(i)],
                      device.GetRegister(static_cast<uint16_t>(address)))
                << set->ModelString() << " register " << address;
            ++compared;
        }
    }
    EXPECT_GT(compared, 200);
}

INSTANTIATE_TEST_SUITE_P(AllModels, SimulatorDefaults, ::testing::Range(9, 17));
