#pragma once

#include "calib/CAdjustInfo.h"
#include "calib/CCalibInfo.h"
#include "model/CDeviceType.h"
#include "model/CParBase.h"

#include <atomic>
#include <memory>
#include <mutex>

class CCommInterface;

// The model register every operation reads first.
inline constexpr int kRegModelNumber = 9600;

// The device operations above the connection: poll (identify the device and read its live
// state), write the fine adjustments, upload all settings, download all settings. Each takes
// the connection lock for its whole duration. Runs on a device interface thread; the window
// reads the results after the thread's notification.
class CDeviceInterface {
public:
    CDeviceInterface();
    virtual ~CDeviceInterface();
    CDeviceInterface(const CDeviceInterface&) = delete;
    CDeviceInterface& operator=(const CDeviceInterface&) = delete;

    // The connection, lent; set before the first operation.
    void SetConnection(CCommInterface* comm) { m_comm = comm; }
    CCommInterface* Connection() const { return m_comm; }

    // Not connected: waits 200 ms, clears device valid, touches no register. Otherwise reads
    // the model register; an unsupported model clears device valid and renews the port without
    // an error; a supported one (the device set replaced first when the model changed) gets
    // groups 0 and 10 and the two records read. Any error clears device valid, waits 200 ms,
    // renews the port and propagates.
    void Poll();
    // Upload, Download and WriteAdjustments raise message 216 ("Currently offline") when not
    // connected.
    // Writes the adjustments of info inside process mode 1.
    void WriteAdjustments(const CAdjustInfo& info);
    // Reads the model register (a supported model other than the set's replaces the set) and
    // then every setting into the device set; progress in Progress(). Given the set of the
    // model the caller has just read from the device, the model register is not read again.
    void Upload(const CParBase* identified = nullptr);
    // The device set becomes a copy of set, which is then written to the device.
    void Download(const CParBase& set);

    // The parameter set of the connected model (never null). Read it after the notification
    // of the operation that filled it.
    CParBase* DeviceSet() const { return m_set.get(); }
    const CCalibInfo& CalibInfo() const { return m_calib; }
    const CAdjustInfo& AdjustInfo() const { return m_adjust; }
    // The last poll identified a supported model and read it without error. Any thread.
    bool IsDeviceValid() const { return m_valid.load(); }
    void SetDeviceValid(bool valid) { m_valid.store(valid); }
    // The running transfer's progress in percent; any thread, also while the device set is
    // being replaced.
    int Progress() const;

    // Cancelling an operation after its current request (any thread). A cancelled download
    // still restores the process mode, and says that the device holds a partly written set.
    // The flag watched is the interface's own unless another is given (q3cli: its signal
    // flag); ClearCancel lowers the own one before the next operation.
    void RequestCancel() { m_cancel = true; }
    void ClearCancel() { m_cancel = false; }
    void SetCancelFlag(const std::atomic<bool>* flag) { m_cancelFlag = flag ? flag : &m_cancel; }

    // Type code of a model number of the model table (0: not supported).
    static int TypeCodeOfModel(int modelNumber);

    static constexpr int kIdleWaitMs = 200;

private:
    void ReplaceSet(const CParBase& with);
    CCommInterface& ConnectedComm() const;

    CCommInterface* m_comm = nullptr;
    std::unique_ptr<CParBase> m_set;
    CCalibInfo m_calib;
    CAdjustInfo m_adjust;
    std::atomic<bool> m_valid{false};
    CDeviceType m_deviceType;
    std::atomic<bool> m_cancel{false};
    const std::atomic<bool>* m_cancelFlag = &m_cancel;
    // Guards the device set's replacement against Progress() on another thread.
    mutable std::mutex m_setMutex;
};
