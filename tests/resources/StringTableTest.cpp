#include "resources/CStringTable.h"
#include "resources/CaptionIds.h"
#include "resources/ParameterNameIds.h"
#include "resources/StringIds.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include <dlfcn.h>

namespace {

const char* const kModulePath = Q3_BIN_DIR "/q3config_jpn.so";

using Table = std::vector<StringEntry>;

Table EnglishTable() {
    std::size_t count = 0;
    const StringEntry* entries = CStringTable::English(&count);
    return Table(entries, entries + count);
}

// The module's table read straight from the shared object, independent of the table switch.
Table JapaneseTable() {
    static void* handle = dlopen(kModulePath, RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        return {};
    auto fn = reinterpret_cast<LanguageTableFn>(dlsym(handle, kLanguageTableSymbol));
    if (!fn)
        return {};
    std::size_t count = 0;
    const StringEntry* entries = fn(&count);
    return Table(entries, entries + count);
}

std::map<int, std::string> ById(const Table& table) {
    std::map<int, std::string> result;
    for (const StringEntry& e : table)
        result.emplace(e.id, e.text ? e.text : "");
    return result;
}

// Every insert a formatter acts on: "%%", message inserts "%1" / "%1!d!" and printf
// conversions. A blank after "%" is not taken as printf's space flag, so names such as
// "0% input" hold no insert.
std::vector<std::string> Placeholders(const std::string& text) {
    static const std::regex pattern(
        R"(%%|%[1-9][0-9]?(![^!]*!)?|%[-+0#]*[0-9]*(\.[0-9]+)?(hh|h|ll|l|L|z|j|t)?[diouxXeEfgGcsp])");
    std::vector<std::string> result;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), pattern);
         it != std::sregex_iterator(); ++it)
        result.push_back(it->str());
    return result;
}

bool ValidUtf8(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t follow = 0;
        if (lead >= 0xF0 && lead <= 0xF4)
            follow = 3;
        else if (lead >= 0xE0)
            follow = lead <= 0xEF ? 2 : 4;
        else if (lead >= 0xC2)
            follow = 1;
        else if (lead >= 0x80)
            return false;
        if (follow > 3 || i + follow >= text.size() + (follow == 0 ? 1 : 0))
            return false;
        for (std::size_t k = 1; k <= follow; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return false;
        i += follow + 1;
    }
    return true;
}

bool SortedUnique(const Table& table, int* offender) {
    for (std::size_t i = 1; i < table.size(); ++i) {
        if (table[i - 1].id >= table[i].id) {
            *offender = table[i].id;
            return false;
        }
    }
    return true;
}

std::string En(int id) {
    const auto table = ById(EnglishTable());
    const auto it = table.find(id);
    return it == table.end() ? std::string("<absent>") : it->second;
}

// Every test leaves the compiled-in English texts current.
class StringTableModule : public ::testing::Test {
protected:
    void TearDown() override { CStringTable::UnloadModule(); }
};

} // namespace

TEST(StringTableContent, EnglishIsSortedWithUniqueIdsAndNoEmptyText) {
    const Table en = EnglishTable();
    ASSERT_GT(en.size(), 250u);
    int offender = 0;
    EXPECT_TRUE(SortedUnique(en, &offender)) << "out of order or duplicate id " << offender;
    for (const StringEntry& e : en) {
        ASSERT_NE(nullptr, e.text) << e.id;
        // An empty text would end a choice list early and show a blank caption.
        EXPECT_STRNE("", e.text) << e.id;
        EXPECT_TRUE(ValidUtf8(e.text)) << e.id;
    }
}

TEST(StringTableContent, JapaneseIsSortedWithUniqueIdsAndNoEmptyText) {
    const Table ja = JapaneseTable();
    ASSERT_FALSE(ja.empty()) << "cannot read " << kModulePath;
    int offender = 0;
    EXPECT_TRUE(SortedUnique(ja, &offender)) << "out of order or duplicate id " << offender;
    for (const StringEntry& e : ja) {
        ASSERT_NE(nullptr, e.text) << e.id;
        EXPECT_STRNE("", e.text) << e.id;
        EXPECT_TRUE(ValidUtf8(e.text)) << e.id;
    }
}

TEST(StringTableContent, BothLanguagesHoldTheSameIds) {
    const auto en = ById(EnglishTable());
    const auto ja = ById(JapaneseTable());
    ASSERT_FALSE(ja.empty());
    for (const auto& [id, text] : en)
        EXPECT_TRUE(ja.count(id)) << "Japanese lacks " << id << " \"" << text << "\"";
    for (const auto& [id, text] : ja)
        EXPECT_TRUE(en.count(id)) << "English lacks " << id << " \"" << text << "\"";
}

TEST(StringTableContent, PlaceholdersMatchBetweenLanguages) {
    const auto en = ById(EnglishTable());
    const auto ja = ById(JapaneseTable());
    ASSERT_FALSE(ja.empty());
    for (const auto& [id, text] : en) {
        const auto it = ja.find(id);
        if (it == ja.end())
            continue;
        EXPECT_EQ(Placeholders(text), Placeholders(it->second))
            << id << ": \"" << text << "\" / \"" << it->second << "\"";
    }
}

TEST(StringTableContent, PlaceholderScannerSeesEveryInsertKind) {
    using V = std::vector<std::string>;
    EXPECT_EQ((V{"%1", "%2", "%3"}), Placeholders("%1 should be a from %2 to %3. "));
    EXPECT_EQ((V{"%1!s!", "%2!d!"}), Placeholders("a=%1!s! b=%2!d!."));
    EXPECT_EQ((V{"%.4lf", "%s", "%%"}), Placeholders("%.4lf%s, 5%%"));
    EXPECT_EQ(V{}, Placeholders("0% input"));
    EXPECT_EQ(V{}, Placeholders("100% output"));
    EXPECT_EQ((V{"%d"}), Placeholders("ゲイン%d倍"));
}

TEST(StringTableContent, FileFilterKeepsItsSeparatorsInJapanese) {
    const std::string en = En(kStrFileFilter);
    const std::string ja = ById(JapaneseTable())[kStrFileFilter];
    // The open and save dialogs split the text at "|" into description and pattern pairs.
    EXPECT_EQ(std::count(en.begin(), en.end(), '|'), std::count(ja.begin(), ja.end(), '|'));
    EXPECT_TRUE(ja.ends_with("||"));
    EXPECT_NE(std::string::npos, ja.find("|*.cfg|"));
    EXPECT_NE(std::string::npos, ja.find("|*.*||"));
}

TEST(StringTableContent, QuotedTextsStandAsTheProgramShowsThem) {
    EXPECT_EQ("Configuration File (*.cfg)|*.cfg|All Files (*.*)|*.*||", En(100));
    EXPECT_EQ("%1 should be a from %2 to %3. ", En(205));
    EXPECT_EQ("Filter time constant should be a 0 or a from 0.5 to 30.", En(212));
    EXPECT_EQ("This parameter file is not match this model.", En(213));
    EXPECT_EQ("The settings of a different device cannot be compared.", En(220));
    EXPECT_EQ("The settings of a different device cannot be downloaded.", En(221));
    EXPECT_EQ("Initialize all device settings. This sequence must execute only once at first "
              "time. Are you sure?",
              En(222));
    EXPECT_EQ("Initilize completed! Please turn off and turn on the device, then you must "
              "adjust factory settings.",
              En(223));
    EXPECT_EQ("Tag no is too long. Max tag no length is 16 characters.", En(227));
    EXPECT_EQ("This parameter must set the numerical value. ", En(228));
    EXPECT_EQ("Can not download XY table data, because X[%d] is lower than X[%d].", En(231));
    EXPECT_EQ("The response property of this device supports only the standard.", En(232));
    EXPECT_EQ("Communication port %s can not be opened.", En(305));
    EXPECT_EQ("Communication port can not be change settings.", En(306));
    EXPECT_EQ("Modbus command failed. command=%1!s! address=%2!d! size=%3!d! reason=%4!s!.",
              En(11015));
    EXPECT_EQ("Modbus-TCP Error. %1!s!", En(11018));
    EXPECT_EQ("receive exception %1!d!", En(11014));
    EXPECT_EQ("All parameters matching.", En(30100));
    EXPECT_EQ("%1!d! parameter(s) not matching.", En(30101));
    EXPECT_EQ("Invalid the structure of table file.", En(30302));
    EXPECT_EQ("Invalid resistance value order in the table file.(line %d)", En(30306));
    EXPECT_EQ("Table File", En(3000));
    EXPECT_EQ("Please choose input type or gain.", En(1999));
}

TEST(StringTableContent, QuotedNamesOfRowsPagesAndModels) {
    EXPECT_EQ("R[%d]", En(1006));
    EXPECT_EQ("V[%d]", En(1025));
    EXPECT_EQ("X[%d]", En(1302));
    EXPECT_EQ("Y[%d]", En(1303));
    EXPECT_EQ("Input", En(1019));
    EXPECT_EQ("Output", En(1020));
    EXPECT_EQ("Input1", En(1033));
    EXPECT_EQ("Input2", En(1034));
    EXPECT_EQ("Output1", En(1051));
    EXPECT_EQ("Output2", En(1052));
    EXPECT_EQ("Output fine zero adjust.", En(1501));
    EXPECT_EQ("Output fine span adjust.", En(1502));
    EXPECT_EQ("Output value", En(10006));
    EXPECT_EQ("Q3VA-*** (2 outputs)", En(kStrModelNameBase + 9));
    EXPECT_EQ("Q3VD-**Y (1 outputs)", En(kStrModelNameBase + 16));
    EXPECT_EQ("<absent>", En(kStrModelNameBase + 8));
    EXPECT_EQ("<absent>", En(kStrModelNameBase + 17));
    EXPECT_EQ("Device Info.", En(kStrPageDeviceInfo));
    EXPECT_EQ("Loop Test", En(kStrPageLoopTest));
    EXPECT_EQ("Parameter Name", En(kStrListParameterName));
    EXPECT_EQ("Disconnect", En(kStrButtonDisconnect));
    EXPECT_EQ("Online", En(kStrIndicatorOnline));
    EXPECT_EQ("deg C", En(kStrUnitTemperatureBase + 0));
    EXPECT_EQ("deg F", En(kStrUnitTemperatureBase + 1));
    EXPECT_EQ("K", En(kStrUnitTemperatureBase + 2));
}

// The model tables name their rows through these constants; a constant pointing at the wrong
// id would show another parameter's name.
TEST(StringTableContent, ParameterNameConstantsNameTheirParameters) {
    const std::pair<int, const char*> names[] = {
        {kStrInputType, "Input type"},
        {kStrZeroInput, "0% input"},
        {kStrFullInput, "100% input"},
        {kStrFilterTimeConstant, "Filter time constant"},
        {kStrSensorWires, "Sensor wires"},
        {kStrResponseProperty, "Response property"},
        {kStrColdJunctionComp, "Cold junction comp."},
        {kStrResponseRate, "Response rate"},
        {kStrCustomRtd, "Custom RTD"},
        {kStrCustomRtdType, "Custom RTD type"},
        {kStrCoefficientR0, "Coefficient R0"},
        {kStrCoefficientA, "Coefficient A"},
        {kStrCoefficientB, "Coefficient B"},
        {kStrCoefficientC, "Coefficient C"},
        {kStrCustomRtdStart, "Custom RTD start"},
        {kStrCustomRtdStep, "Custom RTD step"},
        {kStrCustomRtdPoints, "Custom RTD points"},
        {kStrCustomTc, "Custom TC"},
        {kStrCustomTcStart, "Custom TC start"},
        {kStrCustomTcStep, "Custom TC step"},
        {kStrCustomTcPoints, "Custom TC points"},
        {kStrOutputType, "Output type"},
        {kStrZeroOutput, "0% output"},
        {kStrFullOutput, "100% output"},
        {kStrOutputLowLimit, "Output low limit"},
        {kStrOutputHighLimit, "Output high limit"},
        {kStrBurnout, "Burnout"},
        {kStrBurnoutOutputValue, "Output value at burnout "},
        {kStrLinearizer, "Linearizer"},
        {kStrNumberOfPoints, "Number of points"},
        {kStrFineAdjustment, "Fine adjustment"},
        {kStrOutput1FineZero, "Output1 fine zero adjust."},
        {kStrOutput1FineSpan, "Output1 fine span adjust."},
        {kStrOutput2FineZero, "Output2 fine zero adjust."},
        {kStrOutput2FineSpan, "Output2 fine span adjust."},
        {kStrInputFineZero, "Input fine zero adjust."},
        {kStrInputFineSpan, "Input fine span adjust."},
        {kStrInputValue, "Input value"},
        {kStrOutput1Value, "Output1 value"},
        {kStrOutput2Value, "Output2 value"},
        {kStrStatus, "Status"},
        {kStrRtdResistance, "RTD resistance"},
        {kStrTcVoltage, "TC voltage"},
        {kStrCjmTemperature, "CJM temperature"},
        {kStrTagNo, "Tag No."},
        {kStrCalibratedDate, "Calibrated date"},
        {kStrModel, "Model"},
        {kStrSerial, "Serial"},
        {kStrHardware, "Hardware"},
        {kStrFirmware, "Firmware"},
        {kStrStatusNormal, "Normal"},
        {kStrStatusRangeOver, "Range over"},
        {kStrStatusOutputLimit, "Output limit"},
        {kStrStatusBurnout, "Burnout"},
        {kStrStatusFixedOut, "Fixed Out"},
        {kStrUnitOhm, "Ohm"},
        {kStrUnitSecond, "sec"},
        {kStrUnitPercent, "%"},
    };
    for (const auto& [id, text] : names)
        EXPECT_EQ(text, En(id)) << id;
}

TEST(StringTableContent, CaptionConstantsHaveTextsInTheirRange) {
    const std::pair<int, const char*> captions[] = {
        {kCapAppTitle, "Q3 Configurator"},
        {kCapErrorTitle, "Q3 Configurator"},
        {kCapConnect, "Connect"},
        {kCapPreferences, "Preferences"},
        {kCapUnlock, "Unlock"},
        {kCapUpload, "Upload >"},
        {kCapDownload, "< Download"},
        {kCapCompare, "Compare"},
        {kCapTrendGraph, "Trend Graph"},
        {kCapInitialize, "Initialize"},
        {kCapInputCalib, "Input Calib."},
        {kCapOutputCalib, "Output Calib."},
        {kCapDeviceConfiguration, "Device Configuration"},
        {kCapFileConfiguration, "File Configuration"},
        {kCapOpenFile, "Open File"},
        {kCapSaveFile, "Save File"},
        {kCapModel, "Model"},
        {kCapSelect, "Select"},
        {kCapCelsius, "Celsius"},
        {kCapFahrenheit, "Fahrenheit"},
        {kCapKelvin, "Kelvin"},
        {kCapComPort, "COM port"},
        {kCapDisplayLanguage, "Display language"},
        {kCapTemperatureUnit, "Temperature unit"},
        {kCapSaveCsv, "Save CSV"},
        {kCapShowModbusTrace, "Show Modbus trace"},
        {kCapStart, "Start"},
        {kCapStop, "Stop"},
        {kCapClose, "Close"},
        {kCapPrint, "Print"},
        {kCapFixedOut, "Fixed Out"},
        {kCapNormalOut, "Normal Out"},
        {kCapSet, "Set"},
        {kCapStartCalib, "Start Calib."},
        {kCapZeroCalib, "0% Calib."},
        {kCapFullCalib, "100% Calib."},
        {kCapReset, "Reset"},
        {kCapInputFineAdjustment, "Input Fine Adjustment"},
        {kCapFineZeroAdjustment, "Fine Zero Adjustment"},
        {kCapFineSpanAdjustment, "Fine Span Adjustment"},
        {kCapLinearizeTable, "Linearize Table"},
        {kCapCompareResults, "Compare Results"},
        {kCapOk, "OK"},
        {kCapCancel, "Cancel"},
        {kCapFactoryInputTitle, "入力調整"},
        {kCapFactoryOutputTitle, "出力調整"},
        {kCapFactorySet, "設定"},
        {kCapFactoryClose, "閉じる"},
        {kCapFactoryStartAdjust, "調整開始"},
        {kCapFactoryOutput1, "出力1"},
        {kCapFactoryOutput2, "出力2"},
        {kCapFactoryGain, "ゲイン%d倍"},
    };
    for (const auto& [id, text] : captions) {
        EXPECT_EQ(text, En(id)) << id;
        EXPECT_GE(id, kCaptionIdFirst);
        EXPECT_LE(id, kCaptionIdLast);
    }
}

TEST(StringTableContent, FactoryDialogTextsAreTheSameInBothLanguages) {
    const auto en = ById(EnglishTable());
    const auto ja = ById(JapaneseTable());
    ASSERT_FALSE(ja.empty());
    int seen = 0;
    for (const auto& [id, text] : en) {
        if (id < kFactoryCaptionFirst || id > kFactoryCaptionLast)
            continue;
        ++seen;
        EXPECT_EQ(text, ja.at(id)) << id;
    }
    EXPECT_GE(seen, 20);
}

// Texts a translator may leave alone: sensor and signal type names, point names, units that
// read the same, numbers and the product name. Any other text equal in both languages is a
// forgotten translation.
TEST(StringTableContent, JapaneseTranslatesEverythingButTechnicalTokens) {
    auto technical = [](int id) {
        return id == 1006 || id == 1025 || id == 1302 || id == 1303 || (id >= 2000 && id <= 2019) ||
               (id >= 2030 && id <= 2042) || (id >= 2050 && id <= 2052) ||
               (id >= 11002 && id <= 11005) || id == 11007 || id == 11010 || id == kCapAppTitle ||
               id == kCapErrorTitle || id == kCapOk || id == kCapChannel1 || id == kCapChannel2 ||
               (id >= kFactoryCaptionFirst && id <= kFactoryCaptionLast);
    };
    const auto en = ById(EnglishTable());
    const auto ja = ById(JapaneseTable());
    ASSERT_FALSE(ja.empty());
    for (const auto& [id, text] : en) {
        const auto it = ja.find(id);
        if (it != ja.end() && !technical(id)) {
            EXPECT_NE(text, it->second) << id << " left in English";
        }
    }
}

TEST(StringTableContent, ChoiceListsAreConsecutiveAndEndAtAnIdWithoutText) {
    const auto en = ById(EnglishTable());
    const auto ja = ById(JapaneseTable());
    for (const ChoiceListIds& list : kChoiceLists) {
        for (int i = 0; i < list.count; ++i) {
            EXPECT_TRUE(en.count(list.firstId + i)) << "entry " << i << " of " << list.firstId;
            EXPECT_TRUE(ja.count(list.firstId + i)) << "entry " << i << " of " << list.firstId;
        }
        // The list editor fills entries until the first empty text.
        EXPECT_FALSE(en.count(list.firstId + list.count)) << "list " << list.firstId;
        EXPECT_FALSE(ja.count(list.firstId + list.count)) << "list " << list.firstId;
        EXPECT_EQ("", LoadStr(list.firstId + list.count));
        for (const ChoiceListIds& other : kChoiceLists) {
            if (&other == &list)
                continue;
            const bool apart = list.firstId + list.count < other.firstId ||
                               other.firstId + other.count < list.firstId;
            EXPECT_TRUE(apart) << "lists " << list.firstId << " and " << other.firstId;
        }
    }
}

TEST(StringTableContent, ChoiceListsHoldTheModelsChoicesInOrder) {
    EXPECT_EQ("DC -10V - +10V", En(kChoiceDcInputType.firstId + 2));
    EXPECT_EQ("POT 0 - 10kOhm", En(kChoicePotInputType.firstId));
    EXPECT_EQ("POT 0 - 75Ohm", En(kChoicePotInputType.firstId + 6));
    EXPECT_EQ("<absent>", En(2012)); // the potentiometer list ends at index 7
    EXPECT_EQ("RTD JPt100 (JIS'89)", En(kChoiceRtdInputType.firstId));
    EXPECT_EQ("RTD Cu10 (25 deg C)", En(kChoiceRtdInputType.firstId + 5));
    EXPECT_EQ("RTD Custom-RTD", En(kChoiceRtdInputType.firstId + 6));
    EXPECT_EQ("TC (PR)", En(kChoiceTcInputType.firstId));
    EXPECT_EQ("TC B(RH)", En(kChoiceTcInputType.firstId + 5));
    EXPECT_EQ("TC Custom-TC", En(kChoiceTcInputType.firstId + 13));
    EXPECT_EQ("DC 0 - 20mA", En(kChoiceOutputType.firstId));
    EXPECT_EQ("DC -5V - +5V", En(kChoiceOutputType.firstId + 1));
    EXPECT_EQ("4 wires", En(kChoiceSensorWires.firstId + 2));
    EXPECT_EQ("Sensitive", En(kChoiceResponseProperty.firstId + 1));
    EXPECT_EQ("Specific value", En(kChoiceBurnout.firstId + 3));
    EXPECT_EQ("CVD Coefficient", En(kChoiceCustomRtdType.firstId + 1));
    EXPECT_EQ("Use CJM", En(kChoiceColdJunction.firstId + 1));
    EXPECT_EQ("User table", En(kChoiceLinearizer.firstId + 1));
    EXPECT_EQ("Normal speed", En(2120));
    EXPECT_EQ("High speed", En(2121));
}

TEST_F(StringTableModule, LoadingTheJapaneseModuleSwitchesTextsAndUnloadingReturns) {
    const std::string english = LoadStr(kMsgOutOfRange);
    ASSERT_EQ("%1 should be a from %2 to %3. ", english);
    std::string error;
    ASSERT_TRUE(CStringTable::LoadModule(kModulePath, &error)) << error;
    EXPECT_TRUE(CStringTable::ModuleLoaded());
    EXPECT_EQ("%1 は %2 から %3 の範囲で設定してください。", LoadStr(kMsgOutOfRange));
    EXPECT_EQ("℃", LoadStr(kStrUnitDegC));
    EXPECT_EQ("< 書込み", LoadStr(kCapDownload));
    // Factory dialog texts do not change with the language.
    EXPECT_EQ("調整開始", LoadStr(kCapFactoryStartAdjust));
    CStringTable::UnloadModule();
    EXPECT_FALSE(CStringTable::ModuleLoaded());
    EXPECT_EQ(english, LoadStr(kMsgOutOfRange));
    EXPECT_EQ("deg C", LoadStr(kStrUnitDegC));
}

TEST_F(StringTableModule, MissingModuleFailsWithReasonAndKeepsEnglish) {
    std::string error;
    EXPECT_FALSE(CStringTable::LoadModule(Q3_BIN_DIR "/no_such_language.so", &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(CStringTable::ModuleLoaded());
    EXPECT_EQ("%1 should be a from %2 to %3. ", LoadStr(kMsgOutOfRange));
}

TEST_F(StringTableModule, FailedSwitchAfterJapaneseFallsBackToEnglish) {
    std::string error;
    ASSERT_TRUE(CStringTable::LoadModule(kModulePath, &error)) << error;
    EXPECT_FALSE(CStringTable::LoadModule(Q3_BIN_DIR "/no_such_language.so", &error));
    EXPECT_FALSE(CStringTable::ModuleLoaded());
    EXPECT_EQ("Connect", LoadStr(kStrButtonConnect));
}

TEST_F(StringTableModule, TableWithoutAnIdFallsBackToEnglishForIt) {
    static const StringEntry partial[] = {{kStrButtonConnect, "接続"}};
    CStringTable::UseTable(partial, 1);
    EXPECT_EQ("接続", LoadStr(kStrButtonConnect));
    EXPECT_EQ("Disconnect", LoadStr(kStrButtonDisconnect));
    CStringTable::UseTable(nullptr, 0);
    EXPECT_EQ("Connect", LoadStr(kStrButtonConnect));
}
