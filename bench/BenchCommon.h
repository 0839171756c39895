#pragma once

// Helpers shared by the benchmarks.

#include "Message.h"

#include <QByteArray>

#include <algorithm>
#include <vector>

// A request datagram built by hand, so that the bare-socket figures owe
// nothing to the tool's own message classes.
inline QByteArray RawRequest(quint16 type, quint32 login, quint16 seq, const QByteArray &payload)
{
    QByteArray d(Frame::kHeaderSize, '\0');
    auto *p = reinterpret_cast<quint8 *>(d.data());
    WriteU16(p, static_cast<quint16>(payload.size() + 10));
    p[2] = 1;
    WriteU16(p + 3, type);
    WriteU32(p + 5, login);
    WriteU16(p + 9, seq);
    d += payload;
    d.append(
        static_cast<char>(~ByteSum(reinterpret_cast<const quint8 *>(d.constData()), d.size())));
    return d;
}

// The value at quantile q (0 to 1) of the samples.
inline double Percentile(std::vector<double> v, double q)
{
    std::sort(v.begin(), v.end());
    return v[static_cast<size_t>(q * static_cast<double>(v.size() - 1))];
}

inline double Median(const std::vector<double> &v)
{
    return Percentile(v, 0.5);
}
