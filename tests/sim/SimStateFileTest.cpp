// The state file: settings survive a restart, the file is never left half-written, bad files fail.
#include "sim/SimStateFile.h"
#include "sim/CSimDevice.h"

#include "tests/sim/SimTestSupport.h"

#include <filesystem>

#include <gtest/gtest.h>

namespace {

bool Accepted(CSimDevice& device, uint16_t start, const std::vector<uint16_t>& values) {
    const auto answer = device.ProcessRtuFrame(WriteFrame(start, values));
    return answer && answer->size() == 8;
}

} // namespace

TEST(SimStateFile, SettingsAndFactoryDataSurviveARestart) {
    CTestDir dir;
    const std::string path = dir.File("unit.state");
    {
        CSimDevice device(1031);
        device.AttachStateFile(path);
        ASSERT_TRUE(std::filesystem::exists(path));
        ASSERT_TRUE(Accepted(device, 1000, {7}));
        ASSERT_TRUE(Accepted(device, 1003, Split32(17600000)));
        ASSERT_TRUE(Accepted(device, 9629, {'Z', 'Q'}));
        ASSERT_TRUE(Accepted(device, 900, {5170}));
        ASSERT_TRUE(Accepted(device, 20000, {('2' << 8) | '1', 0, 0, 0, 0, 0, 0, 0}));
        ASSERT_TRUE(Accepted(device, 22005, {321}));
        ASSERT_TRUE(Accepted(device, 901, {9, 9}));
    }
    CSimDevice restarted(1031);
    restarted.AttachStateFile(path);
    EXPECT_EQ(restarted.GetRegister(1000), 7);
    EXPECT_EQ(restarted.GetInt32(1003), 17600000);
    EXPECT_EQ(restarted.GetText16(9629, 16), "ZQ");
    EXPECT_EQ(restarted.GetText8(20000, 8), "12");
    EXPECT_EQ(restarted.GetText8(9603, 8), "12");
    EXPECT_EQ(restarted.GetRegister(22005), 321);
    // Volatile registers start afresh, as after a power cycle.
    EXPECT_EQ(restarted.GetProcessMode(), 0);
    EXPECT_EQ(restarted.GetRegister(901), 0);
}

TEST(SimStateFile, FileIsRewrittenOnChangesAndReplacedAtomically) {
    CTestDir dir;
    const std::string path = dir.File("unit.state");
    CSimDevice device(1001);
    device.AttachStateFile(path);
    const auto first = std::filesystem::last_write_time(path);
    const std::string before = ReadTextFile(path);
    EXPECT_EQ(before.rfind("# q3sim state", 0), 0u);
    EXPECT_NE(before.find("\nmodel=1001\n"), std::string::npos);
    EXPECT_NE(before.find("\n1003=16960\n1004=15\n"), std::string::npos);
    EXPECT_EQ(before.find("\n900="), std::string::npos);
    EXPECT_EQ(before.find("\n22="), std::string::npos);

    ASSERT_TRUE(Accepted(device, 1030, {0}));
    const std::string after = ReadTextFile(path);
    EXPECT_NE(after.find("\n1030=0\n"), std::string::npos);
    EXPECT_NE(after, before);
    // A read or a mode change leaves the file alone.
    std::filesystem::last_write_time(path, first);
    ASSERT_TRUE(Accepted(device, 900, {1}));
    ASSERT_TRUE(device.ProcessRtuFrame(ReadFrame(1000, 1)));
    EXPECT_EQ(std::filesystem::last_write_time(path), first);
    // No temporary file is left beside it.
    size_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
        ++files;
    }
    EXPECT_EQ(files, 1u);
}

TEST(SimStateFile, InitialisePersistsTheDefaults) {
    CTestDir dir;
    const std::string path = dir.File("unit.state");
    {
        CSimDevice device(1011);
        device.AttachStateFile(path);
        ASSERT_TRUE(Accepted(device, 5000, {9}));
        ASSERT_TRUE(Accepted(device, 900, {5170}));
        ASSERT_TRUE(Accepted(device, 30000, {99}));
    }
    CSimDevice restarted(1011);
    restarted.AttachStateFile(path);
    EXPECT_EQ(restarted.GetRegister(5000), 2);
}

TEST(SimStateFile, MalformedOrForeignFilesAreRefused) {
    CTestDir dir;
    const std::string path = dir.File("bad.state");
    WriteTextFile(path, "model=1001\n1000=1\n1001 = 2\n");
    try {
        SimLoadState(path);
        FAIL() << "malformed file accepted";
    } catch (const std::runtime_error& error) {
        EXPECT_NE(std::string(error.what()).find("line 3"), std::string::npos) << error.what();
    }
    WriteTextFile(path, "model=1001\n1000=65536\n");
    EXPECT_THROW(SimLoadState(path), std::runtime_error);
    WriteTextFile(path, "1000=1\n");
    EXPECT_THROW(SimLoadState(path), std::runtime_error);

    WriteTextFile(path, "# comment\n\nmodel=1021\n1050=1\n");
    const std::optional<CSimState> state = SimLoadState(path);
    ASSERT_TRUE(state);
    EXPECT_EQ(state->model, 1021);
    ASSERT_EQ(state->registers.size(), 1u);
    EXPECT_EQ(state->registers[0], (std::pair<uint16_t, uint16_t>{1050, 1}));
    CSimDevice other(1001);
    EXPECT_THROW(other.AttachStateFile(path), std::runtime_error);
    EXPECT_FALSE(SimLoadState(dir.File("missing.state")));
    CSimDevice nowhere(1001);
    EXPECT_THROW(nowhere.AttachStateFile(dir.File("no/such/dir/unit.state")), std::runtime_error);
}

TEST(SimStateFile, UnknownAndReadOnlyAddressesInTheFileAreNotLoaded) {
    CTestDir dir;
    const std::string path = dir.File("unit.state");
    WriteTextFile(path, "model=1021\n9600=7\n2=5\n1050=1\n12345=6\n");
    CSimDevice device(1021);
    device.AttachStateFile(path);
    EXPECT_EQ(device.GetRegister(9600), 1021);
    EXPECT_EQ(device.GetRegister(1050), 1);
    EXPECT_EQ(device.GetRegister(12345), 0);
}
