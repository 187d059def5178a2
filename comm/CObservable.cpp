#include "comm/CObservable.h"

#include "comm/CObserver.h"

void CObservable::AddObserver(CObserver* observer) {
    std::lock_guard lock(m_mutex);
    m_observers.push_back(observer);
}

void CObservable::NotifyObservers() {
    std::vector<CObserver*> observers;
    {
        std::lock_guard lock(m_mutex);
        observers = m_observers;
    }
    for (CObserver* observer : observers)
        observer->Update(this);
}

std::size_t CObservable::ObserverCount() const {
    std::lock_guard lock(m_mutex);
    return m_observers.size();
}
