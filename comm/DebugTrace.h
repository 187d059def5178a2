#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// The program's only log: the Modbus debug trace. One process-wide sink, off (null) by default;
// q3cli --trace sends it to standard error, the GUI attaches a viewer. Lines keep their "\n".
using TraceSink = std::function<void(const std::string& line)>;

// Installs sink (null switches the trace off). The sink is called on the thread that traces,
// possibly several at once, so it must be thread-safe itself.
void SetTraceSink(TraceSink sink);
bool TraceEnabled();
// Hands line to the sink, if any.
void TraceLine(const std::string& line);

// The bytes of every frame sent and received, for a viewer that shows them beside the lines
// (the trace window); apart from the line sink, so the lines stay as they are. Same threading.
using FrameSink = std::function<void(bool sent, const uint8_t* data, std::size_t size)>;
void SetFrameSink(FrameSink sink);
void TraceFrame(bool sent, const uint8_t* data, std::size_t size);
