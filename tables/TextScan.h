#pragma once

#include <functional>
#include <string>
#include <string_view>

// Number scanning with the C library's "%lf" and "%d" rules, independent of the process locale
// (files and device texts always use a period). The scanned text must be NUL-terminated; the
// scanners never read past its NUL.

enum class ScanStatus {
    Number,   // a finite number was read
    None,     // no number: no digits, or an "inf"/"nan" literal (never let into a table)
    Overflow, // a literal beyond the range of the type; value holds the signed limit
};

// "%lf": skips white space, then reads the longest decimal or hexadecimal floating-point number.
// A value too small for a double reads as a (signed) zero or subnormal, as strtod gives it.
// On Number and Overflow p moves past the number; on None it is left unchanged.
ScanStatus ScanDouble(const char*& p, double& value);

// "%d": skips white space, an optional sign, then decimal digits.
ScanStatus ScanInt(const char*& p, int& value);

// The leading "%lf" number of text; false (value untouched) when there is no finite number.
bool LeadingNumber(const std::string& text, double& value);

// "%.<decimals>lf" with a period whatever the locale.
std::string FormatFixed(double value, int decimals);

// text without its leading blanks and tabs.
std::string_view SkipBlanks(std::string_view text);

// A table value the device can hold: fixed-4 in 32 bits.
inline constexpr double kTableValueLimit = 214748.3647;

// Inside a table's braces every line is a value: one that does not scan, or lies beyond what the
// device holds, is an error naming the file and the line (never skipped, which would shift every
// later value). Throws CPrivateException.
void CheckTableValue(ScanStatus status, double value, const std::string& path, int line);

// The lines of a table file that carry something, in order: blank lines and "/" comments are
// skipped; once the table is open (*opened), an overlong line is a bad value. take gets each
// line without its leading blanks and its line number, and returns false when the table is
// complete. Throws message openErrorId when the file can not be read, structureErrorId when it
// ends before take was done.
void ReadTableLines(const std::string& path, int openErrorId, int structureErrorId,
                    const bool& opened, const std::function<bool(std::string_view, int)>& take);
