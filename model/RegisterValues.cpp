#include "model/RegisterValues.h"

#include "comm/CCommInterface.h"
#include "model/TextCodec.h"

#include <algorithm>

int32_t ReadEncoded(CCommInterface& comm, int reg, ValueEncoding encoding) {
    switch (encoding) {
    case ValueEncoding::Int16:
        return static_cast<int16_t>(comm.ReadUInt16(reg));
    case ValueEncoding::UInt16:
        return comm.ReadUInt16(reg);
    default: {
        int32_t v = 0;
        comm.ReadValues(&v, 1, reg, encoding);
        return v;
    }
    }
}

void WriteEncoded(CCommInterface& comm, int reg, ValueEncoding encoding, int32_t v) {
    switch (encoding) {
    case ValueEncoding::Int16:
    case ValueEncoding::UInt16:
        comm.WriteUInt16(reg, static_cast<uint16_t>(v));
        break;
    default:
        comm.WriteValues(&v, 1, reg, encoding);
        break;
    }
}

std::string ReadCodePageText(CCommInterface& comm, int reg, int registers) {
    std::string bytes(static_cast<std::size_t>(registers) * 2, '\0');
    comm.ReadValues(bytes.data(), registers, reg, ValueEncoding::CodePageText);
    return BytesToUtf8(bytes);
}

void WriteCodePageText(CCommInterface& comm, int reg, int registers, const std::string& text) {
    std::string bytes(static_cast<std::size_t>(registers) * 2, '\0');
    std::string cut = CutUtf8(text, bytes.size());
    std::copy(cut.begin(), cut.end(), bytes.begin());
    comm.WriteValues(bytes.data(), registers, reg, ValueEncoding::CodePageText);
}

std::u16string ReadTag(CCommInterface& comm, int reg) {
    char16_t buffer[kTagChars] = {};
    comm.ReadValues(buffer, kTagChars, reg, ValueEncoding::Utf16Text);
    return FixedUtf16(buffer, kTagChars);
}

void WriteTag(CCommInterface& comm, int reg, const std::u16string& tag) {
    char16_t buffer[kTagChars] = {};
    std::copy_n(tag.begin(), std::min<std::size_t>(tag.size(), kTagChars), buffer);
    comm.WriteValues(buffer, kTagChars, reg, ValueEncoding::Utf16Text);
}
