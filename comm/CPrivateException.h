#pragma once

#include <exception>
#include <functional>
#include <string>

// The program's one exception type: carries the finished user message (UTF-8).
// Thrown by value, caught by reference at the few places that show or drop it.
class CPrivateException : public std::exception {
public:
    explicit CPrivateException(std::string message) : m_message(std::move(message)) {}
    // The string-table text of id in the current language (empty for an unknown id).
    static CPrivateException FromId(int id);
    // String 11018 with the system's description of errno value code inserted whole.
    static CPrivateException FromSystemError(int code);

    const std::string& Message() const noexcept { return m_message; }
    // A further line for the user (a second failure met while handling this one).
    void AddLine(const std::string& line) { m_message += "\n" + line; }
    const char* what() const noexcept override { return m_message.c_str(); }

    // Copies at most size - 1 bytes of the message and terminates; always returns true.
    bool GetErrorMessage(char* buffer, std::size_t size) const;

    // Shows the message through the catcher's hook (a message box in the GUI, stderr in the CLI).
    enum class Icon { None, Stop, Warning, Information, Question };
    void ReportError(Icon icon = Icon::Stop) const;

private:
    std::string m_message;
};

// Where ReportError and model warnings (message 232, table order messages) go. The GUI installs
// a message box; the default writes to standard error.
using MessageSink = std::function<void(const std::string& text, CPrivateException::Icon icon)>;
void SetMessageSink(MessageSink sink);
void ShowMessage(const std::string& text, CPrivateException::Icon icon);
