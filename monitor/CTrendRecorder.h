#pragma once

#include "model/CParBase.h"

#include <cstdint>
#include <string>

class CGraphView;

// The trend page's recording logic: starts and stops a recording on its graph, turns every poll
// result into a sample at the seconds elapsed since the first one, and keeps the value axis
// growing around everything seen. The page widget owns the graph and this recorder, enables its
// buttons by running(), and calls these on the window thread.
class CTrendRecorder {
public:
    // The live value of input 1 ("12.3456deg C, 45.6789%"; its leading number is the value).
    static constexpr int kInputValueId = 60000;

    // Sets up the graph as the page does at creation (range 0..1, -0.11..0.11; clock labels).
    // The graph is borrowed and must outlive the recorder.
    explicit CTrendRecorder(CGraphView& graph);

    // Clears the graph and starts recording in live mode; false (nothing done) while running.
    bool start();
    // Ends the recording, the graph goes to browse mode; false (nothing done) unless running.
    bool stop();

    // One poll result: valueText's leading number (0 when it has none, or only "inf"/"nan"),
    // unitText the input unit, nowMs a monotonic clock in milliseconds. False (ignored) unless
    // running; true when the graph changed and wants a repaint.
    bool addSample(const std::string& valueText, const std::string& unitText, int64_t nowMs);
    // The same with GetDisplayText(kInputValueId, false) and GetInputUnitText() of model.
    // Inline: only code that has the model classes at hand refers to them.
    bool addSample(const CParBase& model, int64_t nowMs) {
        if (!m_running)
            return false;
        return addSample(model.GetDisplayText(kInputValueId, false), model.GetInputUnitText(),
                         nowMs);
    }

    // Writes the recorded samples as CSV: "elapsed_s,value (<unit>)", then "%.3f,%.4f" per sample,
    // whole or not at all. Throws CPrivateException "Can not write the CSV file." on failure.
    void exportCsv(const std::string& path) const;

    bool running() const { return m_running; }
    bool firstSample() const { return m_firstSample; }
    int64_t startTick() const { return m_startTick; }
    double elapsed() const { return m_elapsed; }
    double seenMin() const { return m_seenMin; }
    double seenMax() const { return m_seenMax; }
    double viewMin() const { return m_viewMin; }
    double viewMax() const { return m_viewMax; }

private:
    CGraphView& m_graph;
    bool m_running = false;
    bool m_firstSample = false;
    int64_t m_startTick = 0;
    double m_elapsed = 0;
    double m_seenMin = 0, m_seenMax = 0;
    double m_viewMin = -0.001, m_viewMax = 0.001;
};
