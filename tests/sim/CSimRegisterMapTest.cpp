// The register map and defaults of every model, observed through Modbus reads.
#include "sim/CSimDevice.h"

#include "tests/sim/SimTestSupport.h"

#include <gtest/gtest.h>

namespace {

std::vector<uint16_t> Read(CSimDevice& device, uint16_t start, uint16_t count) {
    return ReadAnswerValues(device.ProcessRtuFrame(ReadFrame(start, count)).value_or(Bytes{}));
}

int32_t Read32(CSimDevice& device, uint16_t start) {
    const std::vector<uint16_t> v = Read(device, start, 2);
    EXPECT_EQ(v.size(), 2u) << "register " << start;
    return v.size() == 2 ? static_cast<int32_t>(v[0] | (static_cast<uint32_t>(v[1]) << 16)) : 0;
}

bool Present(CSimDevice& device, uint16_t address) {
    return !Read(device, address, 1).empty();
}

struct ModelCase {
    int number;
    const char* name;
    int inputType;
    int32_t zero;
    int32_t full;
    bool rtd, pot, dc, tc;
};

const ModelCase kModels[] = {
    {1001, "Q3VA", 0, 0, 1000000, true, false, false, false},
    {1002, "Q3VA1", 0, 0, 1000000, true, false, false, false},
    {1011, "Q3VB", 2, 0, 1000000, false, true, false, false},
    {1012, "Q3VB1", 2, 0, 1000000, false, true, false, false},
    {1021, "Q3VC", 0, 40000, 200000, false, false, true, false},
    {1022, "Q3VC1", 0, 40000, 200000, false, false, true, false},
    {1031, "Q3VD", 0, 0, 16000000, false, false, false, true},
    {1032, "Q3VD1", 0, 0, 16000000, false, false, false, true},
};

class CSimModelDefaults : public ::testing::TestWithParam<ModelCase> {};

} // namespace

TEST_P(CSimModelDefaults, IdentityInputRangeAndDerivedOutputLimits) {
    const ModelCase& m = GetParam();
    CSimDevice device(m.number);
    EXPECT_EQ(Read(device, 9600, 3),
              (std::vector<uint16_t>{static_cast<uint16_t>(m.number), 100, 110}));
    EXPECT_EQ(device.GetText8(9611, 16), m.name);
    EXPECT_EQ(device.GetText8(20008, 16), m.name);
    EXPECT_EQ(Read(device, 1000, 1), (std::vector<uint16_t>{static_cast<uint16_t>(m.inputType)}));
    EXPECT_EQ(Read32(device, 1001), m.zero);
    EXPECT_EQ(Read32(device, 1003), m.full);
    EXPECT_EQ(Read32(device, 1010), 0);
    EXPECT_EQ(Read32(device, 1012), 1000000);
    EXPECT_EQ(Read32(device, 1020), 0);
    // Both output blocks answer on every model, also the single-output variants.
    for (uint16_t base : {2000, 2200}) {
        EXPECT_EQ(Read(device, base, 1), (std::vector<uint16_t>{0}));
        EXPECT_EQ(Read32(device, base + 1), 40000);
        EXPECT_EQ(Read32(device, base + 3), 200000);
        EXPECT_EQ(Read32(device, base + 5), 24000);
        EXPECT_EQ(Read32(device, base + 7), 216000);
        EXPECT_EQ(Read32(device, base + 10), 0);
        EXPECT_EQ(Read32(device, base + 12), 1000000);
        if (m.dc) {
            EXPECT_FALSE(Present(device, base + 20));
            EXPECT_FALSE(Present(device, base + 21));
        } else {
            EXPECT_EQ(Read(device, base + 20, 1), (std::vector<uint16_t>{2}));
            EXPECT_EQ(Read32(device, base + 21), 224000);
        }
        EXPECT_EQ(Present(device, base + 30), m.pot || m.dc);
    }
    EXPECT_EQ(Read(device, 26, 4).size(), 4u);
    EXPECT_EQ(Read(device, 900, 9).size(), 9u);
    EXPECT_EQ(Read(device, 9603, 42).size(), 42u); // serial to tag in one block
}

TEST_P(CSimModelDefaults, ModelSpecificRegistersExistOnlyWhereTheModelHasThem) {
    const ModelCase& m = GetParam();
    CSimDevice device(m.number);
    EXPECT_EQ(Present(device, 6), m.tc);
    EXPECT_EQ(Present(device, 42), m.rtd || m.tc);
    EXPECT_EQ(Present(device, 1030), m.rtd);
    EXPECT_EQ(Present(device, 1040), !m.dc);
    EXPECT_EQ(Present(device, 1050), m.dc);
    EXPECT_EQ(Present(device, 4000), m.rtd);
    EXPECT_EQ(Present(device, 4007), m.rtd);
    EXPECT_EQ(Present(device, 4009), m.rtd || m.tc);
    EXPECT_EQ(Present(device, 4612), m.rtd || m.tc);
    EXPECT_FALSE(Present(device, 4613));
    EXPECT_EQ(Present(device, 5000), m.pot || m.dc);
    EXPECT_EQ(Present(device, 5404), m.pot || m.dc);
    EXPECT_FALSE(Present(device, 5405));
    EXPECT_EQ(Present(device, 21018), m.rtd); // seven gain entries on the RTD model only
    EXPECT_FALSE(Present(device, 21042));
    EXPECT_TRUE(Present(device, 22117));
    EXPECT_FALSE(Present(device, 22118));
    EXPECT_EQ(Read(device, 30000, 2), (std::vector<uint16_t>{0, 0xFFFF}));
    EXPECT_EQ(Read(device, 30200, 2), (std::vector<uint16_t>{0, 0}));
}

TEST_P(CSimModelDefaults, TablesHoldTheirDefaultPoints) {
    const ModelCase& m = GetParam();
    CSimDevice device(m.number);
    if (m.rtd || m.tc) {
        EXPECT_EQ(Read32(device, 4009), 0);
        EXPECT_EQ(Read(device, 4011, 2), (std::vector<uint16_t>{1, 2}));
        EXPECT_EQ(Read32(device, 4013), 0);
        EXPECT_EQ(Read32(device, 4015), 1);
        EXPECT_EQ(Read32(device, 4017), 0);
    } else {
        EXPECT_EQ(Read(device, 5000, 1), (std::vector<uint16_t>{2}));
        EXPECT_EQ(Read32(device, 5001), -150000);
        EXPECT_EQ(Read32(device, 5003), -150000);
        EXPECT_EQ(Read32(device, 5005), 1150000);
        EXPECT_EQ(Read32(device, 5007), 1150000);
        EXPECT_EQ(Read32(device, 5009), 0);
    }
    if (m.rtd) {
        EXPECT_EQ(Read(device, 1030, 1), (std::vector<uint16_t>{2}));
        EXPECT_EQ(Read(device, 4000, 9), std::vector<uint16_t>(9, 0));
    }
    if (m.tc) {
        EXPECT_EQ(Read(device, 1040, 1), (std::vector<uint16_t>{1}));
        EXPECT_EQ(Read32(device, 6), 250000);
    }
}

INSTANTIATE_TEST_SUITE_P(AllModels, CSimModelDefaults, ::testing::ValuesIn(kModels),
                         [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST(CSimRegisterMap, OldFirmwareLacksTheResponsePropertyOnly) {
    CSimIdentity identity;
    identity.firmware = 109;
    for (int model : {1001, 1012}) {
        CSimDevice device(model, identity);
        EXPECT_EQ(Read(device, 9602, 1), (std::vector<uint16_t>{109}));
        EXPECT_FALSE(Present(device, 1040)) << model;
        EXPECT_TRUE(Present(device, 1020)) << model;
    }
    CSimDevice thermocouple(1031, identity);
    EXPECT_TRUE(Present(thermocouple, 1040));
}

TEST(CSimRegisterMap, UnknownModelNumberIsRefused) {
    EXPECT_THROW(CSimDevice(1000), std::invalid_argument);
    EXPECT_THROW(CSimDevice(1003), std::invalid_argument);
}

TEST(CSimRegisterMap, DescribeListsEveryBlockWithOneBasedAddresses) {
    const CSimRegisterMap map(*FindSimModel(1021), 110);
    const std::string text = map.Describe();
    EXPECT_NE(text.find(" 1050       [ 1051]"), std::string::npos) << text;
    EXPECT_NE(text.find(" 5001-5404  [ 5002-5405 ]"), std::string::npos) << text;
    EXPECT_EQ(text.find("burnout"), std::string::npos);
    size_t lines = 0;
    for (char c : text) {
        lines += c == '\n';
    }
    EXPECT_EQ(lines, map.Blocks().size());
}

TEST(SimModels, NamesAndNumbersParse) {
    EXPECT_EQ(ParseSimModel("Q3VD1"), 1032);
    EXPECT_EQ(ParseSimModel("q3vb"), 1011);
    EXPECT_EQ(ParseSimModel("1022"), 1022);
    EXPECT_FALSE(ParseSimModel("Q3VE"));
    EXPECT_FALSE(ParseSimModel("1023"));
    EXPECT_FALSE(ParseSimModel(""));
    EXPECT_EQ(FindSimModel(1002)->outputs, 1);
    EXPECT_EQ(FindSimModel(1031)->family, CSimFamily::Thermocouple);
}
