#pragma once

#include "comm/CObserverQueue.h"

#include <QDialog>

// A dialog that observes subjects on other threads: Update (any thread) only queues the call;
// OnObserverUpdate then runs on the GUI thread, in the order the updates were posted. Updates
// still queued when the dialog object is destroyed are dropped.
class CObserverDialog : public QDialog, public CQueuedObserver {
    Q_OBJECT
public:
    explicit CObserverDialog(QWidget* parent = nullptr);
    ~CObserverDialog() override;

protected:
    void OnObserverUpdate(CObservable* source) override = 0;
};
