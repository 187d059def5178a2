#include "comm/CObservable.h"
#include "comm/CObserver.h"
#include "comm/CObserverQueue.h"

#include <gtest/gtest.h>

#include <memory>

#include <string>
#include <thread>
#include <vector>

namespace {
class CRecorder : public CObserver {
public:
    explicit CRecorder(std::vector<std::string>& log, std::string name)
        : m_log(log), m_name(std::move(name)) {}
    void Update(CObservable* source) override {
        m_log.push_back(m_name);
        last = source;
    }
    CObservable* last = nullptr;

private:
    std::vector<std::string>& m_log;
    std::string m_name;
};

class CSubject : public CObservable {
public:
    int value = 0;
};

// A window-side observer: records the subject's value when the queued call runs.
class CWindow : public CQueuedObserver {
public:
    explicit CWindow(IUiDispatcher& dispatcher, std::vector<int>& seen)
        : CQueuedObserver(dispatcher), m_seen(seen) {}

protected:
    void OnObserverUpdate(CObservable* source) override {
        m_seen.push_back(static_cast<CSubject*>(source)->value);
    }

private:
    std::vector<int>& m_seen;
};
} // namespace

TEST(Observable, NoObserversDoesNothing) {
    CSubject subject;
    subject.NotifyObservers();
    EXPECT_EQ(0u, subject.ObserverCount());
}

TEST(Observable, NotifiesInOrderAddedWithTheSubjectAsSource) {
    std::vector<std::string> log;
    CSubject subject;
    CRecorder a(log, "a"), b(log, "b");
    subject.AddObserver(&a);
    subject.AddObserver(&b);
    subject.NotifyObservers();
    EXPECT_EQ((std::vector<std::string>{"a", "b"}), log);
    EXPECT_EQ(&subject, a.last);
}

TEST(Observable, ObserverAddedTwiceIsNotifiedTwice) {
    std::vector<std::string> log;
    CSubject subject;
    CRecorder a(log, "a");
    subject.AddObserver(&a);
    subject.AddObserver(&a);
    subject.NotifyObservers();
    EXPECT_EQ(2u, log.size());
}

TEST(Observable, UpdateMayAddAnObserverWithoutDeadlock) {
    std::vector<std::string> log;
    CSubject subject;
    CRecorder late(log, "late");
    class CAdder : public CObserver {
    public:
        CAdder(CSubject& s, CObserver& o) : m_s(s), m_o(o) {}
        void Update(CObservable*) override { m_s.AddObserver(&m_o); }

    private:
        CSubject& m_s;
        CObserver& m_o;
    } adder(subject, late);
    subject.AddObserver(&adder);
    subject.NotifyObservers();
    EXPECT_TRUE(log.empty()) << "an observer added during a notification waits for the next";
    subject.NotifyObservers();
    EXPECT_EQ((std::vector<std::string>{"late"}), log);
}

TEST(QueuedObserver, UpdatesRunOnTheDrainingThreadInPostingOrderAfterTheResults) {
    CQueueDispatcher dispatcher;
    std::vector<int> seen;
    CWindow window(dispatcher, seen);
    // One subject per result, so each update must see the value set just before it.
    std::vector<std::unique_ptr<CSubject>> subjects;
    for (int i = 0; i < 50; ++i) {
        subjects.push_back(std::make_unique<CSubject>());
        subjects.back()->AddObserver(&window);
    }
    std::thread worker([&] {
        for (int i = 0; i < 50; ++i) {
            subjects[i]->value = i + 1;
            subjects[i]->NotifyObservers();
        }
    });
    while (seen.size() < 50)
        dispatcher.WaitAndRun(std::chrono::milliseconds(10));
    worker.join();
    std::vector<int> expected(50);
    for (int i = 0; i < 50; ++i)
        expected[i] = i + 1;
    EXPECT_EQ(expected, seen);
}

TEST(QueuedObserver, NothingRunsBeforeTheDispatcherIsDrained) {
    CQueueDispatcher dispatcher;
    std::vector<int> seen;
    CWindow window(dispatcher, seen);
    CSubject subject;
    subject.AddObserver(&window);
    subject.value = 5;
    subject.NotifyObservers();
    subject.NotifyObservers();
    EXPECT_TRUE(seen.empty());
    EXPECT_EQ(2u, dispatcher.RunPending());
    EXPECT_EQ((std::vector<int>{5, 5}), seen);
}

TEST(QueuedObserver, UpdateForADestroyedWindowIsDropped) {
    CQueueDispatcher dispatcher;
    std::vector<int> seen;
    CSubject subject;
    {
        auto window = std::make_unique<CWindow>(dispatcher, seen);
        CWindow* raw = window.get();
        raw->Update(&subject);
    }
    EXPECT_EQ(1u, dispatcher.RunPending());
    EXPECT_TRUE(seen.empty());
}
