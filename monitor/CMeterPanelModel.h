#pragma once

#include "model/CParBase.h"
#include "monitor/CMeterModel.h"

#include <cstdint>
#include <string>

// What the meter panel reads from a parameter set; CParBase through an adapter, or a test fake.
class IMeterSource {
public:
    virtual ~IMeterSource() = default;
    virtual int GetInputCount() const = 0;
    virtual int GetOutputCount() const = 0;
    // Display text without unit.
    virtual std::string GetDisplayText(int id) const = 0;
    // Raw value (fixed-4 values are x 10000).
    virtual int32_t GetValue(int id) const = 0;
    virtual int32_t GetStatusWord() const = 0;
};

// A parameter set as a meter source.
class CParBaseMeterSource : public IMeterSource {
public:
    explicit CParBaseMeterSource(const CParBase& model) : m_model(model) {}
    int GetInputCount() const override { return m_model.GetInputCount(); }
    int GetOutputCount() const override { return m_model.GetOutputCount(); }
    std::string GetDisplayText(int id) const override { return m_model.GetDisplayText(id, false); }
    int32_t GetValue(int id) const override { return m_model.GetValue(id); }
    int32_t GetStatusWord() const override { return m_model.GetStatusWord(); }

private:
    const CParBase& m_model;
};

// The meter panel without its windows: three meters, the layout (which titles, whether the third
// page shows) and the update from a freshly polled parameter set. The panel widget holds one,
// shows page 2 by thirdPageVisible() and repaints the meters that are dirty after update.
class CMeterPanelModel {
public:
    static constexpr int kMeterCount = 3;

    // Parameter ids read by update.
    static constexpr int kInputRangeLow = 1, kInputRangeHigh = 2;
    static constexpr int kInput2RangeLow = 21, kInput2RangeHigh = 22;
    static constexpr int kOutput1RangeLow = 101, kOutput1RangeHigh = 102;
    static constexpr int kOutput2RangeLow = 106, kOutput2RangeHigh = 107;
    static constexpr int kAlarmValue = 201, kAlarmTripSide = 204;
    static constexpr int kInput1Live = 60000, kOutput1Live = 60001, kInput2Live = 60002,
                         kOutput2Live = 60003;
    // Status word bit of an active alarm.
    static constexpr int32_t kAlarmStatusBit = 0x8000;

    // Applies layout 0.
    CMeterPanelModel();

    CMeterModel& meter(int index) { return m_meters[index]; }
    const CMeterModel& meter(int index) const { return m_meters[index]; }

    // 0: one input, at most one output; 1: two inputs; 2: one input, two outputs. Sets the
    // titles and the third page's visibility when n differs from the layout last applied; true
    // then.
    bool applyLayout(int n);
    int layout() const { return m_layout; }
    bool thirdPageVisible() const { return m_layout == 1 || m_layout == 2; }

    void update(const IMeterSource& source);
    // Reads the model through GetInputCount, GetOutputCount, GetDisplayText(id, false), GetValue
    // and GetStatusWord. Inline, like CParBaseMeterSource, so that only code that has the model
    // classes at hand refers to them.
    void update(const CParBase& model);

private:
    CMeterModel m_meters[kMeterCount];
    int m_layout = -1;
};

inline void CMeterPanelModel::update(const CParBase& model) {
    update(CParBaseMeterSource(model));
}
