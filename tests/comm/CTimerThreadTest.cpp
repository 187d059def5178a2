#include "comm/CTimerThread.h"

#include "comm/CObserver.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

class CCountingObserver : public CObserver {
public:
    void Update(CObservable* source) override {
        last = source;
        ++count;
        when = Clock::now();
    }
    std::atomic<int> count{0};
    std::atomic<CObservable*> last{nullptr};
    std::atomic<Clock::time_point> when{};
};

long Ms(Clock::duration d) {
    return static_cast<long>(std::chrono::duration_cast<milliseconds>(d).count());
}
} // namespace

TEST(TimerThread, DisarmInTimeGivesNoNotification) {
    CTimerThread timer;
    CCountingObserver observer;
    timer.AddObserver(&observer);
    timer.Arm(5000);
    std::this_thread::sleep_for(milliseconds(20));
    Clock::time_point start = Clock::now();
    timer.Disarm();
    EXPECT_LT(Ms(Clock::now() - start), 10);
    std::this_thread::sleep_for(milliseconds(30));
    EXPECT_EQ(0, observer.count);
    EXPECT_EQ(0u, timer.ExpiryCount());
}

TEST(TimerThread, ExpiryNotifiesOnceAfterTheTimeout) {
    CTimerThread timer;
    CCountingObserver observer;
    timer.AddObserver(&observer);
    Clock::time_point start = Clock::now();
    timer.Arm(150);
    std::this_thread::sleep_for(milliseconds(400));
    EXPECT_EQ(1, observer.count);
    EXPECT_EQ(&timer, observer.last.load());
    long after = Ms(observer.when.load() - start);
    EXPECT_GE(after, 150);
    EXPECT_LT(after, 250);
    Clock::time_point disarm = Clock::now();
    timer.Disarm();
    EXPECT_LT(Ms(Clock::now() - disarm), 10);
    EXPECT_EQ(1, observer.count);
}

TEST(TimerThread, ExpiredCycleDoesNotHitTheNextOne) {
    CTimerThread timer;
    CCountingObserver observer;
    timer.AddObserver(&observer);
    timer.Arm(30);
    std::this_thread::sleep_for(milliseconds(80));
    timer.Disarm();
    ASSERT_EQ(1, observer.count);
    timer.Arm(5000);
    std::this_thread::sleep_for(milliseconds(60));
    timer.Disarm();
    EXPECT_EQ(1, observer.count);
}

TEST(TimerThread, DisarmWaitsForANotificationInProgress) {
    CTimerThread timer;
    std::atomic<bool> inUpdate{false};
    std::atomic<bool> finished{false};
    class CSlowObserver : public CObserver {
    public:
        CSlowObserver(std::atomic<bool>& in, std::atomic<bool>& done) : m_in(in), m_done(done) {}
        void Update(CObservable*) override {
            m_in = true;
            std::this_thread::sleep_for(milliseconds(100));
            m_done = true;
        }

    private:
        std::atomic<bool>& m_in;
        std::atomic<bool>& m_done;
    } observer(inUpdate, finished);
    timer.AddObserver(&observer);
    timer.Arm(10);
    while (!inUpdate)
        std::this_thread::sleep_for(milliseconds(1));
    timer.Disarm();
    EXPECT_TRUE(finished) << "Disarm returned while the notification was still running";
}

TEST(TimerThread, StopWhileIdleEndsPromptly) {
    auto timer = std::make_unique<CTimerThread>();
    Clock::time_point start = Clock::now();
    timer->Stop();
    timer.reset();
    EXPECT_LT(Ms(Clock::now() - start), 100);
}
