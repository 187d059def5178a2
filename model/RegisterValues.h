#pragma once

// A model value's register traffic by its encoding, and the device's fixed-length texts.

#include "comm/ValueEncoding.h"

#include <cstdint>
#include <string>

class CCommInterface;

int32_t ReadEncoded(CCommInterface& comm, int reg, ValueEncoding encoding);
void WriteEncoded(CCommInterface& comm, int reg, ValueEncoding encoding, int32_t v);
std::string ReadCodePageText(CCommInterface& comm, int reg, int registers);
void WriteCodePageText(CCommInterface& comm, int reg, int registers, const std::string& text);
// The tag: 16 UTF-16 characters, zero padded.
inline constexpr int kTagChars = 16;
std::u16string ReadTag(CCommInterface& comm, int reg);
void WriteTag(CCommInterface& comm, int reg, const std::u16string& tag);
