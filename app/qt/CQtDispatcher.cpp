#include "app/qt/CQtDispatcher.h"

#include <QCoreApplication>
#include <QMetaObject>

CQtDispatcher::CQtDispatcher() : m_receiver(new QObject(QCoreApplication::instance())) {}

CQtDispatcher& CQtDispatcher::Instance() {
    static CQtDispatcher instance;
    return instance;
}

void CQtDispatcher::Post(std::function<void()> call) {
    // After QApplication has gone the receiver is gone with it: the call is dropped, as a
    // posted message to a destroyed window is.
    QObject* receiver = m_receiver.data();
    if (receiver == nullptr)
        return;
    QMetaObject::invokeMethod(receiver, std::move(call), Qt::QueuedConnection);
}
