#pragma once

#include <QVector>
#include <QtGlobal>

// How the device client checks and picks the entries of the device's arrays
// for its operations: a map of device entry numbers per caller entry.
namespace ClientMaps {

inline bool ValidMap(const QVector<quint8> &map, int entries)
{
    for (quint8 entry : map) {
        if (entry >= entries) {
            return false;
        }
    }
    return true;
}

// A Set's map and its caller arrays must agree before anything is sent.
template <class... Arrays>
bool ValidSet(const QVector<quint8> &map, int entries, const Arrays &...values)
{
    return ValidMap(map, entries) && ((values.size() >= map.size()) && ...);
}

// Caller entry k of `out` is device entry map[k] of `from`.
template <class T, class Entry>
void Pick(const QVector<quint8> &map, const Entry *from, QVector<T> &out)
{
    out.resize(map.size());
    for (int k = 0; k < map.size(); ++k) {
        out[k] = static_cast<T>(from[map[k]]);
    }
}

// The device reads a flag byte as 1 or 0; whatever else the caller holds
// for "on" goes out as 1.
inline quint8 Flag(quint8 value)
{
    return value ? 1 : 0;
}

}  // namespace ClientMaps
