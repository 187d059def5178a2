#include "monitor/CMeterPanelModel.h"

#include "resources/CStringTable.h"

namespace {
// Title string ids of the three meters by layout.
constexpr int kTitleIds[3][3] = {
    {1019, 1020, 1020}, // "Input", "Output", "Output" (third page hidden)
    {1033, 1034, 1020}, // "Input1", "Input2", "Output"
    {1019, 1051, 1052}, // "Input", "Output1", "Output2"
};
} // namespace

CMeterPanelModel::CMeterPanelModel() {
    applyLayout(0);
}

bool CMeterPanelModel::applyLayout(int n) {
    if (n == m_layout || n < 0 || n > 2)
        return false;
    for (int i = 0; i < kMeterCount; ++i)
        m_meters[i].setTitle(LoadStr(kTitleIds[n][i]));
    m_layout = n;
    return true;
}

void CMeterPanelModel::update(const IMeterSource& source) {
    const int inputs = source.GetInputCount();
    const int outputs = source.GetOutputCount();
    const bool twoInputs = inputs >= 2;
    int firstOutput = 1;
    if (twoInputs) {
        applyLayout(1);
        firstOutput = 2;
    } else {
        applyLayout(outputs >= 2 ? 2 : 0);
    }

    // A meter that showed an alarm for an earlier model may now show an input.
    m_meters[0].setAlarmMode(false);
    m_meters[0].setRangeTexts(source.GetDisplayText(kInputRangeLow),
                              source.GetDisplayText(kInputRangeHigh));
    m_meters[0].setValueText(source.GetDisplayText(kInput1Live), false);
    if (twoInputs) {
        m_meters[1].setAlarmMode(false);
        m_meters[1].setRangeTexts(source.GetDisplayText(kInput2RangeLow),
                                  source.GetDisplayText(kInput2RangeHigh));
        m_meters[1].setValueText(source.GetDisplayText(kInput2Live), false);
    }

    CMeterModel& out = m_meters[firstOutput];
    if (outputs < 1) {
        out.setAlarmMode(true);
        out.setAlarmSetpoint(source.GetValue(kAlarmValue) / 10000.0);
        out.setAlarmHighSide(source.GetValue(kAlarmTripSide) != 0);
        out.setRangeValues(0, 100);
        out.setValueText(source.GetDisplayText(kOutput1Live),
                         (source.GetStatusWord() & kAlarmStatusBit) != 0);
        return;
    }
    out.setAlarmMode(false);
    out.setRangeValues(source.GetValue(kOutput1RangeLow) / 10000.0,
                       source.GetValue(kOutput1RangeHigh) / 10000.0);
    out.setValueText(source.GetDisplayText(kOutput1Live), false);
    // Two inputs leave no page for a second output: layout 1 has three meters only.
    if (outputs >= 2 && firstOutput + 1 < kMeterCount) {
        CMeterModel& second = m_meters[firstOutput + 1];
        second.setAlarmMode(false);
        second.setRangeValues(source.GetValue(kOutput2RangeLow) / 10000.0,
                              source.GetValue(kOutput2RangeHigh) / 10000.0);
        second.setValueText(source.GetDisplayText(kOutput2Live), false);
    }
}
