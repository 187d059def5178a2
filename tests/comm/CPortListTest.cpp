#include "comm/CPortList.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
void MakeDirs(const std::string& path) {
    for (std::size_t at = 1; at <= path.size(); ++at)
        if (at == path.size() || path[at] == '/')
            ::mkdir(path.substr(0, at).c_str(), 0755);
}

void Link(const std::string& target, const std::string& link) {
    ASSERT_EQ(0, ::symlink(target.c_str(), link.c_str())) << link;
}

// A pid that has certainly ended: a child that exited and was reaped.
pid_t EndedPid() {
    pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(0);
    ::waitpid(pid, nullptr, 0);
    return pid;
}

// A fake system tree: a real platform UART ttyS0, an empty UART slot ttyS1, a UART ttyS20,
// a USB adapter with a stable by-id name and a modem port without one.
class FakeSystem {
public:
    FakeSystem() {
        const std::string sys = dir.Path() + "/sys";
        const std::string tty = sys + "/class/tty";
        const std::string platform = sys + "/devices/platform/serial8250";
        const std::string drivers = sys + "/bus/platform/drivers/serial8250";
        MakeDirs(platform);
        MakeDirs(drivers);
        Link(drivers, platform + "/driver");
        for (const char* name : {"ttyS0", "ttyS1", "ttyS20"}) {
            MakeDirs(tty + "/" + name);
            Link(platform, tty + "/" + name + "/device");
        }
        WriteWholeFile(tty + "/ttyS0/type", "4\n");
        WriteWholeFile(tty + "/ttyS1/type", "0\n");
        WriteWholeFile(tty + "/ttyS20/type", "4\n");

        const std::string usb = sys + "/devices/pci0000:00/0000:00:14.0/usb1/1-2";
        MakeDirs(usb + "/1-2:1.0/ttyUSB0");
        WriteWholeFile(usb + "/idVendor", "0403\n");
        WriteWholeFile(usb + "/manufacturer", "Example Devices\n");
        WriteWholeFile(usb + "/product", "USB Serial Adapter\n");
        MakeDirs(tty + "/ttyUSB0");
        Link("../../../devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/ttyUSB0",
             tty + "/ttyUSB0/device");
        const std::string acm = sys + "/devices/pci0000:00/0000:00:14.0/usb1/1-3";
        MakeDirs(acm + "/1-3:1.0");
        WriteWholeFile(acm + "/idVendor", "2341\n");
        WriteWholeFile(acm + "/product", "Modem Port\n");
        MakeDirs(tty + "/ttyACM0");
        Link("../../../devices/pci0000:00/0000:00:14.0/usb1/1-3/1-3:1.0", tty + "/ttyACM0/device");
        // Virtual terminals have no device link.
        MakeDirs(tty + "/tty1");

        MakeDirs(dir.Path() + "/dev/serial/by-id");
        Link("../../ttyUSB0",
             dir.Path() +
                 "/dev/serial/by-id/usb-Example_Devices_USB_Serial_Adapter_A10K1234-if00-port0");
        MakeDirs(dir.Path() + "/run/q3sim");
    }
    std::string Root() const { return dir.Path(); }
    std::string Simulators() const { return dir.Path() + "/run/q3sim"; }

    TempDir dir;
};
} // namespace

TEST(PortList, WithoutSourcesIsEmpty) {
    CPortList list("/nonexistent-q3-root", "");
    EXPECT_EQ(0, list.Count());
    EXPECT_EQ("", list.Path(0));
    EXPECT_EQ("", list.DisplayName(-1));
}

// Only ports with hardware behind them, in name order; an adapter under its by-id name.
TEST(PortList, ListsOnlyPortsThatExistInNameOrder) {
    FakeSystem fake;
    CPortList list(fake.Root(), fake.Simulators());
    ASSERT_EQ(4, list.Count());
    EXPECT_EQ((PortEntry{"/dev/ttyACM0", "Modem Port (ttyACM0)"}), list.Entries()[0]);
    EXPECT_EQ((PortEntry{"/dev/ttyS0", "Serial port (ttyS0)"}), list.Entries()[1]);
    EXPECT_EQ((PortEntry{"/dev/ttyS20", "Serial port (ttyS20)"}), list.Entries()[2]);
    EXPECT_EQ(
        (PortEntry{"/dev/serial/by-id/usb-Example_Devices_USB_Serial_Adapter_A10K1234-if00-port0",
                   "Example Devices USB Serial Adapter (ttyUSB0)"}),
        list.Entries()[3]);
}

TEST(PortList, RunningSimulatorsComeLastAndEndedOrMalformedOnesAreSkipped) {
    FakeSystem fake;
    std::string sims = fake.Simulators();
    WriteWholeFile(sims + "/" + std::to_string(::getpid()) + ".port",
                   "/dev/pts/7\tQ3 simulator Q3VA (pts/7)\n");
    WriteWholeFile(sims + "/" + std::to_string(EndedPid()) + ".port",
                   "/dev/pts/8\tQ3 simulator gone\n");
    WriteWholeFile(sims + "/" + std::to_string(::getpid()) + "-2.port",
                   "/tmp/q3sim-link\tQ3 simulator Q3VA1 (/tmp/q3sim-link)\n");
    WriteWholeFile(sims + "/1.port", "no tab in this line\n");
    WriteWholeFile(sims + "/.1.port", "/dev/pts/11\thidden\n");
    WriteWholeFile(sims + "/notapid.port", "/dev/pts/9\tname\n");
    WriteWholeFile(sims + "/" + std::to_string(::getppid()) + ".txt", "/dev/pts/10\tname\n");
    CPortList list(fake.Root(), sims);
    ASSERT_EQ(6, list.Count());
    // In file name order: "<pid>-2.port" sorts before "<pid>.port".
    EXPECT_EQ((PortEntry{"/tmp/q3sim-link", "Q3 simulator Q3VA1 (/tmp/q3sim-link)"}),
              list.Entries()[4]);
    EXPECT_EQ((PortEntry{"/dev/pts/7", "Q3 simulator Q3VA (pts/7)"}), list.Entries()[5]);
}

TEST(PortList, SimulatorDirectoryFollowsTheRuntimeDirectory) {
    TempDir runtime;
    const char* old = std::getenv("XDG_RUNTIME_DIR");
    std::string saved = old ? old : "";
    setenv("XDG_RUNTIME_DIR", runtime.Path().c_str(), 1);
    EXPECT_EQ(runtime.Path() + "/q3sim", CPortList::SimulatorDirectory());
    setenv("XDG_RUNTIME_DIR", "/nonexistent-q3-runtime", 1);
    EXPECT_EQ("/tmp/q3sim-" + std::to_string(::getuid()), CPortList::SimulatorDirectory());
    unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ("/tmp/q3sim-" + std::to_string(::getuid()), CPortList::SimulatorDirectory());
    if (old)
        setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
}

TEST(PortList, ThisMachineNeverFails) {
    CPortList list;
    for (const PortEntry& e : list.Entries()) {
        EXPECT_FALSE(e.path.empty());
        EXPECT_FALSE(e.displayName.empty());
    }
}
