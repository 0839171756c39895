#pragma once

#include <QByteArray>
#include <QtGlobal>

// Golden datagrams for tests. The bytes of a payload are written out by hand;
// Framed() only puts a header and a checksum around them, independently of
// the library's own framing code, so that a framing mistake cannot hide by
// being made twice.
inline QByteArray Hex(const char *text)
{
    return QByteArray::fromHex(text);
}

inline QByteArray Framed(quint16 type, quint32 loginOrResult, quint16 seq,
                         const QByteArray &payload)
{
    QByteArray d;
    const int length = payload.size() + 10;
    d.append(char(length >> 8)).append(char(length & 0xFF)).append(char(1));
    d.append(char(type >> 8)).append(char(type & 0xFF));
    for (int shift = 24; shift >= 0; shift -= 8) {
        d.append(char((loginOrResult >> shift) & 0xFF));
    }
    d.append(char(seq >> 8)).append(char(seq & 0xFF)).append(payload);
    unsigned sum = 0;
    for (char c : d) {
        sum += quint8(c);
    }
    return d.append(char(~sum & 0xFF));
}

// Header fields of a datagram; 0 for one too short to hold them.
inline quint16 TypeOf(const QByteArray &datagram)
{
    return datagram.size() < 5 ? 0 : quint16((quint8(datagram[3]) << 8) | quint8(datagram[4]));
}

inline quint16 SequenceOf(const QByteArray &datagram)
{
    return datagram.size() < 11 ? 0 : quint16((quint8(datagram[9]) << 8) | quint8(datagram[10]));
}
