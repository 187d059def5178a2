// Start-up of q3config up to its first painted main window, on the offscreen platform, against
// a minimal Qt Widgets window that this program builds the same way.
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
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QVBoxLayout>

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

// The size of q3config's first showing with no size remembered.
constexpr QSize kWindowSize(1340, 720);

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

// The least a Qt Widgets program does to the same point: a window with a label and a button, at
// its own size or at the size q3config's window first shows at (the paint of a larger window
// costs more whatever is in it).
int MinimalChild(int argc, char** argv, int reportFd, const QSize& size) {
    QApplication application(argc, argv);
    QWidget window;
    if (size.isValid())
        window.resize(size);
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(new QLabel("Q3", &window));
    layout->addWidget(new QPushButton("OK", &window));
    FirstPaint paint;
    window.installEventFilter(&paint);
    window.show();
    while (!paint.painted)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const char line[] = "painted\n";
    return write(reportFd, line, sizeof line - 1) == sizeof line - 1 ? 0 : 1;
}

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

// Milliseconds from spawning this program in the given mode to its report of a first paint.
double TimeChild(const char* self, const char* mode, std::string& report) {
    int fds[2];
    if (pipe(fds) != 0)
        std::exit(1);
    std::string fd = std::to_string(fds[1]);
    char* childArgv[] = {const_cast<char*>(self), const_cast<char*>(mode), fd.data(), nullptr};
    Clock::time_point start = Clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, self, nullptr, nullptr, childArgv, environ) != 0)
        std::exit(1);
    close(fds[1]);
    char buffer[256] = {};
    ssize_t got = read(fds[0], buffer, sizeof buffer - 1);
    Clock::time_point end = Clock::now();
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (got <= 0 || std::strncmp(buffer, "painted", 7) != 0) {
        std::fprintf(stderr, "%s: the child did not report a paint\n", mode);
        std::exit(1);
    }
    report = buffer;
    return Ms(end - start);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}
} // namespace

int main(int argc, char** argv) {
    if (argc > 2 && std::strcmp(argv[1], "--child") == 0)
        return Child(argc, argv, std::atoi(argv[2]));
    if (argc > 2 && std::strcmp(argv[1], "--minimal") == 0)
        return MinimalChild(argc, argv, std::atoi(argv[2]), QSize());
    if (argc > 2 && std::strcmp(argv[1], "--minimal-sized") == 0)
        return MinimalChild(argc, argv, std::atoi(argv[2]), kWindowSize);

    int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    QTemporaryDir config;
    QTemporaryDir runtime;
    setenv("XDG_CONFIG_HOME", config.path().toLocal8Bit().constData(), 1);
    setenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit().constData(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);

    // Interleaved, so that the machine's moods fall on both alike.
    std::vector<double> full, minimal, sized;
    std::string phases, unused;
    for (int i = 0; i < runs; ++i) {
        minimal.push_back(TimeChild(argv[0], "--minimal", unused));
        sized.push_back(TimeChild(argv[0], "--minimal-sized", unused));
        full.push_back(TimeChild(argv[0], "--child", phases));
        std::printf("run %2d: q3config %6.1f ms, minimal window %6.1f ms, at q3config's size "
                    "%6.1f ms\n",
                    i + 1, full.back(), minimal.back(), sized.back());
    }
    double f = Median(full);
    double m = Median(minimal);
    double z = Median(sized);
    std::printf("start-up to the first painted window, medians of %d runs: q3config %.1f ms, "
                "minimal Qt Widgets window %.1f ms, the same at %dx%d %.1f ms\n",
                runs, f, m, kWindowSize.width(), kWindowSize.height(), z);
    std::printf("ratio to the minimal window at the same size: %.2f (target at most 1.5); at "
                "its own size: %.2f\n",
                f / z, f / m);
    std::printf("last run, in the process: %s", phases.c_str() + std::strlen("painted "));
    return 0;
}
