#pragma once

#include <string>

// One writer per device among every program and user of this machine, for a device that
// several programs can reach at once (a Modbus TCP gateway). The lock is an abstract-namespace
// Unix socket named after the device: the kernel gives a name to one socket at a time, frees it
// when its holder exits or dies, and leaves no file in a shared directory. A serial port needs
// none of this: the open port itself is locked (CSerialIO) for the whole connection.
class CDeviceLock {
public:
    // key: what names the device, for instance "tcp:127.0.0.1:502".
    explicit CDeviceLock(std::string key);
    ~CDeviceLock();
    CDeviceLock(const CDeviceLock&) = delete;
    CDeviceLock& operator=(const CDeviceLock&) = delete;

    // True when taken (or already held), false while another program holds it. Raises
    // CPrivateException 42005 when the lock cannot be made at all.
    bool TryLock();
    // Waits at most ms for the holder to let go (sooner when it does). No lock is taken.
    void WaitForRelease(int ms) const;
    void Unlock();
    bool IsLocked() const { return m_fd >= 0; }
    const std::string& Key() const { return m_key; }

private:
    std::string m_key;
    int m_fd = -1;
};
