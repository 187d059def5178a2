#pragma once

#include "model/CParTypeCommon.h"

// Q3VC: DC current or voltage input (range in the unit of the input type), response rate, two
// outputs with a linearizer choice each and no burnout, user XY table.
class CParTypeQC : public CParTypeCommon {
public:
    CParTypeQC();
    CParBase* Clone() const override { return new CParTypeQC(*this); }
    // mA, mV or V by the current input type.
    std::string GetSensorUnitText() const override;
    void GetInputZeroAdjustRange(double& low, double& high) const override;

protected:
    int InputTypeCount() const override;
    InputTypeRange InputRange(int type) const override;
    ChoiceListIds InputTypeChoices() const override;
};

// Q3VC single-output variant; keeps the rows and names as the Q3VB variant does.
class CParTypeQC1 : public CParTypeQC {
public:
    CParTypeQC1();
    CParBase* Clone() const override { return new CParTypeQC1(*this); }
};
