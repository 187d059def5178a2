// Start-up of q3config up to its first painted main window, on the offscreen platform.
//
//   startup_bench [RUNS]
//
// Each run is a fresh process (this program with --child), timed from just before it is
// spawned until it reports the main window's first paint: loading, QApplication, settings,
// language, the initial file set, the window with its pages and polling thread, and the first
// paint. The child does what CVELKApp::Run does up to the modal loop. Prints every run, the
// median and the best, and the child's own phases of the last run.

#include "app/qt/CVELKApp.h"
#include "app/qt/CVELKDlg.h"
#include "app/qt/ProgramAssembly.h"

#include <QApplication>
#include <QEvent>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {
using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

class FirstPaint : public QObject {
public:
    bool painted = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            painted = true;
        return QObject::eventFilter(watched, event);
    }
};

int Child(int argc, char** argv, int reportFd) {
    Clock::time_point start = Clock::now();
    QApplication application(argc, argv);
    AssembleProgram();
    Clock::time_point qt = Clock::now();

    CVELKApp app(std::string(Q3_BIN_DIR) + "/q3config");
    app.LoadSettings();
    app.LoadLanguageModule(app.Settings().DisplayLanguage);
    app.CreateInitialFileSet();
    Clock::time_point settings = Clock::now();

    CVELKDlg dialog;
    FirstPaint paint;
    dialog.installEventFilter(&paint);
    dialog.Initialise();
    Clock::time_point built = Clock::now();
    dialog.show();
    while (!paint.painted)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    Clock::time_point painted = Clock::now();
    char line[200];
    int n =
        std::snprintf(line, sizeof line,
                      "painted qapplication=%.1f settings+language=%.1f window=%.1f "
                      "first-paint=%.1f\n",
                      Ms(qt - start), Ms(settings - qt), Ms(built - settings), Ms(painted - built));
    if (write(reportFd, line, n) != n)
        return 1;
    dialog.Shutdown();
    return 0;
}
} // namespace

int main(int argc, char** argv) {
    if (argc > 2 && std::strcmp(argv[1], "--child") == 0)
        return Child(argc, argv, std::atoi(argv[2]));

    int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    QTemporaryDir config;
    QTemporaryDir runtime;
    setenv("XDG_CONFIG_HOME", config.path().toLocal8Bit().constData(), 1);
    setenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit().constData(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);

    std::vector<double> times;
    std::string phases;
    for (int i = 0; i < runs; ++i) {
        int fds[2];
        if (pipe(fds) != 0)
            return 1;
        std::string fd = std::to_string(fds[1]);
        char* childArgv[] = {argv[0], const_cast<char*>("--child"), fd.data(), nullptr};
        Clock::time_point start = Clock::now();
        pid_t pid = 0;
        if (posix_spawn(&pid, argv[0], nullptr, nullptr, childArgv, environ) != 0)
            return 1;
        close(fds[1]);
        char buffer[256] = {};
        ssize_t got = read(fds[0], buffer, sizeof buffer - 1);
        Clock::time_point end = Clock::now();
        close(fds[0]);
        int status = 0;
        waitpid(pid, &status, 0);
        if (got <= 0 || std::strncmp(buffer, "painted", 7) != 0) {
            std::fprintf(stderr, "run %d: the child did not report a paint\n", i + 1);
            return 1;
        }
        phases = buffer;
        times.push_back(Ms(end - start));
        std::printf("run %2d: %6.1f ms\n", i + 1, times.back());
    }
    std::vector<double> sorted = times;
    std::sort(sorted.begin(), sorted.end());
    std::printf("start-up to the first painted main window: median %.1f ms, best %.1f ms "
                "(%d runs)\n",
                sorted[sorted.size() / 2], sorted.front(), runs);
    std::printf("last run, in the process: %s", phases.c_str() + std::strlen("painted "));
    return 0;
}
