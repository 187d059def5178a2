#include "tables/CTableFile2.h"

#include "comm/CPrivateException.h"
#include "resources/CStringTable.h"
#include "tables/CAtomicFileWriter.h"
#include "tables/TextScan.h"

#include <cmath>

namespace {
constexpr int kOpenError = 30300;
constexpr int kWriteError = 30301;
constexpr int kStructureError = 30302;
constexpr int kTooManyError = 30303;
constexpr int kStartError = 30304;
constexpr int kStepError = 30305;

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// The rest of text after its leading blanks if it begins with "=", else nullptr. text runs to the
// end of its line, so the result is NUL-terminated.
const char* AfterEquals(std::string_view text) {
    text = SkipBlanks(text);
    if (text.empty() || text[0] != '=')
        return nullptr;
    return text.data() + 1;
}
} // namespace

void CTableFile2::read(const std::string& path) {
    values.clear();
    bool opened = false;
    bool startFound = false;
    bool stepFound = false;
    ReadTableLines(path, kOpenError, kStructureError, opened, [&](std::string_view text, int line) {
        if (!opened) {
            if (StartsWith(text, "Minimum RTD Temperature") ||
                StartsWith(text, "Minimum TC Temperature") ||
                StartsWith(text, "Minimum Temperature")) {
                const char* p = AfterEquals(text.substr(text.find("ture") + 4));
                double v = 0;
                if (p && ScanDouble(p, v) != ScanStatus::None) {
                    // An overflowing literal holds +-HUGE_VAL and fails the range check.
                    if (v < kMinStart || v > kMaxStart)
                        throw CPrivateException::FromId(kStartError);
                    startTemperature = v;
                    startFound = true;
                }
            } else if (StartsWith(text, "Step")) {
                const char* p = AfterEquals(text.substr(4));
                int v = 0;
                if (p && ScanInt(p, v) != ScanStatus::None) {
                    if (v <= 0 || v > kMaxStep)
                        throw CPrivateException::FromId(kStepError);
                    step = v;
                    stepFound = true;
                }
            } else if (text[0] == '{') {
                if (!startFound || !stepFound)
                    throw CPrivateException::FromId(kStructureError);
                opened = true;
            }
            return true;
        }
        if (text[0] == '}') {
            if (values.empty())
                throw CPrivateException::FromId(kStructureError);
            return false;
        }
        const char* p = text.data();
        double v = 0;
        const ScanStatus status = ScanDouble(p, v);
        CheckTableValue(status, v, path, line);
        if (values.size() >= kMaxValues)
            throw CPrivateException::FromId(kTooManyError);
        values.push_back(v);
        return true;
    });
}

void CTableFile2::write(const std::string& path) const {
    // A value that could not be read back would silently shift every later temperature.
    bool faithful = std::isfinite(startTemperature);
    for (double v : values)
        faithful = faithful && std::fabs(v) <= kTableValueLimit;
    if (!faithful)
        throw CPrivateException::FromId(kWriteError);

    CAtomicFileWriter out(path, LoadStr(kOpenError), LoadStr(kWriteError));
    out.write("Minimum Temperature = " + FormatFixed(startTemperature, 4) + "\n");
    out.write("Step = " + std::to_string(step) + "\n");
    out.write("{\n");
    std::string line;
    for (double v : values) {
        line = FormatFixed(v, 4);
        line += '\n';
        out.write(line);
    }
    out.write("}\n");
    out.commit();
}
