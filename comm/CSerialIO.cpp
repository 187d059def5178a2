#include "comm/CSerialIO.h"
#include "platform/CSystemCalls.h"

#include "comm/CPrivateException.h"
#include "resources/CStringTable.h"
#include "resources/StringIds.h"

#include <algorithm>
#include <cerrno>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {
using Clock = CSystemCalls::Clock;

speed_t SpeedCode(uint32_t baud) {
    switch (baud) {
    case 2400:
        return B2400;
    case 4800:
        return B4800;
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    default:
        return B1200;
    }
}

tcflag_t SizeFlag(int dataBits) {
    return dataBits == 8 ? CS8 : CS7;
}

tcflag_t ParityFlags(int parity) {
    switch (parity) {
    case 1:
        return PARENB | PARODD;
    case 2:
        return PARENB;
    case 3:
        return PARENB | PARODD | CMSPAR;
    case 4:
        return PARENB | CMSPAR;
    default:
        return 0;
    }
}

// Unix98 pseudo-terminal slaves (the simulator's ports) and the legacy BSD ones.
bool IsPseudoTerminal(CSystemCalls& sys, int fd) {
    struct stat st {};
    if (sys.Fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode))
        return false;
    unsigned int major = ::major(st.st_rdev);
    return (major >= 136 && major <= 143) || major == 3;
}

std::string GroupOf(const std::string& path) {
    struct stat st {};
    if (CSystemCalls::Current().Stat(path.c_str(), &st) != 0)
        return {};
    std::vector<char> buffer(4096);
    group entry{};
    group* found = nullptr;
    if (getgrgid_r(st.st_gid, &entry, buffer.data(), buffer.size(), &found) != 0 || !found)
        return {};
    return found->gr_name;
}

// The reason line of message 305.
std::string OpenFailureReason(int error, const std::string& path) {
    switch (error) {
    case EACCES:
    case EPERM: {
        std::string group = GroupOf(path);
        if (group.empty() || group == "root")
            return "Permission denied: the user must belong to the group that owns the device "
                   "(usually dialout), for example with \"sudo usermod -aG dialout $USER\", and "
                   "log in again.";
        return "Permission denied: the user must belong to the group \"" + group +
               "\" that owns the device, for example with \"sudo usermod -aG " + group +
               " $USER\", and log in again.";
    }
    case EWOULDBLOCK:
    case EBUSY:
        return "The port is in use by another program.";
    default:
        return CSystemCalls::ErrorText(error) + ".";
    }
}

// Message 305 takes the port name printf-style; only its one %s is filled, so a translated text
// can never make the formatter read a missing argument.
std::string FillPortName(std::string text, const std::string& name) {
    std::size_t at = text.find("%s");
    if (at != std::string::npos)
        text.replace(at, 2, name);
    return text;
}

// What the line needs, checked after tcsetattr: its return code is no proof either way (it
// reports success when only part of the request took effect, and on a pty glibc may report
// EINVAL for a request the kernel did apply).
bool LineTookEffect(const termios& want, const termios& got, bool pty) {
    if (cfgetospeed(&got) != cfgetospeed(&want) || cfgetispeed(&got) != cfgetispeed(&want))
        return false;
    if (got.c_lflag & (ICANON | ECHO | ECHONL | ISIG | IEXTEN))
        return false;
    if (got.c_oflag & OPOST)
        return false;
    if (got.c_iflag & (IXON | IXOFF | IXANY | ICRNL | INLCR | IGNCR | ISTRIP | INPCK | PARMRK))
        return false;
    if (got.c_cflag & CRTSCTS)
        return false;
    if ((got.c_cflag & (CLOCAL | CREAD)) != (CLOCAL | CREAD))
        return false;
    if ((got.c_cflag & CSTOPB) != (want.c_cflag & CSTOPB))
        return false;
    // A pty carries no line: the kernel forces 8 bits and drops the parity flags.
    if (pty)
        return true;
    const tcflag_t parity = PARENB | PARODD | CMSPAR;
    return (got.c_cflag & CSIZE) == (want.c_cflag & CSIZE) &&
           (got.c_cflag & parity) == (want.c_cflag & parity);
}
} // namespace

CSerialIO::CSerialIO(CSystemCalls& sys) : m_sys(sys) {}

CSerialIO::~CSerialIO() {
    Close();
}

SerialLine CSerialIO::LineFor(const CommSettings& settings) {
    if (settings.mode == kModeRtuFixed)
        return SerialLine{1200, 8, 1, 1};
    return SerialLine{CommSettings::BaudRate(settings.baudIndex),
                      CommSettings::DataBits(settings.dataBitsIndex), settings.parity,
                      CommSettings::StopBits(settings.stopBitsIndex)};
}

void CSerialIO::Open() {
    m_devicePath = m_settings.portName;
    Close();
    if (m_devicePath.empty())
        throw CPrivateException::FromId(kMsgNoPortChosen);
    // Non-blocking: open must not wait for a carrier, and reads wait in poll with a deadline.
    int fd = m_sys.Open(m_devicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        ThrowOpenError(errno);
    // flock keeps out every other program and instance, root included; TIOCEXCL adds the
    // kernel's own refusal for programs that do not lock (it does not bind root).
    if (m_sys.Flock(fd, LOCK_EX | LOCK_NB) != 0) {
        int error = errno;
        m_sys.Close(fd);
        ThrowOpenError(error);
    }
    m_sys.Ioctl(fd, TIOCEXCL, nullptr);
    m_fd = fd;
    Configure();
}

bool CSerialIO::IsBusy(const std::string& path) {
    CSystemCalls& sys = CSystemCalls::Current();
    int fd = sys.Open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno == EBUSY;
    bool busy = sys.Flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    sys.Close(fd);
    return busy;
}

void CSerialIO::ThrowOpenError(int error) const {
    std::string text = FillPortName(LoadStr(kMsgPortOpenFailed), m_settings.ShownPortName());
    throw CPrivateException(text + "\n" + OpenFailureReason(error, m_devicePath));
}

void CSerialIO::Configure() {
    m_line = LineFor(m_settings);
    termios want{};
    if (m_sys.TcGetAttr(m_fd, &want) != 0)
        throw CPrivateException::FromId(kMsgPortSettingsFailed);
    cfmakeraw(&want);
    want.c_iflag &= ~static_cast<tcflag_t>(IXOFF | IXANY | INPCK);
    want.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    want.c_cflag |= CLOCAL | CREAD | SizeFlag(m_line.dataBits) | ParityFlags(m_line.parity);
    if (m_line.stopBits == 2)
        want.c_cflag |= CSTOPB;
    // Reads wait in poll, so the kernel's own read timer is never used.
    want.c_cc[VMIN] = 0;
    want.c_cc[VTIME] = 0;
    cfsetispeed(&want, SpeedCode(m_line.baudRate));
    cfsetospeed(&want, SpeedCode(m_line.baudRate));
    m_sys.TcSetAttr(m_fd, TCSANOW, &want);
    termios got{};
    if (m_sys.TcGetAttr(m_fd, &got) != 0 ||
        !LineTookEffect(want, got, IsPseudoTerminal(m_sys, m_fd)))
        throw CPrivateException::FromId(kMsgPortSettingsFailed);
    // Both modem lines off; a pty has none, so a refusal is not an error.
    int lines = TIOCM_DTR | TIOCM_RTS;
    m_sys.Ioctl(m_fd, TIOCMBIC, &lines);
    m_sys.TcFlush(m_fd, TCIFLUSH);
    ApplyTimeouts();
}

void CSerialIO::Close() {
    if (m_fd < 0)
        return;
    // Exclusive mode can outlive the descriptor on a pty whose master stays open.
    m_sys.Ioctl(m_fd, TIOCNXCL, nullptr);
    m_sys.Close(m_fd);
    m_fd = -1;
}

void CSerialIO::ApplyTimeouts() {
    // The time-outs take effect in Read through poll; only a closed port can refuse them.
    if (m_fd < 0)
        throw CPrivateException::FromId(kMsgPortSettingsFailed);
}

void CSerialIO::SetReadTimeout(uint32_t ms) {
    m_timeouts.readTotalConstant = ms;
    ApplyTimeouts();
}

void CSerialIO::PrepareDrainRead() {
    m_timeouts.readTotalConstant = 1;
    m_timeouts.readInterval = 0;
    ApplyTimeouts();
}

void CSerialIO::Write(const uint8_t* data, std::size_t size) {
    if (m_fd < 0)
        throw CPrivateException::FromId(kMsgPortSettingsFailed);
    std::size_t done = 0;
    while (done < size) {
        ssize_t n = m_sys.Write(m_fd, data + done, size - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            // Output queue full: wait for room (writes have no time-out, the line drains).
            pollfd fd{m_fd, POLLOUT, 0};
            if (m_sys.Poll(&fd, 1, std::nullopt) < 0 || (fd.revents & (POLLERR | POLLHUP)))
                throw CPrivateException::FromId(kMsgPortSettingsFailed);
            continue;
        }
        throw CPrivateException::FromId(kMsgPortSettingsFailed);
    }
    // The response time-out starts when the frame has left the line: its line time from now,
    // reckoned here instead of waiting for the driver to drain.
    m_lineFreeAt = Clock::now() + LineTime(size);
}

Clock::duration CSerialIO::LineTime(std::size_t bytes) const {
    if (m_line.baudRate == 0)
        return {};
    const int bits = 1 + m_line.dataBits + (m_line.parity != 0 ? 1 : 0) + m_line.stopBits;
    return std::chrono::microseconds(static_cast<int64_t>(bytes) * bits * 1000000 /
                                     m_line.baudRate);
}

std::size_t CSerialIO::Read(uint8_t* buffer, std::size_t size) {
    if (m_fd < 0 || size == 0)
        return 0;
    using std::chrono::milliseconds;
    uint64_t totalMs =
        m_timeouts.readTotalConstant + static_cast<uint64_t>(m_timeouts.readTotalMultiplier) * size;
    // With no bound at all the read waits for the whole buffer, as the platform port does.
    std::optional<Clock::time_point> deadline;
    if (totalMs > 0 || m_timeouts.readInterval > 0)
        deadline =
            std::max(Clock::now(), m_lineFreeAt) + milliseconds(totalMs > 0 ? totalMs : UINT32_MAX);
    std::size_t got = 0;
    while (got < size) {
        std::optional<Clock::time_point> until = deadline;
        if (got > 0 && m_timeouts.readInterval > 0) {
            auto gap = Clock::now() + milliseconds(m_timeouts.readInterval);
            if (!until || gap < *until)
                until = gap;
        }
        pollfd fd{m_fd, POLLIN, 0};
        int ready = m_sys.Poll(&fd, 1, until);
        if (ready <= 0)
            break;
        if (!(fd.revents & POLLIN))
            break; // hang-up or error without data
        ssize_t n = m_sys.Read(m_fd, buffer + got, size - got);
        if (n > 0)
            got += static_cast<std::size_t>(n);
        else if (!(n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)))
            break;
    }
    return got;
}

bool CSerialIO::DropInputUntil(Clock::time_point end) {
    uint8_t stale[512];
    // Bounded by end even on a line that never stops sending.
    while (m_fd >= 0 && Clock::now() < end) {
        pollfd fd{m_fd, POLLIN, 0};
        int ready = m_sys.Poll(&fd, 1, end);
        if (ready == 0)
            return true; // quiet to the end
        // A hang-up or an error (a gone pty reports input that reads fail on): the wait goes
        // on without the line.
        if (ready < 0 || !(fd.revents & POLLIN) || ReadAvailable(stale, sizeof stale) == 0) {
            std::this_thread::sleep_until(end);
            return false;
        }
    }
    std::this_thread::sleep_until(end);
    return m_fd >= 0;
}

std::size_t CSerialIO::ReadAvailable(uint8_t* buffer, std::size_t size) {
    if (m_fd < 0)
        return 0;
    std::size_t got = 0;
    while (got < size) {
        ssize_t n = m_sys.Read(m_fd, buffer + got, size - got);
        if (n <= 0)
            break; // EAGAIN: nothing more there
        got += static_cast<std::size_t>(n);
    }
    return got;
}
