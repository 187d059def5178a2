#pragma once

#include <mutex>
#include <vector>

class CObserver;

// Subject of the observer notification. A class becomes a subject by deriving from it besides
// its main base. Observers are not owned; there is no removal: the list lives as long as the
// subject. Observers may be added from any thread, also while another thread notifies.
class CObservable {
public:
    CObservable() = default;
    virtual ~CObservable() = default;
    CObservable(const CObservable&) = delete;
    CObservable& operator=(const CObservable&) = delete;

    // Appends observer; adding one twice delivers every update twice.
    void AddObserver(CObserver* observer);
    // Calls Update(this) on each observer in the order added, on the calling thread; returns
    // after the last one. The list is copied under the lock and called outside it, so an
    // Update may add observers (they receive the next notification) without deadlock.
    void NotifyObservers();
    std::size_t ObserverCount() const;

private:
    mutable std::mutex m_mutex;
    std::vector<CObserver*> m_observers;
};
