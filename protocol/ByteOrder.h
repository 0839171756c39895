#pragma once

#include <QtGlobal>

// The device speaks big-endian everywhere (but for one port field, see
// NotificationDestPayload). Every payload goes through this one pair of helpers.

// Reads `width` bytes (1, 2 or 4), most significant first.
inline quint32 ReadBigEndian(const quint8 *bytes, int width)
{
    quint32 value = 0;
    for (int i = 0; i < width; ++i) {
        value = (value << 8) | bytes[i];
    }
    return value;
}

// Writes the low `width` bytes (1, 2 or 4) of value, most significant first.
inline void WriteBigEndian(quint8 *bytes, int width, quint32 value)
{
    for (int i = width - 1; i >= 0; --i) {
        bytes[i] = static_cast<quint8>(value & 0xFFu);
        value >>= 8;
    }
}

inline quint16 ReadU16(const quint8 *bytes)
{
    return static_cast<quint16>(ReadBigEndian(bytes, 2));
}
inline quint32 ReadU32(const quint8 *bytes)
{
    return ReadBigEndian(bytes, 4);
}
inline void WriteU16(quint8 *bytes, quint16 value)
{
    WriteBigEndian(bytes, 2, value);
}
inline void WriteU32(quint8 *bytes, quint32 value)
{
    WriteBigEndian(bytes, 4, value);
}

// The 8-bit sum that the framing checksum complements.
inline quint8 ByteSum(const quint8 *bytes, int size)
{
    unsigned sum = 0;
    for (int i = 0; i < size; ++i) {
        sum += bytes[i];
    }
    return static_cast<quint8>(sum & 0xFFu);
}
