// q3cli's device commands against a device on a pseudo-terminal: a register bank answering
// RTU frames on the master side.
#include "cli/DeviceCommands.h"
#include "cli/CliMain.h"

#include "app/CSettingsStore.h"
#include "model/CDeviceType.h"
#include "model/ParameterFile.h"
#include "model/ParameterIds.h"
#include "tests/comm/BankTransport.h"
#include "tests/comm/PtyPair.h"
#include "tests/support/ModelFixture.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <mutex>
#include <sstream>

namespace {
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::vector<std::string> Fields(const std::string& line, char separator = '\t') {
    std::vector<std::string> fields;
    std::string field;
    std::istringstream in(line);
    while (std::getline(in, field, separator))
        fields.push_back(field);
    return fields;
}

class CliDevice : public ModelFixture {
protected:
    void SetUp() override {
        ModelFixture::SetUp();
        std::lock_guard lock(bankMutex);
        bank[9600] = 1001;
        bank[9601] = 100;
        bank[9602] = 110;
        // Serial "SN123456" as code-page text, the earlier character in the low byte.
        const char serial[] = "SN123456";
        for (int i = 0; i < 4; ++i)
            bank[9603 + i] = static_cast<uint16_t>(serial[2 * i] | serial[2 * i + 1] << 8);
        bank.SetInt32(9627, (2024 << 16) | (1 << 8) | 15);
        const char16_t tag[] = u"TT-101";
        for (int i = 0; i < 6; ++i)
            bank[9629 + i] = tag[i];
    }
    void TearDown() override {
        device.reset();
        ModelFixture::TearDown();
    }

    void StartDevice() {
        device = std::make_unique<CPtyResponder>(pty, [this](const std::vector<uint8_t>& r) {
            std::lock_guard lock(bankMutex);
            return AnswerFromBank(bank, r);
        });
    }

    int Run(std::vector<std::string> args, bool withPort = true) {
        args.insert(args.begin(), "q3cli");
        if (withPort) {
            args.push_back("--port");
            args.push_back(pty.SlavePath());
        }
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        std::ostringstream o, e;
        int rc = RunCli(static_cast<int>(argv.size()), argv.data(), o, e);
        out = o.str();
        err = e.str();
        return rc;
    }

    int32_t BankInt32(int address) {
        std::lock_guard lock(bankMutex);
        return bank.GetInt32(address);
    }

    CPtyPair pty;
    std::mutex bankMutex;
    CRegisterBank bank;
    std::unique_ptr<CPtyResponder> device;
    TempDir dir;
    std::string out, err;
};
} // namespace

TEST(CliDeviceCommands, KnowsItsCommands) {
    for (const char* name : {"ports", "identify", "upload", "download", "compare", "monitor"})
        EXPECT_TRUE(IsDeviceCommand(name)) << name;
    EXPECT_FALSE(IsDeviceCommand("show"));
}

TEST_F(CliDevice, PortsListsPathTabDisplayNameOrJson) {
    ASSERT_EQ(0, Run({"ports"}, false));
    std::vector<std::string> lines = Lines(out);
    for (const std::string& line : lines)
        EXPECT_EQ(2u, Fields(line).size()) << line;
    ASSERT_EQ(0, Run({"ports", "--json"}, false));
    nlohmann::json ports = nlohmann::json::parse(out);
    ASSERT_EQ(lines.size(), ports.size());
    for (std::size_t i = 0; i < lines.size(); ++i)
        EXPECT_EQ(lines[i],
                  ports[i]["path"].get<std::string>() + "\t" + ports[i]["name"].get<std::string>());
}

TEST_F(CliDevice, IdentifyPrintsTheDeviceInformation) {
    StartDevice();
    ASSERT_EQ(0, Run({"identify"})) << err;
    EXPECT_EQ((std::vector<std::string>{
                  "Model name\t" + CDeviceType::GetTypeName(9),
                  "Model number\t1001",
                  "Model\t",
                  "Serial\tSN123456",
                  "Hardware\t1.00",
                  "Firmware\t1.10",
                  "Tag No.\tTT-101",
                  "Calibrated date\t2024/01/15",
                  "Status\tNormal",
              }),
              Lines(out));
}

TEST_F(CliDevice, DefaultPortIsThePreferencesSetting) {
    StartDevice();
    const char* old = std::getenv("XDG_CONFIG_HOME");
    std::string saved = old ? old : "";
    setenv("XDG_CONFIG_HOME", dir.Path().c_str(), 1);
    CSettingsStore().SetString("ComSettings", "COMPortName", pty.SlavePath());
    int rc = Run({"identify"}, false);
    if (old)
        setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(0, rc) << err;
    EXPECT_EQ("Model number\t1001", Lines(out).at(1));
}

TEST_F(CliDevice, UnsupportedModelIsAFailure) {
    bank[9600] = 1000;
    StartDevice();
    EXPECT_EQ(3, Run({"identify"}));
    EXPECT_EQ("q3cli: The device on " + pty.SlavePath() +
                  " reports model number 1000, which this program does not support.\n",
              err);
}

TEST_F(CliDevice, SilentDeviceGivesTheComposedMessage) {
    EXPECT_EQ(3, Run({"identify"}));
    EXPECT_EQ("q3cli: Modbus command failed. command=ReadHoldingRegister address=9601 size=1 "
              "reason=timeout.\n",
              err);
}

TEST_F(CliDevice, MissingPortNamesIt) {
    EXPECT_EQ(3, Run({"identify", "--port", "/dev/ttyq3-none"}, false));
    EXPECT_EQ("q3cli: Communication port /dev/ttyq3-none can not be opened.\nq3cli: No such file "
              "or directory.\n",
              err);
}

TEST_F(CliDevice, TraceGoesToStandardError) {
    StartDevice();
    ASSERT_EQ(0, Run({"identify", "--trace"}));
    EXPECT_EQ(0u, err.rfind("ReadHoldingRegisters: adrs=9601 size=1\n", 0)) << err;
    EXPECT_EQ(0, Run({"identify"}));
    EXPECT_EQ("", err) << "the trace is off again after the command";
}

TEST_F(CliDevice, UploadSavesTheDeviceSettings) {
    {
        std::lock_guard lock(bankMutex);
        bank.SetInt32(1020, 25000); // filter time constant 2.5 s
    }
    StartDevice();
    std::string file = dir.File("device.cfg");
    ASSERT_EQ(0, Run({"upload", file})) << err;
    OpenedParameterFile opened = OpenParameterFile(file);
    ASSERT_TRUE(opened.set) << opened.error;
    EXPECT_EQ(9, opened.set->TypeCode());
    EXPECT_EQ("2.5000", opened.set->GetValueText(kIdFilterTime));
    EXPECT_EQ("", err) << "no progress text when standard error is not a terminal";
}

TEST_F(CliDevice, DownloadWritesTheFileAndRefusesAnotherModel) {
    StartDevice();
    std::string file = dir.File("file.cfg");
    auto set = CDeviceType::NewParameterSet(9);
    set->SetValueText(kIdFilterTime, "4.5", true);
    set->SaveFile(file);
    ASSERT_EQ(0, Run({"download", file})) << err;
    EXPECT_EQ(45000, BankInt32(1020));
    {
        std::lock_guard lock(bankMutex);
        bank[9600] = 1002;
    }
    EXPECT_EQ(1, Run({"download", file}));
    EXPECT_EQ("q3cli: The settings of a different device cannot be downloaded.\n", err);
}

TEST_F(CliDevice, CompareListsTheDifferencesAndCountsThem) {
    StartDevice();
    std::string file = dir.File("file.cfg");
    ASSERT_EQ(0, Run({"upload", file})) << err;
    ASSERT_EQ(0, Run({"compare", file})) << err;
    EXPECT_EQ("All parameters matching.\n", out);

    auto set = OpenParameterFile(file).set;
    set->SetValueText(kIdFilterTime, "7.5", true);
    set->SetValueText(kIdInputFineZero, "1.25", true);
    set->SaveFile(file);
    EXPECT_EQ(1, Run({"compare", file}));
    std::vector<std::string> lines = Lines(out);
    ASSERT_EQ(3u, lines.size()) << out;
    std::vector<std::string> first = Fields(lines[0]);
    ASSERT_EQ(4u, first.size());
    EXPECT_EQ(set->GetParameterName(kIdFilterTime), first[1]);
    EXPECT_EQ(set->GetDisplayText(kIdFilterTime, true), first[3]);
    EXPECT_EQ(set->GetParameterName(kIdInputFineZero), Fields(lines[1])[1]);
    EXPECT_EQ("2 parameter(s) not matching.", lines[2]);

    EXPECT_EQ(1, Run({"compare", file, "--json"}));
    nlohmann::json result = nlohmann::json::parse(out);
    EXPECT_FALSE(result["match"].get<bool>());
    ASSERT_EQ(2, result["count"].get<int>());
    const nlohmann::json& filter = result["differences"][0];
    EXPECT_EQ(kIdFilterTime, filter["id"].get<int>());
    EXPECT_EQ(7.5, filter["file"]["value"].get<double>());
    EXPECT_EQ("sec", filter["file"]["unit"].get<std::string>());
    EXPECT_EQ(0.0, filter["device"]["value"].get<double>());

    {
        std::lock_guard lock(bankMutex);
        bank[9600] = 1002;
    }
    EXPECT_EQ(1, Run({"compare", file}));
    EXPECT_EQ("q3cli: The settings of a different device cannot be compared.\n", err);
}

TEST_F(CliDevice, MonitorPrintsOneLinePerPoll) {
    {
        std::lock_guard lock(bankMutex);
        bank.SetInt32(0, 0x10); // burnout
    }
    StartDevice();
    ASSERT_EQ(0, Run({"monitor", "--count", "2"})) << err;
    std::vector<std::string> lines = Lines(out);
    ASSERT_EQ(2u, lines.size());
    std::vector<std::string> fields = Fields(lines[0]);
    ASSERT_EQ(5u, fields.size()) << lines[0]; // time, input, two outputs, status
    EXPECT_EQ("Burnout", fields[4]);

    // CSV: one number per cell, the unit apart, time in ISO 8601 with its zone; JSON: the same
    // numbers, one object a line.
    ASSERT_EQ(0, Run({"monitor", "--count", "1", "--csv"})) << err;
    lines = Lines(out);
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ("time,input,input_unit,input_percent,output1,output1_unit,output1_percent,"
              "output2,output2_unit,output2_percent,status",
              lines[0]);
    std::vector<std::string> cells = Fields(lines[1], ',');
    ASSERT_EQ(11u, cells.size()) << lines[1];
    EXPECT_EQ(29u, cells[0].size()) << cells[0];
    EXPECT_EQ('T', cells[0][10]);
    EXPECT_EQ(':', cells[0][26]) << "the zone as +hh:mm";
    EXPECT_EQ("mA", cells[5]);
    ASSERT_EQ(0, Run({"monitor", "--count", "2", "--json"})) << err;
    lines = Lines(out);
    ASSERT_EQ(2u, lines.size());
    nlohmann::json poll = nlohmann::json::parse(lines[1]);
    EXPECT_EQ(std::stod(cells[4]), poll["output1"]["value"].get<double>());
    EXPECT_EQ("mA", poll["output1"]["unit"].get<std::string>());
    EXPECT_TRUE(poll["output1"]["percent"].is_number());
    EXPECT_EQ("Burnout", poll["status"].get<std::string>());
    EXPECT_EQ(0x10, poll["status_word"].get<int>());
}

TEST_F(CliDevice, MalformedTcpAddressIsAUsageError) {
    // A port outside 1..65535 must not wrap to another one (99999 would reach 34463).
    for (const char* address : {"localhost", "127.0.0.1:99999", "127.0.0.1:0", "host:50x"}) {
        EXPECT_EQ(2, Run({"identify", "--tcp", address}, false));
        EXPECT_EQ(std::string("q3cli: --tcp needs HOST:PORT with a port from 1 to 65535, not ") +
                      address + "\n",
                  err);
    }
}

// Every device operation lands in the history with what the device held; the history gives the
// sets back, compares them, and never fails an operation when it cannot be written.
TEST_F(CliDevice, HistoryRecordsEachOperationAndGivesItsSetsBack) {
    const std::string data = dir.File("data");
    std::optional<CScopedEnv> history(std::in_place, "XDG_DATA_HOME", data.c_str());
    StartDevice();
    const std::string uploaded = dir.File("u.cfg");
    const std::string changed = dir.File("d.cfg");
    ASSERT_EQ(0, Run({"upload", uploaded})) << err;
    auto set = OpenParameterFile(uploaded).set;
    set->SetValueText(kIdFilterTime, "4.5", true);
    set->SaveFile(changed);
    ASSERT_EQ(0, Run({"download", changed})) << err;
    EXPECT_EQ(1, Run({"compare", uploaded}));
    {
        std::lock_guard lock(bankMutex);
        bank[9600] = 1011; // another model now: the download is refused, and recorded so
    }
    EXPECT_EQ(1, Run({"download", changed}));

    ASSERT_EQ(0, Run({"history", "SN123456", "--json"}, false)) << err;
    nlohmann::json events = nlohmann::json::parse(out);
    ASSERT_EQ(4u, events.size()) << out;
    EXPECT_EQ("download", events[0]["operation"]);
    EXPECT_EQ("refused", events[0]["outcome"]);
    EXPECT_EQ("compare", events[1]["operation"]);
    EXPECT_EQ((std::vector<std::string>{"P51"}), events[1]["changed"]);
    EXPECT_EQ("download", events[2]["operation"]);
    EXPECT_EQ("ok", events[2]["outcome"]);
    EXPECT_EQ((std::vector<std::string>{"P51"}), events[2]["changed"]);
    EXPECT_EQ("TT-101", events[2]["tag"]);
    EXPECT_EQ("Q3VA", events[3]["model"]);
    const std::string uploadId = std::to_string(events[3]["id"].get<int64_t>());
    const std::string downloadId = std::to_string(events[2]["id"].get<int64_t>());

    ASSERT_EQ(0, Run({"history", "show", downloadId}, false)) << err;
    EXPECT_NE(std::string::npos, out.find("changed\tP51\n")) << out;
    EXPECT_NE(std::string::npos, out.find("\t4.5000 (sec)\n")) << out;
    ASSERT_EQ(1, Run({"history", "diff", uploadId, downloadId}, false)) << err;
    ASSERT_EQ(1u, Lines(out).size()) << out;
    EXPECT_EQ("0.0000 (sec)", Fields(Lines(out)[0])[2]);
    EXPECT_EQ("4.5000 (sec)", Fields(Lines(out)[0])[3]);
    const std::string restored = dir.File("r.cfg");
    ASSERT_EQ(0, Run({"history", "restore", uploadId, restored}, false)) << err;
    EXPECT_EQ(OpenParameterFile(uploaded).set->FileText(),
              OpenParameterFile(restored).set->FileText());
    EXPECT_EQ(1, Run({"history", "restore", uploadId, restored}, false)) << "no overwrite";
    EXPECT_EQ(1, Run({"history", "show", "999"}, false));
    EXPECT_EQ(2, Run({"history", "show", "x"}, false));

    // A history that cannot be written: the operation succeeds and says so.
    history.emplace("XDG_DATA_HOME", uploaded.c_str()); // a file, not a folder
    EXPECT_EQ(0, Run({"upload", dir.File("again.cfg")}));
    EXPECT_NE(std::string::npos, err.find("q3cli: warning: The history")) << err;
}
