#pragma once

#include "model/CParTypeCommon.h"

// Q3VB: potentiometer input (range in % of the travel), two outputs with a linearizer choice
// each, user XY table.
class CParTypeQB : public CParTypeCommon {
public:
    CParTypeQB();
    CParBase* Clone() const override { return new CParTypeQB(*this); }

protected:
    explicit CParTypeQB(const ModelDesc& desc) : CParTypeCommon(desc) {}
};

// Q3VB single-output variant. Unlike the RTD and TC variants it keeps the "Output1" names and
// the output 2 fine adjustment rows.
class CParTypeQB1 : public CParTypeQB {
public:
    CParTypeQB1();
    CParBase* Clone() const override { return new CParTypeQB1(*this); }
};
