#pragma once

class CObservable;

// Listener of a CObservable. An update carries only the notifying object; the observer looks at
// that object (pointer identity or dynamic_cast) to learn what happened.
class CObserver {
public:
    virtual ~CObserver() = default;
    // Called on the notifier's thread.
    virtual void Update(CObservable* source) = 0;
};
