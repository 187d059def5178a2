#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A temperature table file: "Minimum Temperature = t", "Step = s", "{", one sensor value per
// line (at t, t + s, t + 2s, ...), "}". Temperatures in deg C.
class CTableFile2 {
public:
    static constexpr std::size_t kMaxValues = 300;
    static constexpr double kMinStart = -300.0;
    static constexpr double kMaxStart = 1000.0;
    static constexpr int kMaxStep = 50;

    // Clears the values, then reads path. Throws CPrivateException 30300 (can not open or read),
    // 30302 (structure: "{" before both the start and the step lines, no "}", no value),
    // 30303 (more than kMaxValues values), 30304 (start outside -300..1000, also a start beyond
    // the double range), 30305 (step outside 1..50, also beyond the int range); after a throw the
    // object is to be discarded. Line rules as CTableFile::read; a start or value of "inf" or
    // "nan" counts as no number (the start line is then ignored, the value line skipped).
    void read(const std::string& path);

    // Writes the table whole or not at all. Throws 30300 when the file can not be created, 30301
    // when writing fails or a value or the start is not finite.
    void write(const std::string& path) const;

    double startTemperature = 0;
    int32_t step = 1;
    std::vector<double> values;
};
