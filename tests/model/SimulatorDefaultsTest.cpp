#include "comm/CCommInterface.h"
#include "model/CDeviceType.h"
#include "sim/CSimDevice.h"
#include "sim/CSimRegisterMap.h"
#include "sim/SimModels.h"
#include "tests/support/CRegisterBank.h"
#include "tests/support/ModelFixture.h"

#include <gtest/gtest.h>

#include <set>

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

// Each model's table against the simulator's register map, which is written from the device
// documentation on its own: every stored row names a setting register of its width, and every
// setting register of the input, output and table blocks is some row's (or a table point's).
TEST_P(SimulatorDefaults, TableRowsAreTheSettingRegistersOfTheDevice) {
    auto set = CDeviceType::NewParameterSet(GetParam());
    const CSimModelInfo* model = FindSimModel(set->ModelNumber());
    ASSERT_NE(nullptr, model);
    CSimRegisterMap map(*model, SimReg::kFirstResponsePropertyFirmware);
    std::set<int> held;
    for (const ParameterRow& row : set->Table()) {
        if (!row.Stored())
            continue;
        const int width =
            row.encoding == ValueEncoding::UInt16 || row.encoding == ValueEncoding::Int16 ? 1 : 2;
        for (int a = row.reg; a < row.reg + width; ++a) {
            EXPECT_EQ(CSimRegKind::Setting, map.Kind(static_cast<uint16_t>(a)))
                << set->ModelString() << " id " << row.id << " register " << a;
            EXPECT_TRUE(held.insert(a).second) << set->ModelString() << " register " << a;
        }
        bool aligned = false;
        for (const auto& block : map.Blocks())
            aligned |= block.start <= row.reg && row.reg < block.start + block.count &&
                       (row.reg - block.start) % width == 0;
        EXPECT_TRUE(aligned) << set->ModelString() << " id " << row.id;
    }
    const bool xy = map.Kind(5000) == CSimRegKind::Setting;
    for (int a = 1000; a < 5001; ++a) {
        if (map.Kind(static_cast<uint16_t>(a)) == CSimRegKind::Setting && !(!xy && a >= 4013)) {
            EXPECT_TRUE(held.count(a)) << set->ModelString() << " register " << a << " unheld";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllModels, SimulatorDefaults, ::testing::Range(9, 17));
