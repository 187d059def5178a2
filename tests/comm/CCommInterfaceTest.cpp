#include "comm/CCommInterface.h"

#include "app/CAppSettings.h"
#include "app/CSettingsStore.h"
#include "comm/CModbusInterface.h"
#include "comm/CPrivateException.h"
#include "tests/comm/BankTransport.h"
#include "tests/comm/PtyPair.h"
#include "tests/support/CRegisterBank.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <thread>

namespace {
using Log = std::vector<std::string>;
using Trace = std::vector<std::string>;

// The connection over a scripted transport answering from a register bank.
struct BankConnection {
    BankConnection() {
        transport.responder = [this](const std::vector<uint8_t>& request) {
            return AnswerFromBank(bank, request);
        };
        auto client = std::make_unique<CModbusInterface>(transport);
        comm = std::make_unique<CCommInterface>(std::move(client));
    }
    CRegisterBank bank;
    CScriptedTransport transport;
    std::unique_ptr<CCommInterface> comm;
};

template <class Call> std::string ErrorOf(Call call) {
    try {
        call();
    } catch (const CPrivateException& e) {
        return e.Message();
    }
    return {};
}
} // namespace

TEST(CommTypedAccess, RegisterCountsFollowTheEncoding) {
    CRegisterBank bank;
    CCommInterface comm(&bank);
    int32_t pair[2];
    comm.ReadValues(pair, 2, 1010, ValueEncoding::Fixed4);
    uint16_t three[3];
    comm.ReadValues(three, 3, 1000, ValueEncoding::UInt16);
    comm.ReadValues(three, 3, 1000, static_cast<ValueEncoding>(7));
    char text[8];
    comm.ReadValues(text, 4, 20000, ValueEncoding::CodePageText);
    EXPECT_EQ((Trace{"R1010x4", "R1000x3", "R20000x4"}), bank.Trace());
}

TEST(CommTypedAccess, Int32TravelsLowHalfFirst) {
    CRegisterBank bank;
    CCommInterface comm(&bank);
    int32_t value = 100000; // 10.0 as fixed-4
    comm.WriteValues(&value, 1, 1010, ValueEncoding::Fixed4);
    ASSERT_EQ(1u, bank.Requests().size());
    EXPECT_EQ((std::vector<uint16_t>{0x86A0, 0x0001}), bank.Requests()[0].values);
    bank.SetInt32(1012, -2);
    EXPECT_EQ(-2, comm.ReadInt32(1012));
}

TEST(CommTypedAccess, CodePageTextPutsTheEarlierCharacterInTheLowByte) {
    CRegisterBank bank;
    bank[20000] = 0x3351; // "Q3"
    bank[20001] = 0x4156; // "VA"
    CCommInterface comm(&bank);
    char text[4];
    comm.ReadValues(text, 2, 20000, ValueEncoding::CodePageText);
    EXPECT_EQ("Q3VA", std::string(text, 4));
}

TEST(CommSettingsLoader, ReadsThePortFromTheStoreAndFixesTheLine) {
    TempDir dir;
    CSettingsStore store = CSettingsStore::AtPath(dir.File("q3config.ini"));
    CommSettings defaults = LoadCommSettings(store);
    EXPECT_EQ(kDefaultPortName, defaults.portName);
    EXPECT_EQ("", defaults.portDisplayName);
    store.SetString("ComSettings", "COMPortName", "/dev/serial/by-id/usb-Adapter-if00");
    store.SetString("ComSettings", "COMPortDisplayName", "USB Adapter (ttyUSB0)");
    store.SetInt("ComSettings", "BaudIndex", 0); // not a setting: the line stays fixed
    CommSettings s = LoadCommSettings(store);
    EXPECT_EQ("/dev/serial/by-id/usb-Adapter-if00", s.portName);
    EXPECT_EQ("USB Adapter (ttyUSB0)", s.portDisplayName);
    EXPECT_EQ(kModeRtu, s.mode);
    EXPECT_EQ(1, s.slaveAddress);
    EXPECT_EQ(3, s.baudIndex);
    EXPECT_EQ(1, s.dataBitsIndex);
    EXPECT_EQ(1, s.parity);
    EXPECT_EQ(0, s.stopBitsIndex);
    EXPECT_EQ("", s.host);
    EXPECT_EQ("", s.service);
}

TEST(CommConnection, ConnectCopiesTheStoreSettingsIntoTheClient) {
    TempDir dir;
    CSettingsStore store = CSettingsStore::AtPath(dir.File("q3config.ini"));
    store.SetString("ComSettings", "COMPortName", "/dev/ttyq3");
    BankConnection c;
    UseSettingsStore(*c.comm, store);
    c.comm->Connect();
    EXPECT_TRUE(c.comm->IsConnected());
    EXPECT_EQ("/dev/ttyq3", c.transport.opened.portName);
    // Fixed settings win over the store.
    CommSettings fixed;
    fixed.portName = "/dev/other";
    c.comm->SetSettings(fixed);
    c.comm->Connect();
    EXPECT_EQ("/dev/other", c.transport.opened.portName);
}

TEST(CommConnection, ReconnectRenewsThePortOnlyWhileConnected) {
    BankConnection c;
    c.comm->Reconnect();
    EXPECT_TRUE(c.transport.log.empty());
    c.comm->Connect();
    c.transport.log.clear();
    c.comm->Reconnect();
    EXPECT_EQ((Log{"close", "open"}), c.transport.log);
    EXPECT_TRUE(c.comm->IsConnected());
    c.comm->Disconnect();
    EXPECT_FALSE(c.comm->IsConnected());
    EXPECT_FALSE(c.transport.IsOpen());
}

TEST(CommConnection, FailedConnectLeavesDisconnectedWithThePortClosed) {
    CPtyPair pty;
    CSerialIO holder;
    CommSettings s;
    s.portName = pty.SlavePath();
    s.portDisplayName = "sim";
    holder.SetSettings(s);
    holder.Open(); // another program has the port
    CCommInterface comm;
    comm.SetSettings(s);
    EXPECT_EQ("Communication port sim can not be opened.\nThe port is in use by another program.",
              ErrorOf([&] { comm.Connect(); }));
    EXPECT_FALSE(comm.IsConnected());
    EXPECT_FALSE(comm.Client()->IsOpen());
    holder.Close();
    comm.Connect();
    EXPECT_TRUE(comm.IsConnected());
    comm.Reconnect();
    EXPECT_TRUE(comm.Client()->SerialPort().IsOpen());
}

TEST(CommConnection, InjectedMasterConnectsWithoutAPort) {
    CRegisterBank bank;
    CCommInterface comm(&bank);
    EXPECT_EQ(nullptr, comm.Client());
    comm.Connect();
    EXPECT_TRUE(comm.IsConnected());
    comm.Reconnect();
    comm.Disconnect();
    EXPECT_FALSE(comm.IsConnected());
}

TEST(CommConnection, DisconnectWaitsForAnExchangeHoldingTheLock) {
    BankConnection c;
    c.comm->Connect();
    std::atomic<bool> released{false};
    std::unique_lock<std::recursive_mutex> held(c.comm->Lock());
    std::thread closer([&] {
        c.comm->Disconnect();
        EXPECT_TRUE(released.load()) << "the port was closed under a running exchange";
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_TRUE(c.comm->IsConnected());
    released = true;
    held.unlock();
    closer.join();
    EXPECT_FALSE(c.comm->IsConnected());
}
