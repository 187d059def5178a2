#include "model/CParBase.h"

#include "comm/CPrivateException.h"
#include "comm/MessageFormat.h"
#include "model/CIniFile.h"
#include "resources/CStringTable.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {
const char* SkipSpace(const char* p) {
    while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r' || *p == '\v' || *p == '\f')
        ++p;
    return p;
}

// A decimal number in the C locale that consumes the whole text; infinities and NaN fail.
bool ParseDouble(const std::string& text, double& out) {
    const char* p = SkipSpace(text.c_str());
    const char* end = text.c_str() + text.size();
    if (*p == '+') {
        ++p;
        if (*p == '-')
            return false;
    }
    if (p == end)
        return false;
    auto [last, ec] = std::from_chars(p, end, out, std::chars_format::general);
    if (ec != std::errc() || last != end || !std::isfinite(out))
        return false;
    return true;
}

bool ParseLong(const std::string& text, long& out) {
    const char* p = SkipSpace(text.c_str());
    const char* end = text.c_str() + text.size();
    if (*p == '+') {
        ++p;
        if (*p == '-')
            return false;
    }
    auto [last, ec] = std::from_chars(p, end, out, 10);
    return ec == std::errc() && last == end && p != end;
}

int32_t ClampToInt32(long double v) {
    if (v >= 2147483647.0L)
        return std::numeric_limits<int32_t>::max();
    if (v <= -2147483648.0L)
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(v);
}

int64_t RoundHalfAway(double v) {
    return static_cast<int64_t>(v < 0 ? v - 0.5 : v + 0.5);
}
} // namespace

std::string CParBase::GetDisplayText(int id, bool withUnit) const {
    return FormatValue(id, GetValue(id), withUnit);
}

std::string CParBase::FormatValue(int, int32_t, bool) const {
    return {};
}

bool CParBase::ParseFixed4(const std::string& text, int32_t& out) {
    double g = 0;
    if (!ParseDouble(text, g))
        return false;
    // The extra 0.00001 moves a value that lies on the half step away from zero.
    long double scaled = g >= 0 ? (static_cast<long double>(g) + 0.00001L + 0.00005L) * 10000.0L
                                : (static_cast<long double>(g) - 0.00001L - 0.00005L) * 10000.0L;
    if (scaled >= 2147483648.0L || scaled <= -2147483649.0L)
        return false;
    out = static_cast<int32_t>(scaled);
    return true;
}

int32_t CParBase::RoundFixed4(double value) {
    if (!std::isfinite(value))
        return 0;
    long double scaled = value >= 0 ? (static_cast<long double>(value) + 0.00005L) * 10000.0L
                                    : (static_cast<long double>(value) - 0.00005L) * 10000.0L;
    return ClampToInt32(scaled);
}

std::string CParBase::Fixed4Text(int32_t raw) {
    return StrPrintf("%.4lf", raw / 10000.0);
}

std::string CParBase::DateText(int32_t raw) {
    // Below year 2000 the device has no date.
    if (raw < 131072000)
        return {};
    return StrPrintf("%04d/%02d/%02d", raw >> 16, (raw >> 8) & 0xFF, raw & 0xFF);
}

bool CParBase::ParseInt(const std::string& text, long& out) {
    return ParseLong(text, out);
}

bool CParBase::ParseFloat(const std::string& text, float& out) {
    double d = 0;
    if (!ParseDouble(text, d))
        return false;
    constexpr double kMax = 3.4028235e38;
    if (d > kMax)
        d = kMax;
    if (d < -kMax)
        d = -kMax;
    out = static_cast<float>(d);
    return true;
}

std::string CParBase::FloatText(float value) {
    return StrPrintf("%g", static_cast<double>(value));
}

int32_t CParBase::FloatBits(float value) {
    int32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

float CParBase::BitsFloat(int32_t bits) {
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

int32_t CParBase::CelsiusToDisplay(int32_t celsius, int unit) {
    switch (unit) {
    case kUnitFahrenheit:
        return ClampToInt32(static_cast<long double>(RoundHalfAway(celsius * 1.8)) + 320000);
    case kUnitKelvin:
        return ClampToInt32(static_cast<long double>(celsius) + 2731500);
    default:
        return celsius;
    }
}

int32_t CParBase::DisplayToCelsius(int32_t display, int unit) {
    switch (unit) {
    case kUnitFahrenheit:
        return ClampToInt32(
            static_cast<long double>(RoundHalfAway((static_cast<double>(display) - 320000) / 1.8)));
    case kUnitKelvin:
        return ClampToInt32(static_cast<long double>(display) - 2731500);
    default:
        return display;
    }
}

int32_t CParBase::PointOnSpan(int32_t a, int32_t b, int32_t percentFixed4) {
    // min + span x p / 100, the whole sum truncated toward zero (not the product alone, which
    // would round a point below the minimum up by one step). The sum is an integer below 2^64,
    // exact in long double's 64-bit mantissa.
    long double low = std::min<int64_t>(a, b);
    long double span = static_cast<long double>(std::llabs(static_cast<int64_t>(a) - b));
    long double sum = low * 1000000.0L + span * static_cast<long double>(percentFixed4);
    return ClampToInt32(std::trunc(sum / 1000000.0L));
}

void CParBase::CheckRange(int32_t v, int32_t lo, int32_t hi, int id) const {
    if (lo <= v && v <= hi)
        return;
    throw CPrivateException(
        FormatInserts(LoadStr(205), {GetParameterName(id), FormatValue(id, lo, false),
                                     FormatValue(id, hi, false)}));
}

int CParBase::FindRow(int id) const {
    for (std::size_t i = 0; i < m_table.size(); ++i)
        if (m_table[i].listed && m_table[i].id == id)
            return static_cast<int>(i);
    return -1;
}

void CParBase::SetTable(std::span<const ParameterRow> table) {
    m_table = table;
    auto groups = std::make_shared<std::vector<std::vector<int>>>();
    for (const ParameterRow& row : table) {
        if (!row.listed || row.group < 0)
            continue;
        if (static_cast<std::size_t>(row.group) >= groups->size())
            groups->resize(static_cast<std::size_t>(row.group) + 1);
        (*groups)[static_cast<std::size_t>(row.group)].push_back(row.id);
    }
    m_groupIds = std::move(groups);
}

int CParBase::CountRows(int group) const {
    if (!m_groupIds || group < 0 || static_cast<std::size_t>(group) >= m_groupIds->size())
        return 0;
    return static_cast<int>((*m_groupIds)[static_cast<std::size_t>(group)].size());
}

int CParBase::RowId(int group, int index) const {
    if (index < 0 || index >= CountRows(group))
        return -1;
    return (*m_groupIds)[static_cast<std::size_t>(group)][static_cast<std::size_t>(index)];
}

std::string CParBase::TableNameText(int id) const {
    int row = FindRow(id);
    return row < 0 ? std::string() : LoadStr(m_table[static_cast<std::size_t>(row)].nameId);
}

void CParBase::SaveSettings(CIniFile& file) const {
    for (int group = 0;; ++group) {
        int count = GetParameterCount(group);
        if (count == 0)
            break;
        for (int i = 0; i < count; ++i) {
            int id = GetParameterId(group, i);
            file.SetString("SETTING", StrPrintf("P%d", id), GetValueText(id));
        }
    }
}

void CParBase::LoadSettings(const CIniFile& file) {
    m_ignoredKeys.clear();
    for (int group = 0;; ++group) {
        int count = GetParameterCount(group);
        if (count == 0)
            break;
        for (int i = 0; i < count; ++i) {
            int id = GetParameterId(group, i);
            std::string text = file.GetString("SETTING", StrPrintf("P%d", id));
            // The profile reader's buffer held 511 characters.
            if (text.size() > 511)
                text.resize(511);
            // Files written before the response property existed lack its key.
            if (id == 69 && text.empty())
                text = "0";
            m_textRefused = false;
            SetValueText(id, text, false);
            // Loading goes on, as the file format wants; the caller tells the user.
            if (m_textRefused && !text.empty())
                m_ignoredKeys.push_back(StrPrintf("P%d", id));
        }
    }
}

void CParBase::SaveFile(const std::string& path) const {
    WriteFileAtomically(path, FileText());
}

std::string CParBase::FileText() const {
    CIniFile file;
    SaveSettings(file);
    file.SetInt("HEAD", "MODEL", m_modelNumber);
    return file.Serialize();
}

void CParBase::LoadFile(const std::string& path) {
    LoadIni(CIniFile::Load(path));
}

void CParBase::LoadIni(const CIniFile& file) {
    // A file of this model without its settings would load as all defaults: refused the same.
    if (file.GetInt("HEAD", "MODEL", 0) != m_modelNumber || !file.HasSection("SETTING"))
        throw CPrivateException::FromId(213);
    LoadSettings(file);
}
