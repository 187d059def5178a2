#pragma once

#include "model/CParTypeCommon.h"

// Q3VC: DC current or voltage input (range in the unit of the input type), response rate, two
// outputs with a linearizer choice each and no burnout, user XY table.
class CParTypeQC : public CParTypeCommon {
public:
    CParTypeQC();
    CParBase* Clone() const override { return new CParTypeQC(*this); }

protected:
    explicit CParTypeQC(const ModelDesc& desc) : CParTypeCommon(desc) {}
};

// Q3VC single-output variant; keeps the rows and names as the Q3VB variant does.
class CParTypeQC1 : public CParTypeQC {
public:
    CParTypeQC1();
    CParBase* Clone() const override { return new CParTypeQC1(*this); }
};
