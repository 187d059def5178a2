#pragma once

#include "model/CParTypeCommon.h"

// Q3VD: thermocouple input, two outputs, cold junction compensation, custom TC table.
class CParTypeQD : public CParTypeCommon {
public:
    CParTypeQD();
    CParBase* Clone() const override { return new CParTypeQD(*this); }

protected:
    explicit CParTypeQD(const ModelDesc& desc) : CParTypeCommon(desc) {}
};

// Q3VD single-output variant.
class CParTypeQD1 : public CParTypeQD {
public:
    CParTypeQD1();
    CParBase* Clone() const override { return new CParTypeQD1(*this); }
};
