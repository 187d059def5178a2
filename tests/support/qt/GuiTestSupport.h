#pragma once

#include <cstdio>
#include <string>

#include "comm/CPrivateException.h"
#include "gui/CMessageBox.h"
#include "model/CModelContext.h"
#include "tests/support/TempDir.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

// Readable QString values in failure messages.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

// Records every message box instead of showing it (the core's sink included) and answers with
// `answer`; restores the process-wide model state afterwards.
class MessageRecorder {
public:
    MessageRecorder() {
        CModelContext::SetTempUnit(0);
        CModelContext::SetPrivileged(false);
        SetMessageBoxHook(
            [this](QWidget*, const QString& text, MessageIcon icon, QMessageBox::StandardButtons) {
                texts << text;
                icons.push_back(icon);
                return answer;
            });
        InstallMessageSink();
    }
    ~MessageRecorder() {
        SetMessageBoxHook(nullptr);
        SetMessageSink(nullptr);
        CModelContext::SetTempUnit(0);
        CModelContext::SetPrivileged(false);
    }
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    QStringList texts;
    std::vector<MessageIcon> icons;
    QMessageBox::StandardButton answer = QMessageBox::Ok;
};

// Points XDG_CONFIG_HOME at a fresh directory for the scope: the per-user settings of the
// program start empty and vanish afterwards.
class ScopedConfigHome {
public:
    ScopedConfigHome() {
        const char* old = std::getenv("XDG_CONFIG_HOME");
        m_old = old ? old : "";
        setenv("XDG_CONFIG_HOME", m_dir.Path().c_str(), 1);
    }
    ~ScopedConfigHome() { setenv("XDG_CONFIG_HOME", m_old.c_str(), 1); }
    ScopedConfigHome(const ScopedConfigHome&) = delete;
    ScopedConfigHome& operator=(const ScopedConfigHome&) = delete;
    const std::string& Path() const { return m_dir.Path(); }

private:
    TempDir m_dir;
    std::string m_old;
};

// Runs the event loop until done() holds or timeoutMs passed; returns done().
// The text of a PDF as pdftotext lays it out (poppler-utils); empty when it cannot be read.
inline std::string PdfText(const std::string& pdf) {
    std::string command = "pdftotext -layout '" + pdf + "' - 2>/dev/null";
    std::string text;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            text.append(buffer, n);
        ::pclose(pipe);
    }
    return text;
}

inline bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 5000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return done();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QTest::qWait(1);
    }
    return true;
}
