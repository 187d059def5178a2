#include "tables/CTableFile.h"

#include "comm/CPrivateException.h"
#include "resources/CStringTable.h"
#include "tables/CAtomicFileWriter.h"
#include "tables/TextScan.h"

#include <cmath>

namespace {
constexpr int kOpenError = 30000;
constexpr int kWriteError = 30001;
constexpr int kStructureError = 30002;
constexpr int kTooManyError = 30003;

// "%lf,%lf": the comma must follow the first number directly; white space may follow the comma.
// Each value is checked as it is read.
void ScanPair(const char* p, double& x, double& y, const std::string& path, int line) {
    ScanStatus first = ScanDouble(p, x);
    if (first == ScanStatus::Number && *p != ',')
        first = ScanStatus::None;
    CheckTableValue(first, x, path, line);
    ++p;
    ScanStatus second = ScanDouble(p, y);
    CheckTableValue(second, y, path, line);
}
} // namespace

void CTableFile::read(const std::string& path) {
    xValues.clear();
    yValues.clear();
    bool opened = false;
    ReadTableLines(path, kOpenError, kStructureError, opened, [&](std::string_view text, int line) {
        if (!opened) {
            opened = text[0] == '{';
            return true;
        }
        if (text[0] == '}') {
            if (xValues.empty())
                throw CPrivateException::FromId(kStructureError);
            return false;
        }
        double x = 0;
        double y = 0;
        // text runs to the end of line, so it is NUL-terminated.
        ScanPair(text.data(), x, y, path, line);
        if (xValues.size() >= kMaxPairs)
            throw CPrivateException::FromId(kTooManyError);
        xValues.push_back(x);
        yValues.push_back(y);
        return true;
    });
}

void CTableFile::write(const std::string& path) const {
    // A value that could not be read back would silently drop a pair of the table.
    bool faithful = xValues.size() == yValues.size();
    for (std::size_t i = 0; faithful && i < xValues.size(); ++i)
        faithful =
            std::fabs(xValues[i]) <= kTableValueLimit && std::fabs(yValues[i]) <= kTableValueLimit;
    if (!faithful)
        throw CPrivateException::FromId(kWriteError);

    CAtomicFileWriter out(path, LoadStr(kOpenError), LoadStr(kWriteError));
    out.write("{\n");
    std::string line;
    for (std::size_t i = 0; i < xValues.size(); ++i) {
        line = FormatFixed(xValues[i], 4);
        line += ", ";
        line += FormatFixed(yValues[i], 4);
        line += '\n';
        out.write(line);
    }
    out.write("}\n");
    out.commit();
}
