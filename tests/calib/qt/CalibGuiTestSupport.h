#pragma once

#include "comm/CCommInterface.h"
#include "comm/CObserver.h"
#include "comm/CommSettings.h"
#include "sim/CSimDevice.h"
#include "sim/CSimServer.h"
#include "tests/support/qt/GuiTestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QWidget>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

// Counts notifications (any thread).
class CCountingObserver : public CObserver {
public:
    void Update(CObservable*) override {
        ++count;
        if (onUpdate)
            onUpdate();
    }
    std::atomic<int> count{0};
    std::function<void()> onUpdate;
};

// A simulated transmitter served on a pseudo-terminal and a real connection to it, as the
// program would open a serial port.
class CSimLink {
public:
    explicit CSimLink(int modelNumber) : device(modelNumber), server(device) {
        server.SetAutoTick(false);
        CommSettings settings;
        settings.portName = server.StartPty();
        comm.SetSettings(settings);
        comm.Connect();
    }

    // The accepted writes to one start register, in order.
    std::vector<std::vector<uint16_t>> WritesTo(uint16_t start) const {
        std::vector<std::vector<uint16_t>> out;
        for (const CSimRequestRecord& r : device.GetWriteLog())
            if (r.start == start)
                out.push_back(r.values);
        return out;
    }

    CSimDevice device;
    CSimServer server;
    CCommInterface comm;
};

// Grabs the widget; with Q3_SCREENSHOTS=dir set also writes it there as name.png.
inline void Screenshot(QWidget& widget, const QString& name, int minWidth = 0) {
    widget.show();
    widget.resize(widget.sizeHint().expandedTo(QSize(minWidth, 0)));
    QCoreApplication::processEvents();
    QImage image = widget.grab().toImage();
    ASSERT_FALSE(image.isNull()) << name.toStdString();
    EXPECT_GT(image.width(), 200) << name.toStdString();
    const char* dir = std::getenv("Q3_SCREENSHOTS");
    if (!dir || !*dir)
        return;
    QDir().mkpath(dir);
    QString path = QDir(dir).filePath(name + ".png");
    EXPECT_TRUE(image.save(path)) << path.toStdString();
}
