#pragma once

#include "model/CParTypeCommon.h"

// Q3VD: thermocouple input, two outputs, cold junction compensation, custom TC table.
class CParTypeQD : public CParTypeCommon {
public:
    CParTypeQD();
    CParBase* Clone() const override { return new CParTypeQD(*this); }
    std::string GetSensorUnitText() const override;
    void GetInputZeroAdjustRange(double& low, double& high) const override {
        low = -5.0;
        high = 5.0;
    }

protected:
    int InputTypeCount() const override;
    InputTypeRange InputRange(int type) const override;
    ChoiceListIds InputTypeChoices() const override;
};

// Q3VD single-output variant.
class CParTypeQD1 : public CParTypeQD {
public:
    CParTypeQD1();
    CParBase* Clone() const override { return new CParTypeQD1(*this); }
};
