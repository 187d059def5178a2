#include "app/qt/CQtDispatcher.h"

#include <QCoreApplication>
#include <QMetaObject>

CQtDispatcher::CQtDispatcher() {
    // The calls run on the receiver's thread: the application's, whichever thread asks first.
    auto* receiver = new QObject();
    if (QCoreApplication* app = QCoreApplication::instance()) {
        receiver->moveToThread(app->thread());
        receiver->setParent(app);
    }
    m_receiver = receiver;
}

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

void CQtDispatcher::Flush() {
    if (QObject* receiver = m_receiver.data())
        QCoreApplication::sendPostedEvents(receiver, QEvent::MetaCall);
}
