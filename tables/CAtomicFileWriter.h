#pragma once

#include <string>
#include <string_view>

// The one way the program writes a file (parameter files, settings, table files, CSV): whole or
// not at all. The text goes to a temporary file beside the target, which replaces the target only
// after everything was written and synced. A symbolic link is followed and stays a link; the
// replaced file keeps its mode (and owner, where allowed). A failure at any point leaves an
// existing target as it was and removes the temporary file; a temporary file a killed process
// left behind carries that process's id in its name and is removed by the next save of the same
// target. Failures throw CPrivateException with the message given for opening or for writing,
// or, where none is given, "Can not write the file <path>: <reason>".
class CAtomicFileWriter {
public:
    // Creates the temporary file. Throws openError when the target can not be written: its folder
    // is missing or not writable, the target is not a regular file, or it is write-protected
    // (no write bit, which root is held to as well).
    CAtomicFileWriter(const std::string& path, std::string openError = {},
                      std::string writeError = {});
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

    // Writes content to path as one whole file.
    static void WriteWhole(const std::string& path, std::string_view content);

private:
    void flush();
    [[noreturn]] void fail(int error);
    [[noreturn]] void failOpen(int error);
    void discard();
    void removeStaleTemporaries(const std::string& folder, const std::string& base);

    std::string m_path; // as the caller named it, for messages
    std::string m_target;
    std::string m_temp;
    std::string m_openError;
    std::string m_writeError;
    std::string m_buffer;
    int m_fd = -1;
    bool m_committed = false;
};
