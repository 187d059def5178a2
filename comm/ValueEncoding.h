#pragma once

// Raw value encodings: how a value is held, travels on the device and is written as text.
enum class ValueEncoding : int {
    Fixed4 = 0, // int32 = value x 10000
    Date = 1,   // int32 = year x 65536 + month x 256 + day
    Int16 = 2,
    UInt16 = 3,       // choice index, counts
    Float = 4,        // IEEE single
    CodePageText = 5, // 8-bit text of fixed byte length, zero padded
    Utf16Text = 6,    // UTF-16 text of fixed character length, zero padded
};
