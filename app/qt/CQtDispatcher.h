#pragma once

#include "comm/CObserverQueue.h"

#include <QObject>
#include <QPointer>

// Queues calls onto the GUI thread through the event loop: calls posted from one thread run in
// posting order. Post is safe from any thread; the calls run when the GUI thread next processes
// events (also inside a modal dialog's loop).
class CQtDispatcher : public IUiDispatcher {
public:
    // The one process-wide instance; first used on the GUI thread after QApplication exists.
    static CQtDispatcher& Instance();

    void Post(std::function<void()> call) override;
    // Runs the calls queued so far now (on the GUI thread), in order.
    void Flush();

private:
    CQtDispatcher();
    // Lives on the GUI thread; queued calls are delivered to it.
    QPointer<QObject> m_receiver;
};
