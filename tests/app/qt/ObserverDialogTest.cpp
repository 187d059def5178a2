#include "app/qt/CObserverDialog.h"

#include "comm/CObservable.h"
#include "tests/support/qt/GuiTestSupport.h"

#include <QThread>

#include <memory>
#include <thread>
#include <vector>

namespace {

class RecordingDialog : public CObserverDialog {
public:
    explicit RecordingDialog(std::vector<CObservable*>* log) : m_log(log) {}

protected:
    void OnObserverUpdate(CObservable* source) override {
        EXPECT_EQ(QThread::currentThread(), thread());
        m_log->push_back(source);
    }

private:
    std::vector<CObservable*>* m_log;
};

class Worker : public CObservable {};

TEST(ObserverDialogTest, UpdatesFromAWorkerArriveOnTheGuiThreadInOrder) {
    std::vector<CObservable*> log;
    RecordingDialog dialog(&log);
    Worker a, b;
    a.AddObserver(&dialog);
    b.AddObserver(&dialog);
    std::thread worker([&] {
        for (int i = 0; i < 50; ++i) {
            (i % 2 ? b : a).NotifyObservers();
            EXPECT_NE(QThread::currentThread(), dialog.thread());
        }
    });
    worker.join();
    // Nothing runs before the GUI thread turns its event loop.
    EXPECT_TRUE(log.empty());
    ASSERT_TRUE(WaitUntil([&] { return log.size() == 50; }));
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(i % 2 ? &b : &a, log[i]) << i;
}

TEST(ObserverDialogTest, UpdatesForADialogThatIsGoneAreDropped) {
    std::vector<CObservable*> log;
    Worker subject;
    auto dialog = std::make_unique<RecordingDialog>(&log);
    subject.AddObserver(dialog.get());
    std::thread([&] { subject.NotifyObservers(); }).join();
    dialog.reset();
    // The queued call finds the dialog gone and does nothing (no crash, no record).
    QCoreApplication::processEvents();
    QTest::qWait(20);
    EXPECT_TRUE(log.empty());
}

TEST(ObserverDialogTest, AnObserverAddedTwiceHearsEveryUpdateTwice) {
    std::vector<CObservable*> log;
    RecordingDialog dialog(&log);
    Worker subject;
    subject.AddObserver(&dialog);
    subject.AddObserver(&dialog);
    subject.NotifyObservers();
    ASSERT_TRUE(WaitUntil([&] { return log.size() == 2; }));
    QTest::qWait(10);
    EXPECT_EQ(2u, log.size());
}

} // namespace
