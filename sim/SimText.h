#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Device text layouts. Code-page text: two bytes per register, the earlier byte in the low-order
// 8 bits, zero padded. Wide text: one UTF-16 code unit per register, zero padded. The
// simulator has its own codec, like its own CRC and register map: it is the independent device
// the program's tests check against, so the program's faults must not be mirrored here.

// The bytes of text cut to 2 x registers bytes.
std::vector<uint16_t> SimPackText8(const std::string& text, int registers);
// Up to the first zero byte.
std::string SimUnpackText8(const uint16_t* values, int registers);
// UTF-8 in, cut to registers code units (never in the middle of a surrogate pair).
std::vector<uint16_t> SimPackText16(const std::string& utf8, int registers);
// UTF-8 out, up to the first zero unit; unpaired surrogates become U+FFFD.
std::string SimUnpackText16(const uint16_t* values, int registers);
