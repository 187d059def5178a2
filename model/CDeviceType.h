#pragma once

#include "model/CParBase.h"

#include <memory>
#include <string>

// The eight supported models: type code (9..16, never leaves the program), model number (device
// register 9600 and MODEL of a parameter file), parameter-set class and display name.
// Holds one current parameter set, never null.
class CDeviceType {
public:
    CDeviceType(); // holds a CParTypeQA with defaults, type code 9
    virtual ~CDeviceType();
    CDeviceType(const CDeviceType&) = delete;
    CDeviceType& operator=(const CDeviceType&) = delete;

    // Same code as the current set: returned unchanged (values kept). Another known code: a new
    // set with defaults replaces it. Unknown code: the current set stays and is returned.
    CParBase* CreateParameterSet(int typeCode);
    CParBase* Current() const { return m_current.get(); }

    // Name text (string 9000 + code) of the code; empty for an unknown code.
    static std::string GetTypeName(int typeCode);
    // Type code of a model number; 0 when the model is not supported.
    static int TypeCodeFromModelNumber(int modelNumber);
    static int ModelNumberFromTypeCode(int typeCode);
    // A new set of the code's class with defaults and the type code set; nullptr when unknown.
    static std::unique_ptr<CParBase> NewParameterSet(int typeCode);

    static constexpr int kFirstTypeCode = 9;
    static constexpr int kLastTypeCode = 16;

private:
    std::unique_ptr<CParBase> m_current;
};
