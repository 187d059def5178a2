#include "tables/CTextLineReader.h"

#include "platform/CSystemCalls.h"

#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>

CTextLineReader::~CTextLineReader() {
    if (m_fd >= 0)
        CSystemCalls::Current().Close(m_fd);
}

bool CTextLineReader::open(const std::string& path) {
    int fd = CSystemCalls::Current().OpenRegularFile(path.c_str());
    if (fd < 0)
        return false;
    m_fd = fd;
    m_buffer.resize(65536);
    return true;
}

bool CTextLineReader::fill() {
    if (m_eof || m_error)
        return false;
    ssize_t n = CSystemCalls::Current().Read(m_fd, m_buffer.data(), m_buffer.size());
    if (n < 0) {
        m_error = true;
        return false;
    }
    if (n == 0) {
        m_eof = true;
        return false;
    }
    m_begin = 0;
    m_end = static_cast<std::size_t>(n);
    return true;
}

CTextLineReader::Result CTextLineReader::next(std::string& text, bool& overlong) {
    text.clear();
    overlong = false;
    if (m_fd < 0)
        return Result::Error;
    std::size_t length = 0; // raw bytes of this line so far
    bool nulSeen = false;
    bool any = false;
    for (;;) {
        if (m_begin == m_end && !fill()) {
            if (m_error)
                return Result::Error;
            if (!any)
                return Result::End;
            break; // last line without a line feed
        }
        any = true;
        const char* start = m_buffer.data() + m_begin;
        std::size_t available = m_end - m_begin;
        const void* feed = std::memchr(start, '\n', available);
        std::size_t chunk =
            feed ? static_cast<std::size_t>(static_cast<const char*>(feed) - start) : available;
        length += chunk;
        if (length > kMaxLineLength) {
            overlong = true;
            text.clear();
        } else if (!nulSeen) {
            const void* nul = std::memchr(start, '\0', chunk);
            std::size_t keep =
                nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - start) : chunk;
            text.append(start, keep);
            nulSeen = nul != nullptr;
        }
        m_begin += chunk;
        if (feed) {
            ++m_begin; // the line feed
            break;
        }
    }
    // CR LF line ends: the CR is not part of the line either.
    if (!text.empty() && text.back() == '\r')
        text.pop_back();
    // An editor's UTF-8 byte-order mark before the first line is not part of it.
    if (m_lines++ == 0 && text.rfind("\xEF\xBB\xBF", 0) == 0)
        text.erase(0, 3);
    return Result::Line;
}
