#pragma once

#include "calib/CAdjustInfo.h"
#include "comm/CObservable.h"
#include "comm/CPrivateException.h"
#include "device/CDeviceInterface.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

class CCommInterface;
class CParBase;

// A worker thread that runs device operations one at a time, in posting order, and notifies
// its observers (on the worker thread) when a poll, upload or download has finished. The
// window uses one long-lived instance for commands 1 and 2 and one short-lived instance per
// transfer (command 3 or 4).
//
// After a notification an observer reads LastCommand(), StoredError() and Device() (device
// valid flag, DeviceSet(), CalibInfo(), AdjustInfo()); the worker has set them before it
// notified, and does not touch them again until the next command is posted. A CQueuedObserver
// carries the notification to the window's thread.
//
// Ending: StopAndRelease (or Stop, then destroy). A worker still busy after the wait is never
// destroyed under its feet: it is handed its own object, drops the commands still queued,
// notifies nobody any more and deletes itself when the running command has finished.
class CDeviceInterfaceThread : public CObservable {
public:
    using Clock = std::chrono::steady_clock;

    static constexpr int kQuit = 0;
    static constexpr int kPoll = 1;
    static constexpr int kWriteAdjustments = 2;
    static constexpr int kUpload = 3;
    static constexpr int kDownload = 4;
    static constexpr std::chrono::milliseconds kStopWait{3000};

    // Starts the worker; request time and last write time are the start time.
    CDeviceInterfaceThread();
    // Posts command 0 and waits for the worker without limit if it still runs.
    ~CDeviceInterfaceThread() override;
    CDeviceInterfaceThread(const CDeviceInterfaceThread&) = delete;
    CDeviceInterfaceThread& operator=(const CDeviceInterfaceThread&) = delete;

    // The connection, lent; set it (and add the observers) before the first command.
    void SetConnection(CCommInterface* comm) { m_device.SetConnection(comm); }
    // Queues a command (any number; unknown ones only become the last command).
    void PostCommand(int command);

    // Posts command 0 and waits up to wait for the worker to end. True when it has ended.
    bool Stop(std::chrono::milliseconds wait = kStopWait);
    // Stops the thread and frees it; a worker still running after the wait frees itself later.
    static void StopAndRelease(std::unique_ptr<CDeviceInterfaceThread> thread,
                               std::chrono::milliseconds wait = kStopWait);
    bool HasEnded() const;

    // Inputs the window sets before posting the command that uses them (any thread).
    void SetAdjustInfo(const CAdjustInfo& info);
    CAdjustInfo GetAdjustInfo() const;
    void SetRequestTime(Clock::time_point time);
    Clock::time_point RequestTime() const;
    Clock::time_point LastWriteTime() const;
    // Copies info, sets the request time to now and posts command 2.
    void RequestAdjustmentWrite(const CAdjustInfo& info);
    // The set command 4 writes; lent, must live until the command has started.
    void SetDownloadSet(const CParBase* set);
    // The set of the model the caller has just read from the device (q3cli), so that command 3
    // does not read the model register again; lent like the download set.
    void SetIdentifiedSet(const CParBase* set);

    // Results.
    int LastCommand() const { return m_lastCommand.load(); }
    // The error that ended the last command 3 or 4, or null.
    const CPrivateException* StoredError() const { return m_storedError.get(); }
    CDeviceInterface& Device() { return m_device; }
    const CDeviceInterface& Device() const { return m_device; }

private:
    void Run();
    void Handle(int command);
    void Notify();
    template <class Operation> void RunStoringError(Operation operation);

    // Queue and lifetime.
    mutable std::mutex m_queueMutex;
    std::condition_variable m_queueChanged;
    std::deque<int> m_queue;
    bool m_ended = false;
    bool m_selfOwned = false;

    // Notifications stop for good once the owner has let go.
    std::mutex m_notifyMutex;
    bool m_silenced = false;

    // Inputs of command 2 and 4.
    mutable std::mutex m_inputMutex;
    CAdjustInfo m_adjust;
    Clock::time_point m_requestTime;
    Clock::time_point m_lastWriteTime;
    const CParBase* m_downloadSet = nullptr;
    const CParBase* m_identifiedSet = nullptr;

    std::atomic<int> m_lastCommand{-1};
    std::unique_ptr<CPrivateException> m_storedError;
    CDeviceInterface m_device;
    std::thread m_thread; // last: starts when everything else exists
};
