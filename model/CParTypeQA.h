#pragma once

#include "model/CParTypeCommon.h"

// Q3VA: resistance-thermometer (RTD) input, two outputs, custom RTD table.
class CParTypeQA : public CParTypeCommon {
public:
    CParTypeQA();
    CParBase* Clone() const override { return new CParTypeQA(*this); }
    std::string GetSensorUnitText() const override;
    void GetInputZeroAdjustRange(double& low, double& high) const override {
        low = -40.0;
        high = 40.0;
    }

protected:
    int InputTypeCount() const override;
    InputTypeRange InputRange(int type) const override;
    ChoiceListIds InputTypeChoices() const override;
};

// Q3VA single-output variant.
class CParTypeQA1 : public CParTypeQA {
public:
    CParTypeQA1();
    CParBase* Clone() const override { return new CParTypeQA1(*this); }
};
