#pragma once

#include <string>
#include <string_view>

// Writes a file whole or not at all: the text goes to a temporary file beside the target, which
// replaces the target only after everything was written and synced. A failure at any point leaves
// an existing target as it was and removes the temporary file. Failures throw CPrivateException
// with the message given for opening or for writing.
class CAtomicFileWriter {
public:
    // Creates the temporary file. Throws openError when the target can not be written: its folder
    // is missing or not writable, the target is not a regular file, or it is write-protected.
    CAtomicFileWriter(const std::string& path, std::string openError, std::string writeError);
    // Without commit the target is left untouched.
    ~CAtomicFileWriter();
    CAtomicFileWriter(const CAtomicFileWriter&) = delete;
    CAtomicFileWriter& operator=(const CAtomicFileWriter&) = delete;

    // Buffered; throws writeError.
    void write(std::string_view data);
    // Flushes, syncs and renames over the target; throws writeError.
    void commit();

    // The temporary file's name (tests).
    const std::string& tempPath() const { return m_temp; }

private:
    void flush();
    [[noreturn]] void fail();
    void discard();

    std::string m_target;
    std::string m_temp;
    std::string m_openError;
    std::string m_writeError;
    std::string m_buffer;
    int m_fd = -1;
    bool m_committed = false;
};
