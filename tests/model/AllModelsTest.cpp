// The eight classes side by side: identity, enumeration, files and the register traffic of a
// full download and upload. The expected traces are spelled from the device register maps,
// not from the model descriptions.

#include "comm/CCommInterface.h"
#include "model/CDeviceType.h"
#include "model/CIniFile.h"
#include "model/ParameterFile.h"
#include "model/ParameterIds.h"
#include "tests/support/CRegisterBank.h"
#include "tests/support/ModelFixture.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace {
enum class Input { Rtd, Pot, Dc, Tc };

struct ModelCase {
    int typeCode;
    int modelNumber;
    const char* modelString;
    Input input;
    int outputs;
    int group0Rows, group1Rows, group2Count, group10Rows;
};

void PrintTo(const ModelCase& m, std::ostream* os) {
    *os << m.modelString;
}

const ModelCase kModels[] = {
    {9, 1001, "Q3VA", Input::Rtd, 2, 23, 7, 309, 11},
    {10, 1002, "Q3VA1", Input::Rtd, 1, 15, 5, 309, 10},
    {11, 1011, "Q3VB", Input::Pot, 2, 24, 7, 204, 10},
    {12, 1012, "Q3VB1", Input::Pot, 1, 15, 7, 204, 9},
    {13, 1021, "Q3VC", Input::Dc, 2, 20, 7, 204, 10},
    {14, 1022, "Q3VC1", Input::Dc, 1, 13, 7, 204, 9},
    {15, 1031, "Q3VD", Input::Tc, 2, 22, 7, 304, 12},
    {16, 1032, "Q3VD1", Input::Tc, 1, 14, 5, 304, 11},
};

std::string Reg(char op, int reg, int count) {
    return op + std::to_string(reg) + "x" + std::to_string(count);
}

void Append(Trace& to, const Trace& more) {
    to.insert(to.end(), more.begin(), more.end());
}

bool HasBurnout(Input in) {
    return in != Input::Dc;
}
bool HasXY(Input in) {
    return in == Input::Pot || in == Input::Dc;
}

// Group 0 ids in table order.
std::vector<int> Group0(const ModelCase& m) {
    std::vector<int> ids{65000, 0, 1, 2, 51};
    switch (m.input) {
    case Input::Rtd:
        ids.insert(ids.end(), {63, 69});
        break;
    case Input::Pot:
        ids.push_back(69);
        break;
    case Input::Dc:
        ids.push_back(50);
        break;
    case Input::Tc:
        ids.push_back(61);
        break;
    }
    for (int o = 0; o < m.outputs; ++o) {
        // The single-output RTD and TC variants rename the block "Output".
        bool renamed = m.outputs == 1 && !HasXY(m.input);
        ids.push_back(renamed ? 65001 : 65010 + o);
        if (HasXY(m.input))
            ids.push_back(110 + o);
        for (int k = 0; k < 5; ++k)
            ids.push_back(100 + 5 * o + k);
        if (HasBurnout(m.input))
            ids.insert(ids.end(), {o == 0 ? 60 : 67, o == 0 ? 66 : 68});
    }
    return ids;
}

std::vector<int> Group1(const ModelCase& m) {
    if (m.outputs == 1 && !HasXY(m.input))
        return {65002, 10000, 10002, 10003, 10004};
    return {65002, 10000, 10002, 10003, 10004, 10008, 10009};
}

std::vector<int> Group2(const ModelCase& m) {
    std::vector<int> ids;
    int first = 0, points = 0;
    switch (m.input) {
    case Input::Rtd:
        ids = {65004, 21000, 21001, 21002, 21003, 21004, 21005, 21006, 21007};
        first = 21008;
        points = 300;
        break;
    case Input::Tc:
        ids = {65004, 21005, 21006, 21007};
        first = 21008;
        points = 300;
        break;
    default:
        ids = {65003, 20001};
        first = 20002;
        points = 202;
        break;
    }
    for (int i = 0; i < points; ++i)
        ids.push_back(first + i);
    return ids;
}

// Register block of the output an id belongs to.
int OutputBase(int id) {
    bool second = (id >= 105 && id <= 109) || id == 67 || id == 68 || id == 111;
    return second ? 2200 : 2000;
}

// Registers WriteParameter writes for an id of group 0 (firmware 1.10, so 69 is written).
Trace WritesOf(const ModelCase& m, int id) {
    if (id >= 65000)
        return {};
    int base = OutputBase(id);
    auto w = [base](int offset, int count) { return Reg('W', base + offset, count); };
    bool burnout = HasBurnout(m.input);
    switch (id) {
    case 0:
        return {"W1000x1", "W1001x2", "W1003x2"};
    case 1:
        return {"W1001x2"};
    case 2:
        return {"W1003x2"};
    case 51:
        return {"W1020x2"};
    case 63:
        return {"W1030x1"};
    case 69:
        return {"R9602x1", "W1040x1"};
    case 61:
        return {"W1040x1"};
    case 50:
        return {"W1050x1"};
    case 110:
    case 111:
        return {w(30, 1)};
    case 60:
    case 67:
        return {w(20, 1), w(21, 2)};
    case 66:
    case 68:
        return {w(21, 2)};
    }
    Trace t;
    switch ((id - 100) % 5) {
    case 0:
        t = {w(0, 1), w(1, 2), w(3, 2), w(5, 2), w(7, 2)};
        break;
    case 1:
        t = {w(1, 2), w(5, 2), w(7, 2)};
        break;
    case 2:
        t = {w(3, 2), w(5, 2), w(7, 2)};
        break;
    case 3:
        return {w(5, 2)};
    case 4:
        return {w(7, 2)};
    }
    if (burnout)
        t.push_back(w(21, 2));
    return t;
}

Trace ReadsOf(int id) {
    if (id >= 65000)
        return {};
    int base = OutputBase(id);
    auto r = [base](int offset, int count) { return Reg('R', base + offset, count); };
    switch (id) {
    case 0:
        return {"R1000x1"};
    case 1:
        return {"R1001x2"};
    case 2:
        return {"R1003x2"};
    case 51:
        return {"R1020x2"};
    case 63:
        return {"R1030x1"};
    case 69:
        return {"R9602x1", "R1040x1"};
    case 61:
        return {"R1040x1"};
    case 50:
        return {"R1050x1"};
    case 110:
    case 111:
        return {r(30, 1)};
    case 60:
    case 67:
        return {r(20, 1)};
    case 66:
    case 68:
        return {r(21, 2)};
    }
    static const int kOffsets[] = {0, 1, 3, 5, 7};
    int k = (id - 100) % 5;
    return {r(kOffsets[k], k == 0 ? 1 : 2)};
}

Trace AdjustRegisters(char op) {
    Trace t;
    for (int reg : {1010, 1012, 2010, 2012, 2210, 2212})
        t.push_back(Reg(op, reg, 2));
    return t;
}

Trace TableRegisters(const ModelCase& m, char op) {
    Trace t;
    if (HasXY(m.input)) {
        t.push_back(Reg(op, 5000, 1));
        for (int n = 0; n < 20; ++n)
            t.push_back(Reg(op, 5001 + 20 * n, 20));
        t.push_back(Reg(op, 5401, 4)); // the last block holds X[100] and Y[100]
        return t;
    }
    if (m.input == Input::Rtd) {
        t.push_back(Reg(op, 4000, 1));
        for (int reg : {4001, 4003, 4005, 4007})
            t.push_back(Reg(op, reg, 2));
    }
    Append(t, {Reg(op, 4009, 2), Reg(op, 4011, 1), Reg(op, 4012, 1)});
    for (int k = 0; k < 30; ++k)
        t.push_back(Reg(op, 4013 + 20 * k, 20));
    return t;
}

Trace MonitorReads(const ModelCase& m) {
    Trace t{"R0x2", "R2x2", "R4x2"};
    if (m.input == Input::Tc)
        t.push_back("R6x2");
    Append(t, {"R22x2", "R24x2", "R26x2", "R28x2"});
    if (m.input == Input::Rtd || m.input == Input::Tc)
        t.push_back("R42x2");
    Append(t, {"R900x1", "R9601x1", "R9602x1", "R9603x8", "R9611x16", "R9627x2", "R9629x16"});
    return t;
}

class AllModels : public ModelFixture, public ::testing::WithParamInterface<ModelCase> {
protected:
    std::unique_ptr<CParBase> set = CDeviceType::NewParameterSet(GetParam().typeCode);
    CRegisterBank bank;
    CCommInterface comm{&bank};
    TempDir dir;

    void SetUp() override {
        ModelFixture::SetUp();
        ASSERT_NE(nullptr, set);
        bank[9602] = 110;
    }
};

// Keys of the SETTING section in file order.
std::vector<std::string> SettingKeys(const std::string& text) {
    std::vector<std::string> keys;
    std::size_t pos = text.find("[SETTING]\r\n");
    if (pos != 0)
        return keys;
    pos += 11;
    while (pos < text.size() && text[pos] != '[') {
        std::size_t eol = text.find("\r\n", pos);
        std::string line = text.substr(pos, eol - pos);
        keys.push_back(line.substr(0, line.find('=')));
        pos = eol == std::string::npos ? text.size() : eol + 2;
    }
    return keys;
}

std::vector<int> Ids(const CParBase& set, int group) {
    std::vector<int> ids;
    for (int i = 0; i < set.GetParameterCount(group); ++i)
        ids.push_back(set.GetParameterId(group, i));
    return ids;
}
} // namespace

TEST_P(AllModels, IdentityAndCloneKeepTheClass) {
    const ModelCase& m = GetParam();
    EXPECT_EQ(m.typeCode, set->TypeCode());
    EXPECT_EQ(m.modelNumber, set->ModelNumber());
    EXPECT_EQ(m.modelString, set->ModelString());
    EXPECT_EQ(m.outputs, set->GetOutputCount());
    EXPECT_EQ(1, set->GetInputCount());
    EXPECT_EQ(0, set->GetAlarmCount());
    EXPECT_EQ(m.typeCode, CDeviceType::TypeCodeFromModelNumber(m.modelNumber));
    EXPECT_EQ(m.modelNumber, CDeviceType::ModelNumberFromTypeCode(m.typeCode));
    set->SetValue(kIdFilterTime, 12345, true);
    std::unique_ptr<CParBase> copy(set->Clone());
    EXPECT_EQ(m.modelString, copy->ModelString());
    EXPECT_EQ(m.outputs, copy->GetOutputCount());
    EXPECT_EQ(m.typeCode, copy->TypeCode());
    EXPECT_EQ(12345, copy->GetValue(kIdFilterTime));
}

TEST_P(AllModels, EnumerationFollowsTheParameterTable) {
    const ModelCase& m = GetParam();
    EXPECT_EQ(m.group0Rows, set->GetParameterCount(0));
    EXPECT_EQ(m.group1Rows, set->GetParameterCount(1));
    EXPECT_EQ(m.group2Count, set->GetParameterCount(2));
    EXPECT_EQ(m.group10Rows, set->GetParameterCount(10));
    for (int g = 3; g < 10; ++g)
        EXPECT_EQ(0, set->GetParameterCount(g)) << g;
    EXPECT_EQ(Group0(m), Ids(*set, 0));
    EXPECT_EQ(Group1(m), Ids(*set, 1));
    EXPECT_EQ(Group2(m), Ids(*set, 2));
    EXPECT_EQ(-1, set->GetParameterId(2, m.group2Count));
    EXPECT_EQ(-1, set->GetParameterId(0, -1));
    for (int id : Ids(*set, 0))
        EXPECT_NE("", set->GetParameterName(id)) << id;
    EXPECT_EQ("Table File", set->GetGroupActionCaption(2, 0));
    EXPECT_EQ("", set->GetGroupActionCaption(2, 1));
    EXPECT_EQ("", set->GetGroupActionCaption(0, 0));
}

TEST_P(AllModels, FullDownloadWritesTheRegisterMapInOrder) {
    const ModelCase& m = GetParam();
    set->ResetProgress();
    set->Download(comm, kGroupAll);
    Trace expected{"R900x1", "W900x1"};
    for (int id : Group0(m)) {
        Trace writes = WritesOf(m, id);
        if (!writes.empty())
            Append(expected, Guarded(writes));
    }
    Append(expected, AdjustRegisters('W'));
    Append(expected, TableRegisters(m, 'W'));
    expected.push_back("W900x1");
    EXPECT_EQ(expected, bank.Trace());
    EXPECT_EQ(100, set->GetProgress());

    // Default table values travel low half first: XY pairs (-15 %, -15 %), (115 %, 115 %);
    // custom tables 0 and the raw value 1.
    const int tableStart = HasXY(m.input) ? 5001 : 4013;
    const CRegisterBank::Request* block = nullptr;
    for (const auto& r : bank.Requests())
        if (r.write && r.start == tableStart)
            block = &r;
    ASSERT_NE(nullptr, block);
    std::vector<uint16_t> head(block->values.begin(), block->values.begin() + 8);
    if (HasXY(m.input))
        EXPECT_EQ(
            (std::vector<uint16_t>{0xB610, 0xFFFD, 0xB610, 0xFFFD, 0x8C30, 0x0011, 0x8C30, 0x0011}),
            head);
    else
        EXPECT_EQ((std::vector<uint16_t>{0, 0, 1, 0, 0, 0, 0, 0}), head);
}

TEST_P(AllModels, FullUploadReadsTheRegisterMapInOrder) {
    const ModelCase& m = GetParam();
    set->ResetProgress();
    set->Upload(comm, kGroupAll);
    Trace expected;
    for (int id : Group0(m))
        Append(expected, ReadsOf(id));
    Append(expected, AdjustRegisters('R'));
    Append(expected, TableRegisters(m, 'R'));
    Append(expected, MonitorReads(m));
    EXPECT_EQ(expected, bank.Trace());
    EXPECT_EQ(100, set->GetProgress());
}

TEST_P(AllModels, GroupDownloadsAndUploadsStayInsideTheirGroup) {
    const ModelCase& m = GetParam();
    set->Download(comm, kGroupAdjust);
    EXPECT_EQ(Guarded(AdjustRegisters('W')), bank.Trace());
    bank.ClearRequests();
    set->Download(comm, kGroupTable);
    EXPECT_EQ(Guarded(TableRegisters(m, 'W')), bank.Trace());
    bank.ClearRequests();
    set->Upload(comm, kGroupTable);
    EXPECT_EQ(TableRegisters(m, 'R'), bank.Trace());
    bank.ClearRequests();
    set->Upload(comm, kGroupMonitor);
    EXPECT_EQ(MonitorReads(m), bank.Trace());
}

TEST_P(AllModels, FileKeysFollowTheTableAndRoundTripByteForByte) {
    const ModelCase& m = GetParam();
    // Non-default values in every group, the last point of the table included.
    set->SetValue(kIdFilterTime, 12345, true);
    set->SetValue(100, 1, true);
    set->SetValue(kIdOutput1FineZero, -5000, true);
    set->SetValue(kIdOutput1FineSpan, 1100000, true);
    int lastPoint = Group2(m).back();
    set->SetValue(lastPoint, 98765, false);
    std::string path = dir.File("model.cfg");
    set->SaveFile(path);
    std::string first = ReadWholeFile(path);

    std::vector<std::string> keys;
    std::vector<int> all = Group0(m);
    for (const auto& g : {Group1(m), Group2(m)})
        all.insert(all.end(), g.begin(), g.end());
    for (int id : all)
        keys.push_back("P" + std::to_string(id));
    EXPECT_EQ(keys, SettingKeys(first));
    EXPECT_EQ(std::to_string(m.modelNumber), CIniFile::Parse(first).GetString("HEAD", "MODEL"));
    EXPECT_NE(std::string::npos,
              first.find("\r\n[HEAD]\r\nMODEL=" + std::to_string(m.modelNumber)));
    EXPECT_EQ(std::string::npos, first.find("P6000"));
    EXPECT_EQ(std::string::npos, first.find("P62000"));

    OpenedParameterFile opened = OpenParameterFile(path);
    ASSERT_NE(nullptr, opened.set) << opened.error;
    for (int id : all)
        EXPECT_EQ(set->GetValueText(id), opened.set->GetValueText(id)) << id;
    std::string again = dir.File("again.cfg");
    opened.set->SaveFile(again);
    EXPECT_EQ(first, ReadWholeFile(again));
    EXPECT_EQ(98765, opened.set->GetValue(lastPoint));
    EXPECT_EQ(-5000, opened.set->GetValue(kIdOutput1FineZero));
}

TEST_P(AllModels, FileOpensOverEveryOtherModelAndReplacesIt) {
    const ModelCase& m = GetParam();
    std::string path = dir.File("file.cfg");
    set->SetValue(kIdFilterTime, 50000, true);
    set->SaveFile(path);
    for (const ModelCase& shown : kModels) {
        if (shown.typeCode == m.typeCode)
            continue;
        CDeviceType registry;
        CParBase* current = registry.CreateParameterSet(shown.typeCode);
        ASSERT_EQ(shown.typeCode, current->TypeCode());
        // The shown set itself refuses the file and keeps its values.
        EXPECT_EQ("This parameter file is not match this model.",
                  ThrownMessage([&] { current->LoadFile(path); }));
        EXPECT_EQ(0, current->GetValue(kIdFilterTime));
        OpenedParameterFile opened = OpenParameterFile(path);
        ASSERT_NE(nullptr, opened.set) << opened.error;
        EXPECT_EQ(m.typeCode, opened.set->TypeCode()) << shown.modelString;
        EXPECT_EQ(m.modelString, opened.set->ModelString());
        EXPECT_EQ(50000, opened.set->GetValue(kIdFilterTime));
    }
}

INSTANTIATE_TEST_SUITE_P(Models, AllModels, ::testing::ValuesIn(kModels),
                         [](const ::testing::TestParamInfo<ModelCase>& param) {
                             return std::string(param.param.modelString);
                         });

TEST(DeviceTypeRegistry, EveryCodeBuildsItsClassFreshAndKeepsTheCurrentOne) {
    CDeviceType registry;
    CParBase* qb = registry.CreateParameterSet(11);
    EXPECT_EQ("Q3VB", qb->ModelString());
    qb->SetValue(kIdFilterTime, 100000, true);
    EXPECT_EQ(100000, registry.CreateParameterSet(11)->GetValue(kIdFilterTime));
    CParBase* qb1 = registry.CreateParameterSet(12);
    EXPECT_EQ("Q3VB1", qb1->ModelString());
    EXPECT_EQ(0, qb1->GetValue(kIdFilterTime));
    EXPECT_EQ(2, qb1->GetValue(kIdInputType));
    EXPECT_EQ(qb1, registry.CreateParameterSet(17));
    EXPECT_EQ(nullptr, CDeviceType::NewParameterSet(8));
    EXPECT_EQ(nullptr, CDeviceType::NewParameterSet(17));
    std::map<int, std::string> names;
    for (int code = 9; code <= 16; ++code)
        names[code] = CDeviceType::GetTypeName(code);
    EXPECT_EQ("Q3VB-**Y (1 outputs)", names[12]);
    EXPECT_EQ("Q3VC-*** (2 outputs)", names[13]);
    EXPECT_EQ("Q3VD-*** (2 outputs)", names[15]);
    EXPECT_EQ(0, CDeviceType::TypeCodeFromModelNumber(1033));
    EXPECT_EQ(16, CDeviceType::TypeCodeFromModelNumber(1032));
    EXPECT_EQ(11, CDeviceType::TypeCodeFromModelNumber(1011));
}
