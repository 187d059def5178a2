#pragma once

#include "model/CParTypeCommon.h"

// Q3VA: resistance-thermometer (RTD) input, two outputs, custom RTD table.
class CParTypeQA : public CParTypeCommon {
public:
    CParTypeQA();
    CParBase* Clone() const override { return new CParTypeQA(*this); }

protected:
    explicit CParTypeQA(const ModelDesc& desc) : CParTypeCommon(desc) {}
};

// Q3VA single-output variant.
class CParTypeQA1 : public CParTypeQA {
public:
    CParTypeQA1();
    CParBase* Clone() const override { return new CParTypeQA1(*this); }
};
