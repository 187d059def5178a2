#include "comm/CTcpTransport.h"

#include "comm/CPrivateException.h"
#include "comm/MessageFormat.h"
#include "resources/CStringTable.h"
#include "resources/StringIds.h"

#include <algorithm>
#include <cerrno>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace {
using Clock = CSystemCalls::Clock;

CPrivateException TcpError(const std::string& reason) {
    return CPrivateException(FormatInserts(LoadStr(kMsgModbusTcpError), {reason}));
}

struct AddressList {
    addrinfo* head = nullptr;
    ~AddressList() {
        if (head)
            freeaddrinfo(head);
    }
};
} // namespace

CTcpTransport::CTcpTransport(CSystemCalls& sys) : m_sys(sys) {}

CTcpTransport::~CTcpTransport() {
    Close();
}

void CTcpTransport::Open(const CommSettings& settings) {
    Close();
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    AddressList addresses;
    int resolved =
        getaddrinfo(settings.host.c_str(), settings.service.c_str(), &hints, &addresses.head);
    if (resolved != 0 || !addresses.head)
        throw TcpError(resolved == EAI_SYSTEM ? CSystemCalls::ErrorText(errno)
                                              : gai_strerror(resolved));
    const addrinfo* first = addresses.head;
    int fd = m_sys.Socket(first->ai_family, first->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK,
                          first->ai_protocol);
    if (fd < 0)
        throw CPrivateException::FromSystemError(errno);
    // Connect without blocking so that an unreachable host costs a bounded wait.
    if (m_sys.Connect(fd, first->ai_addr, first->ai_addrlen) != 0) {
        int error = errno;
        if (error == EINPROGRESS) {
            pollfd p{fd, POLLOUT, 0};
            auto deadline = Clock::now() + std::chrono::milliseconds(kConnectTimeoutMs);
            int ready = m_sys.Poll(&p, 1, deadline);
            socklen_t length = sizeof error;
            if (ready == 0)
                error = ETIMEDOUT;
            else if (ready < 0)
                error = errno;
            else if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
                error = errno;
        }
        if (error != 0) {
            m_sys.Close(fd);
            throw CPrivateException::FromSystemError(error);
        }
    }
    int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    int event = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (event < 0) {
        int error = errno;
        m_sys.Close(fd);
        throw CPrivateException::FromSystemError(error);
    }
    m_socket = fd;
    m_cancelEvent = event;
    m_timer = std::make_unique<CTimerThread>();
}

std::string CTcpTransport::PeerName() const {
    if (m_socket < 0)
        return {};
    sockaddr_in peer{};
    socklen_t length = sizeof peer;
    if (getpeername(m_socket, reinterpret_cast<sockaddr*>(&peer), &length) != 0)
        return {};
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &peer.sin_addr, text, sizeof text);
    return "tcp:" + std::string(text) + ":" + std::to_string(ntohs(peer.sin_port));
}

void CTcpTransport::Close() {
    // The timer first: its notification writes to the event descriptor.
    if (m_timer) {
        m_timer->Stop();
        m_timer.reset();
    }
    if (m_socket >= 0) {
        m_sys.Close(m_socket);
        m_socket = -1;
    }
    if (m_cancelEvent >= 0) {
        m_sys.Close(m_cancelEvent);
        m_cancelEvent = -1;
    }
}

void CTcpTransport::Send(const uint8_t* frame, std::size_t size) {
    if (m_socket < 0)
        return;
    if (m_unsynced) {
        DropAvailable();
        m_unsynced = false;
        m_skip = 0;
    }
    std::size_t done = 0;
    while (done < size) {
        ssize_t n = m_sys.Send(m_socket, frame + done, size - done, MSG_NOSIGNAL);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd p{m_socket, POLLOUT, 0};
            if (m_sys.Poll(&p, 1, Clock::now() + std::chrono::milliseconds(m_timeoutMs)) > 0)
                continue;
        }
        return; // reported by the receive as no response
    }
}

void CTcpTransport::DropAvailable() {
    uint8_t junk[512];
    while (m_sys.Recv(m_socket, junk, sizeof junk, 0) > 0) {
    }
}

void CTcpTransport::CancelReceive() {
    if (!m_receiving.load() || m_cancelEvent < 0)
        return;
    uint64_t one = 1;
    m_sys.Write(m_cancelEvent, &one, sizeof one);
}

std::size_t CTcpTransport::ReadUpTo(uint8_t* to, std::size_t want, Clock::time_point backstop,
                                    bool& failed) {
    std::size_t got = 0;
    while (got < want && !failed) {
        pollfd fds[2] = {{m_socket, POLLIN, 0}, {m_cancelEvent, POLLIN, 0}};
        int ready = m_sys.Poll(fds, 2, backstop);
        if (ready <= 0 || (fds[1].revents & POLLIN)) {
            failed = true;
            break;
        }
        ssize_t n = m_sys.Recv(m_socket, to + got, want - got, 0);
        if (n > 0)
            got += static_cast<std::size_t>(n);
        else if (!(n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)))
            failed = true; // peer closed or error
    }
    return got;
}

std::size_t CTcpTransport::Receive(uint8_t* buffer, std::size_t size) {
    if (m_socket < 0 || size == 0)
        return 0;
    uint64_t stale = 0;
    while (m_sys.Read(m_cancelEvent, &stale, sizeof stale) > 0) {
    }
    m_receiving.store(true);
    if (m_timer)
        m_timer->Arm(m_timeoutMs);
    // Backstop for a receive that runs without a watchdog (an arm that gave up).
    auto backstop = Clock::now() + std::chrono::milliseconds(m_timeoutMs + 1000);
    bool failed = false;
    uint8_t junk[256];
    while (m_skip > 0 && !failed)
        m_skip -= ReadUpTo(junk, std::min(m_skip, sizeof junk), backstop, failed);
    // One frame: the header, then as many bytes as its length field says (at most 254).
    uint8_t frame[6 + 255];
    std::size_t got = failed ? 0 : ReadUpTo(frame, 6, backstop, failed);
    if (got == 6) {
        std::size_t follow = static_cast<std::size_t>(frame[4]) << 8 | frame[5];
        if (frame[2] != 0 || frame[3] != 0 || follow == 0 || follow > 254) {
            // Not a frame boundary: hand over what is here, the client refuses it.
            m_unsynced = true;
            std::size_t room = size > 6 ? std::min(size, sizeof frame) - 6 : 0;
            got += ReadUpTo(frame + 6, room, Clock::now(), failed);
        } else {
            got += ReadUpTo(frame + 6, follow, backstop, failed);
            if (got < 6 + follow)
                m_skip = 6 + follow - got;
        }
    } else if (got > 0) {
        m_unsynced = true;
    }
    if (m_timer)
        m_timer->Disarm();
    m_receiving.store(false);
    // A partial answer cut off by the time-out is handed on as it is (an invalid response).
    std::size_t handed = std::min(got, size);
    std::copy(frame, frame + handed, buffer);
    return handed;
}
