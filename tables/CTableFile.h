#pragma once

#include <string>
#include <vector>

// An XY linearization table file: "{", one "x, y" pair of percentages per line, "}".
class CTableFile {
public:
    static constexpr std::size_t kMaxPairs = 101;

    // Clears both arrays, then reads path. Throws CPrivateException 30000 (can not open or read),
    // 30002 (no "{" ... "}" structure, or no pair) or 30003 (more than kMaxPairs pairs); after a
    // throw the arrays hold what was read so far and the object is to be discarded.
    // Comment lines ("/" first), blank lines and lines that are not a pair are skipped, as are
    // lines longer than CTextLineReader::kMaxLineLength. A NUL byte ends its line's text.
    // Numbers beyond the double range and the literals "inf" and "nan" make a line "not a pair".
    void read(const std::string& path);

    // Writes the table whole or not at all (an existing file survives a failure). Throws 30000
    // when the file can not be created, 30001 when writing fails or the table can not be written
    // back faithfully (arrays of different length, a value that is not finite).
    void write(const std::string& path) const;

    std::vector<double> xValues;
    std::vector<double> yValues;
};
