#include "monitor/CTrendRecorder.h"

#include "comm/CPrivateException.h"
#include "monitor/CGraphView.h"
#include "tables/CAtomicFileWriter.h"
#include "tables/TextScan.h"

#include <algorithm>

namespace {
constexpr const char* kCsvError = "Can not write the CSV file.";

// A CSV field, quoted when it holds a separator, a quote or a line break.
std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}
} // namespace

CTrendRecorder::CTrendRecorder(CGraphView& graph) : m_graph(graph) {
    m_graph.setRange(0, 1, -0.11, 0.11);
    m_graph.setTimeAsClock(true);
}

bool CTrendRecorder::start() {
    if (m_running)
        return false;
    m_firstSample = true;
    m_viewMin = -0.001;
    m_viewMax = 0.001;
    m_graph.setBrowseMode(false);
    m_graph.clear();
    m_graph.setRange(0, 0, -0.001, 0.001);
    m_running = true;
    return true;
}

bool CTrendRecorder::stop() {
    if (!m_running)
        return false;
    m_running = false;
    m_graph.setBrowseMode(true);
    return true;
}

bool CTrendRecorder::addSample(const std::string& valueText, const std::string& unitText,
                               int64_t nowMs) {
    if (!m_running)
        return false;
    double v = 0;
    LeadingNumber(valueText, v);
    // Keeps the view arithmetic below finite for absurd readings; views end at +-1000000.
    v = std::clamp(v, -1e30, 1e30);
    if (m_firstSample) {
        m_firstSample = false;
        m_startTick = nowMs;
        m_graph.setUnitText(unitText);
        m_seenMin = m_seenMax = v;
        m_elapsed = 0;
        m_viewMin = v - 0.0001;
        m_viewMax = v + 0.0001;
    } else {
        m_seenMin = std::min(m_seenMin, v);
        m_seenMax = std::max(m_seenMax, v);
        m_elapsed = static_cast<double>(nowMs - m_startTick) / 1000.0;
    }
    m_viewMin = std::min(m_viewMin, m_seenMin - (m_viewMax - m_viewMin) * 0.05);
    m_viewMax = std::max(m_viewMax, (m_viewMax - m_viewMin) * 0.05 + m_seenMax);
    m_graph.addSample(static_cast<float>(m_elapsed), v);
    if (m_elapsed == 0)
        m_elapsed = 0.1;
    m_graph.setRange(0, m_elapsed, m_viewMin, m_viewMax);
    return true;
}

void CTrendRecorder::exportCsv(const std::string& path) const {
    CAtomicFileWriter out(path, kCsvError, kCsvError);
    std::string header = "value";
    if (!m_graph.unitText().empty())
        header += " (" + m_graph.unitText() + ")";
    out.write("elapsed_s," + CsvField(header) + "\n");
    std::string line;
    for (const CGraphStore::Point& p : m_graph.store().points()) {
        line = FormatFixed(p.time, 3);
        line += ',';
        line += FormatFixed(p.value, 4);
        line += '\n';
        out.write(line);
    }
    out.commit();
}
