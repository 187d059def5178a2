#include "sim/CSimDevice.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <numbers>

// The simulated transmitter's signal path: the input now, fine adjustment, the output values and
// limits, burnout, the forced D/A counts of the factory mode and the live A/D count.

using namespace SimReg;

namespace {
constexpr uint32_t kStatusOutputLimit = 0x1;
constexpr uint32_t kStatusRangeOver = 0x2;
constexpr uint32_t kStatusBurnout = 0x10;

// Live AD count of the input converter: 1000 at 0 %, 61000 at 100 % of the input range.
constexpr double kAdAtZero = 1000;
constexpr double kAdPerPercent = 600;

// Cold junction terminals sit at room temperature.
constexpr double kColdJunctionC = 25.0;

int32_t ToFixed4(double value) {
    const double scaled = std::round(value * 10000.0);
    if (!(scaled > -2147483648.0)) { // also NaN
        return INT32_MIN;
    }
    if (scaled > 2147483647.0) {
        return INT32_MAX;
    }
    return static_cast<int32_t>(scaled);
}

// Resistance at 0 deg C and temperature coefficient of the RTD input types.
struct CRtdCurve {
    double r0;
    double alpha;
    double referenceC; // temperature at which the resistance is r0
};

CRtdCurve RtdCurve(uint16_t inputType, float customR0) {
    switch (inputType) {
    case 0:
        return {100, 0.003916, 0};
    case 3:
        return {50, 0.00385, 0};
    case 4:
        return {1000, 0.00385, 0};
    case 5:
        return {10, 0.00427, 25};
    case 6:
        return {customR0 > 0 ? customR0 : 100, 0.00385, 0};
    default:
        return {100, 0.00385, 0};
    }
}

// Mean sensitivity of the thermocouple types, mV per deg C.
double Seebeck(uint16_t inputType) {
    static const double kMvPerC[] = {0.010, 0.041, 0.068, 0.052, 0.043, 0.006, 0.012,
                                     0.010, 0.017, 0.039, 0.043, 0.054, 0.042, 0.041};
    return inputType < std::size(kMvPerC) ? kMvPerC[inputType] : 0.041;
}

} // namespace

// ---- Live behaviour -------------------------------------------------------------------------

double CSimDevice::InputNowLocked() const {
    double value = m_input.a;
    switch (m_input.shape) {
    case CSimInput::Shape::Constant:
        break;
    case CSimInput::Shape::Sine:
        if (m_input.periodS > 0) {
            value =
                m_input.a + m_input.b * std::sin(2 * std::numbers::pi * m_time / m_input.periodS);
        }
        break;
    case CSimInput::Shape::Ramp:
        if (m_input.periodS > 0) {
            const double phase = std::fmod(m_time, m_input.periodS) / m_input.periodS;
            value = m_input.a + (m_input.b - m_input.a) * phase;
        }
        break;
    }
    if (m_input.relative) {
        const double zero = I32(kInputZero) / 10000.0;
        const double full = I32(kInputFull) / 10000.0;
        value = zero + value / 100.0 * (full - zero);
    }
    return value;
}

// The output value a forced D/A count gives through the factory D/A table of the output type.
double CSimDevice::ForcedOutputLocked(int o, uint16_t forcedDa) const {
    const auto base = static_cast<uint16_t>(kOutputBase + 200 * o);
    const uint16_t type = std::min<uint16_t>(m_image[base + kOutType], 2);
    const auto table = static_cast<uint16_t>(kDaTable + 100 * o + 6 * type);
    const double da0 = m_image[table];
    const double da100 = m_image[table + 1];
    const double v0 = I32(table + 2) / 10000.0;
    const double v100 = I32(table + 4) / 10000.0;
    return da100 != da0 ? v0 + (forcedDa - da0) * (v100 - v0) / (da100 - da0) : v0;
}

// The output value the input percent drives: linearizer, fine adjustment, range and limits
// (a limit reached sets the status bit).
double CSimDevice::DrivenOutputLocked(int o, double percent, uint32_t& status) const {
    const auto base = static_cast<uint16_t>(kOutputBase + 200 * o);
    const double outZero = I32(base + kOutZero) / 10000.0;
    const double outFull = I32(base + kOutFull) / 10000.0;
    double outPercent = percent;
    if ((m_model.family == CSimFamily::Potentiometer || m_model.family == CSimFamily::Dc) &&
        m_image[base + kOutLinearizer] == 1) {
        outPercent = LinearizeLocked(outPercent);
    }
    outPercent =
        outPercent * (I32(base + kOutFineSpan) / 1000000.0) + I32(base + kOutFineZero) / 10000.0;
    double value = outZero + outPercent / 100.0 * (outFull - outZero);
    const double low = I32(base + kOutLow) / 10000.0;
    const double high = I32(base + kOutHigh) / 10000.0;
    if (value < low) {
        value = low;
        status |= kStatusOutputLimit;
    }
    if (value > high) {
        value = high;
        status |= kStatusOutputLimit;
    }
    return value;
}

void CSimDevice::UpdateLiveLocked() {
    const CSimFamily family = m_model.family;
    const uint16_t inputType = m_image[kInputType];
    const double input = InputNowLocked();

    // Fine adjustment: the zero is given in the sensor unit, the span in percent.
    double zeroPerInputUnit = 1.0;
    float customR0 = 0;
    if (family == CSimFamily::Rtd) {
        const uint32_t bits = m_image[kCustomCoefficients] |
                              (static_cast<uint32_t>(m_image[kCustomCoefficients + 1]) << 16);
        std::memcpy(&customR0, &bits, sizeof customR0);
        const CRtdCurve curve = RtdCurve(inputType, customR0);
        zeroPerInputUnit = curve.r0 * curve.alpha;
    } else if (family == CSimFamily::Thermocouple) {
        zeroPerInputUnit = Seebeck(inputType);
    }
    const double measured = input * (I32(kInputFineSpan) / 1000000.0) +
                            I32(kInputFineZero) / 10000.0 / zeroPerInputUnit;
    const double zero = I32(kInputZero) / 10000.0;
    const double full = I32(kInputFull) / 10000.0;
    const double percent = full != zero ? (measured - zero) * 100.0 / (full - zero) : 0.0;

    uint32_t status = 0;
    const bool burnout = m_burnout && family != CSimFamily::Dc;
    if (burnout) {
        status |= kStatusBurnout;
    }
    if (percent < -5.0 || percent > 105.0) {
        status |= kStatusRangeOver;
    }
    Put32(kInputValue, ToFixed4(measured));
    Put32(kInputPercent, ToFixed4(percent));
    if (family == CSimFamily::Rtd) {
        const CRtdCurve curve = RtdCurve(inputType, customR0);
        const double ohm = curve.r0 * (1 + curve.alpha * (input - curve.referenceC));
        Put32(kSensorReading, ToFixed4(std::max(ohm, 0.0)));
    } else if (family == CSimFamily::Thermocouple) {
        Put32(kColdJunction, ToFixed4(kColdJunctionC));
        Put32(kSensorReading, ToFixed4(Seebeck(inputType) * (input - kColdJunctionC)));
    }

    const uint16_t mode = m_image[kProcessMode];
    for (int o = 0; o < m_model.outputs; ++o) {
        if (mode == kModeFixedOutput) {
            break; // registers 22-29 hold what was written
        }
        const auto base = static_cast<uint16_t>(kOutputBase + 200 * o);
        const auto reg = static_cast<uint16_t>(kOutputValue + 4 * o);
        const double outZero = I32(base + kOutZero) / 10000.0;
        const double outFull = I32(base + kOutFull) / 10000.0;
        double value = 0;
        const uint16_t forcedDa = m_image[kForcedDa + o];
        if (mode == kModeFactory && forcedDa != 0) {
            value = ForcedOutputLocked(o, forcedDa);
        } else if (burnout) {
            if (m_image[base + kOutBurnout] == 0) {
                continue; // None: the output holds its last value
            }
            value = I32(base + kOutBurnoutValue) / 10000.0;
        } else {
            value = DrivenOutputLocked(o, percent, status);
        }
        Put32(reg, ToFixed4(value));
        const double span = outFull - outZero;
        Put32(reg + 2, ToFixed4(span != 0 ? (value - outZero) / span * 100.0 : 0.0));
    }

    Put32(kStatus, static_cast<int32_t>(status));
    const double ad = std::clamp(kAdAtZero + kAdPerPercent * percent, 0.0, 65535.0);
    m_image[kLiveAd] = static_cast<uint16_t>(std::lround(ad));
}

// Output percent through the user XY table (X = input %, Y = output %), linear between the
// points and extended along the end segments.
double CSimDevice::LinearizeLocked(double x) const {
    const int points = std::clamp<int>(m_image[kXyPoints], 2, 101);
    auto px = [&](int k) { return I32(static_cast<uint16_t>(kXyValues + 4 * k)) / 10000.0; };
    auto py = [&](int k) { return I32(static_cast<uint16_t>(kXyValues + 4 * k + 2)) / 10000.0; };
    int k = 0;
    while (k < points - 2 && x > px(k + 1)) {
        ++k;
    }
    const double dx = px(k + 1) - px(k);
    if (dx == 0) {
        return py(k);
    }
    return py(k) + (x - px(k)) * (py(k + 1) - py(k)) / dx;
}
