#pragma once

#include "DeviceTypes.h"

#include <QString>

#include <vector>

// Device codes turned into names and sizes.

constexpr quint32 kProductDual2x1 = 50000;
constexpr quint32 kProduct4x1 = 50001;
constexpr quint32 kProduct4x1AGC = 50002;

// The dual 2x1 model: two switching groups, A and B, of two inputs each.
constexpr bool IsDual(int productType)
{
    return productType == static_cast<int>(kProductDual2x1);
}
// Unknown codes count as the AGC model, as in ProductTypeId.
constexpr bool HasAgc(int productType)
{
    return productType != static_cast<int>(kProductDual2x1) &&
           productType != static_cast<int>(kProduct4x1);
}

// "QVT Dual 2x1", "QVT 4x1", "QVT 4x1 AGC", or empty for an unknown code:
// in the interface language, and in English for files other programs read.
QString ModelName(quint32 productCode);
QString EnglishModelName(quint32 productCode);
// The product-type identifier; unknown codes count as the AGC model.
QString ProductTypeId(quint32 productCode);

// The standard's name, empty for an unknown code. Only the context "Genlock"
// names codes 16 and 17 "NTSC" and "PAL"; elsewhere they are "525i" and "625i".
QString VideoStandardName(VideoStandard code, const QString &context);

// Largest detection-region coordinates for a standard's name: maxX is the
// last pixel column, maxY the number of lines.
void RegionLimits(const QString &standardName, int &maxX, int &maxY);

// One system alarm of a model: its bit in the enables and in the live state,
// where its enable sits in the parameter file below Alarms/Settings/System
// (a group element or "", then its element), and its English name as the
// alarm log and qvt-cli give it. The one list of which model has which.
struct SystemAlarmEntry {
    int bit;
    const char *group;
    const char *element;
    const char *name;
};

// The model's system alarms in the parameter file's order.
const std::vector<SystemAlarmEntry> &SystemAlarmEntries(bool dual);
// The English name of `bit` on the model; empty where the model has none.
QString SystemAlarmName(int bit, bool dual);
