#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Reads a text file line by line with bounded memory, whatever the file holds. Only regular files
// are read (a FIFO or device would block or never end). The file is closed by the destructor.
class CTextLineReader {
public:
    // Longer lines (bytes before their line feed) are reported as overlong and their text dropped;
    // no valid table line comes near this length.
    static constexpr std::size_t kMaxLineLength = 4096;

    enum class Result { Line, End, Error };

    CTextLineReader() = default;
    ~CTextLineReader();
    CTextLineReader(const CTextLineReader&) = delete;
    CTextLineReader& operator=(const CTextLineReader&) = delete;

    // False when path can not be opened or is not a regular file.
    bool open(const std::string& path);

    // The next line without its line feed, its text ending at the first NUL byte. A last line
    // without a line feed is a line too. overlong: the line exceeded kMaxLineLength (text empty).
    Result next(std::string& text, bool& overlong);

private:
    bool fill();

    int m_fd = -1;
    std::vector<char> m_buffer;
    std::size_t m_begin = 0;
    std::size_t m_end = 0;
    bool m_eof = false;
    bool m_error = false;
    int m_lines = 0;
};
