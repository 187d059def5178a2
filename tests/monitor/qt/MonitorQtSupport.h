#pragma once

#include "comm/CCommInterface.h"
#include "model/CParTypeQA.h"
#include "tests/support/CRegisterBank.h"

#include <QColor>
#include <QCoreApplication>
#include <QImage>
#include <QRect>
#include <QString>

#include <cstdlib>
#include <map>
#include <string>

// A Q3VA set whose live values come from an in-memory device, as a poll leaves them.
inline void SetLiveValues(CParBase& model, double input, double inputPercent, double output1,
                          double output2) {
    CRegisterBank bank;
    CCommInterface comm(&bank);
    bank.SetInt32(2, static_cast<int32_t>(input * 10000));
    bank.SetInt32(4, static_cast<int32_t>(inputPercent * 10000));
    bank.SetInt32(22, static_cast<int32_t>(output1 * 10000));
    bank.SetInt32(26, static_cast<int32_t>(output2 * 10000));
    model.Upload(comm, 10);
}

// A Q3VA set with texts, values and counts overridden where a test needs a model the family
// builds differently (two inputs, no analogue output) or a scripted live value.
class ScriptedModel : public CParTypeQA {
public:
    CParBase* Clone() const override { return new ScriptedModel(*this); }
    std::string GetDisplayText(int id, bool withUnit) const override {
        auto it = texts.find(id);
        return it != texts.end() ? it->second : CParTypeQA::GetDisplayText(id, withUnit);
    }
    int32_t GetValue(int id, int flag = 0) const override {
        auto it = values.find(id);
        return it != values.end() ? it->second : CParTypeQA::GetValue(id, flag);
    }
    int GetInputCount() const override { return inputs; }
    int GetOutputCount() const override { return outputs; }
    int32_t GetStatusWord() const override { return status; }

    std::map<int, std::string> texts;
    std::map<int, int32_t> values;
    int inputs = 1;
    int outputs = 2;
    int32_t status = 0;
};

// Pixels of rect in image that have exactly colour.
inline int CountColour(const QImage& image, const QRect& rect, const QColor& colour) {
    const QRect r = rect.intersected(image.rect());
    const QRgb want = colour.rgb();
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if ((image.pixel(x, y) | 0xFF000000u) == (want | 0xFF000000u))
                ++n;
    return n;
}

// Pixels of rect within maxDistance of colour (sum of the channel differences): antialiased
// text has few pixels of exactly its colour.
inline int CountNear(const QImage& image, const QRect& rect, const QColor& colour,
                     int maxDistance) {
    const QRect r = rect.intersected(image.rect());
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const QRgb p = image.pixel(x, y);
            const int d = std::abs(qRed(p) - colour.red()) + std::abs(qGreen(p) - colour.green()) +
                          std::abs(qBlue(p) - colour.blue());
            if (d <= maxDistance)
                ++n;
        }
    return n;
}

// The directory of Q3_SCREENSHOTS (empty when screenshots are not wanted).
inline QString ScreenshotDir() {
    const char* dir = std::getenv("Q3_SCREENSHOTS");
    return dir && *dir ? QString::fromLocal8Bit(dir) : QString();
}
