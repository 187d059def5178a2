#include "cli/CliSignals.h"

#include <csignal>

namespace {
std::atomic<bool> g_stop{false};
std::atomic<int> g_signal{0};

extern "C" void OnStopSignal(int number) {
    if (g_signal.exchange(number) != 0) {
        // The second signal: the default action, now.
        std::signal(number, SIG_DFL);
        std::raise(number);
        return;
    }
    g_stop.store(true);
}
} // namespace

void InstallStopSignals() {
    static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free);
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    // Interrupted waits are resumed by the system-call wrappers; the flag is looked at
    // between requests.
    action.sa_flags = SA_RESTART;
    for (int number : {SIGINT, SIGTERM, SIGHUP})
        sigaction(number, &action, nullptr);
}

std::atomic<bool>& StopRequested() {
    return g_stop;
}

int StopSignal() {
    return g_signal.load();
}
