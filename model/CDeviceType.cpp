#include "model/CDeviceType.h"

#include "model/CParTypeQA.h"
#include "model/CParTypeQB.h"
#include "model/CParTypeQC.h"
#include "model/CParTypeQD.h"
#include "resources/CStringTable.h"
#include "resources/ParameterNameIds.h"

namespace {
struct ModelRow {
    int typeCode;
    int modelNumber;
};

// Searched from the first row; the first match wins.
constexpr ModelRow kModels[] = {
    {9, 1001}, {10, 1002}, {11, 1011}, {12, 1012}, {13, 1021}, {14, 1022}, {15, 1031}, {16, 1032},
};
} // namespace

CDeviceType::CDeviceType() : m_current(NewParameterSet(kFirstTypeCode)) {}

CDeviceType::~CDeviceType() = default;

CParBase* CDeviceType::CreateParameterSet(int typeCode) {
    if (m_current->TypeCode() == typeCode)
        return m_current.get();
    if (auto set = NewParameterSet(typeCode))
        m_current = std::move(set);
    return m_current.get();
}

std::string CDeviceType::GetTypeName(int typeCode) {
    if (typeCode < kFirstTypeCode || typeCode > kLastTypeCode)
        return {};
    return LoadStr(kStrModelNameBase + typeCode);
}

int CDeviceType::TypeCodeFromModelNumber(int modelNumber) {
    for (const ModelRow& row : kModels)
        if (row.modelNumber == modelNumber)
            return row.typeCode;
    return 0;
}

int CDeviceType::ModelNumberFromTypeCode(int typeCode) {
    for (const ModelRow& row : kModels)
        if (row.typeCode == typeCode)
            return row.modelNumber;
    return 0;
}

std::unique_ptr<CParBase> CDeviceType::NewParameterSet(int typeCode) {
    std::unique_ptr<CParBase> set;
    switch (typeCode) {
    case 9:
        set = std::make_unique<CParTypeQA>();
        break;
    case 10:
        set = std::make_unique<CParTypeQA1>();
        break;
    case 11:
        set = std::make_unique<CParTypeQB>();
        break;
    case 12:
        set = std::make_unique<CParTypeQB1>();
        break;
    case 13:
        set = std::make_unique<CParTypeQC>();
        break;
    case 14:
        set = std::make_unique<CParTypeQC1>();
        break;
    case 15:
        set = std::make_unique<CParTypeQD>();
        break;
    case 16:
        set = std::make_unique<CParTypeQD1>();
        break;
    default:
        return nullptr;
    }
    set->SetTypeCode(typeCode);
    return set;
}
