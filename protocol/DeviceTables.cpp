#include "DeviceTables.h"

#include <QCoreApplication>

namespace {
struct StandardEntry {
    VideoStandard code;
    const char *name;
};

const StandardEntry kStandards[] = {
    {0, "Unknown"},          {1, "1080p25"},     {2, "720p59"},        {3, "720p60"},
    {4, "1080p23"},          {5, "1080p24"},     {6, "1080p29"},       {7, "1080p30"},
    {9, "1080i50"},          {10, "1035i29"},    {11, "1035i30"},      {13, "1080i25_295M"},
    {14, "1080i59"},         {15, "1080i60"},    {16, "525i"},         {17, "625i"},
    {19, "720p50"},          {20, "1080Psf23"},  {21, "1080Psf24"},    {22, "720p29"},
    {23, "720p30"},          {25, "720p25"},     {26, "720p23"},       {27, "720p24"},
    {28, "1080Psf29"},       {29, "1080Psf30"},  {31, "1080Psf25"},    {48, "480p59"},
    {49, "576p50"},          {50, "SD576p59"},   {51, "SD480p50"},     {52, "SD480p23"},
    {54, "SD576p23"},        {56, "SD480p29"},   {58, "SD576p29"},     {65, "1080p50"},
    {70, "1080p59"},         {71, "1080p60"},    {77, "1080p50_295M"}, {201, "1080p50DL"},
    {205, "1080p50DL_295M"}, {206, "1080p59DL"}, {207, "1080p60DL"},
};
}  // namespace

namespace {
const char *ModelSource(quint32 productCode)
{
    switch (productCode) {
        case kProductDual2x1:
            return QT_TRANSLATE_NOOP("DeviceTables", "QVT Dual 2x1");
        case kProduct4x1:
            return QT_TRANSLATE_NOOP("DeviceTables", "QVT 4x1");
        case kProduct4x1AGC:
            return QT_TRANSLATE_NOOP("DeviceTables", "QVT 4x1 AGC");
        default:
            return "";
    }
}
}  // namespace

QString ModelName(quint32 productCode)
{
    return QCoreApplication::translate("DeviceTables", ModelSource(productCode));
}

QString EnglishModelName(quint32 productCode)
{
    return QString::fromLatin1(ModelSource(productCode));
}

QString ProductTypeId(quint32 productCode)
{
    switch (productCode) {
        case kProductDual2x1:
            return QCoreApplication::translate("DeviceTables", "Zorvane-QVT-D2X1");
        case kProduct4x1:
            return QCoreApplication::translate("DeviceTables", "Zorvane-QVT-4X1");
        default:
            return QCoreApplication::translate("DeviceTables", "Zorvane-QVT-AGC");
    }
}

QString VideoStandardName(VideoStandard code, const QString &context)
{
    if (context == QLatin1String("Genlock")) {
        if (code == 16) {
            return QStringLiteral("NTSC");
        }
        if (code == 17) {
            return QStringLiteral("PAL");
        }
    }
    for (const StandardEntry &entry : kStandards) {
        if (entry.code == code) {
            return QString::fromLatin1(entry.name);
        }
    }
    return QString();
}

void RegionLimits(const QString &standardName, int &maxX, int &maxY)
{
    if (standardName.startsWith(QLatin1String("1080"))) {
        maxX = 1919;
        maxY = 1080;
    } else if (standardName.startsWith(QLatin1String("720"))) {
        maxX = 1279;
        maxY = 720;
    } else if (standardName.startsWith(QLatin1String("625"))) {
        maxX = 719;
        maxY = 576;
    } else if (standardName.startsWith(QLatin1String("525"))) {
        maxX = 719;
        maxY = 480;
    } else {
        maxX = 1919;
        maxY = 1080;
    }
}

const std::vector<SystemAlarmEntry> &SystemAlarmEntries(bool dual)
{
    // The dual model has each group's switching events (group B's seven
    // bits above group A's); the 4x1 models one group, and GPI 3 and 4 at
    // bits 11 and 12.
    static const std::vector<SystemAlarmEntry> kDual = {
        {15, "", "PS1Fail", "PS1 Fail"},
        {16, "", "PS2Fail", "PS2 Fail"},
        {0, "", "GenlockLost", "Genlock Lost"},
        {1, "GroupA", "SystemClockingUnlocked", "Group A System Clocking Unlocked"},
        {2, "GroupA", "GenlockingSourceSwitched", "Group A Genlocking Source Switched"},
        {3, "GroupA", "GPIRelayTriggered", "Group A GPI Relay Triggered"},
        {4, "GroupA", "GPI1Triggered", "Group A GPI 1 Triggered"},
        {5, "GroupA", "GPI2Triggered", "Group A GPI 2 Triggered"},
        {6, "GroupA", "RelayBypassed", "Group A Relay Bypassed"},
        {7, "GroupA", "OutputSwitched", "Group A Output Switched"},
        {8, "GroupB", "SystemClockingUnlocked", "Group B System Clocking Unlocked"},
        {9, "GroupB", "GenlockingSourceSwitched", "Group B Genlocking Source Switched"},
        {10, "GroupB", "GPIRelayTriggered", "Group B GPI Relay Triggered"},
        {11, "GroupB", "GPI1Triggered", "Group B GPI 1 Triggered"},
        {12, "GroupB", "GPI2Triggered", "Group B GPI 2 Triggered"},
        {13, "GroupB", "RelayBypassed", "Group B Relay Bypassed"},
        {14, "GroupB", "OutputSwitched", "Group B Output Switched"},
    };
    // The 4x1 names are also the alarm log's names of the notifications
    // (the log shows them translated in the receiver's context).
    static const std::vector<SystemAlarmEntry> k4x1 = {
        {15, "", "PS1Fail", QT_TRANSLATE_NOOP("NoticesServer", "PS1 Fail")},
        {16, "", "PS2Fail", QT_TRANSLATE_NOOP("NoticesServer", "PS2 Fail")},
        {0, "", "GenlockLost", QT_TRANSLATE_NOOP("NoticesServer", "Genlock Lost")},
        {1, "", "SystemClockingUnlocked",
         QT_TRANSLATE_NOOP("NoticesServer", "System Clocking Unlocked")},
        {2, "", "GenlockingSourceSwitched",
         QT_TRANSLATE_NOOP("NoticesServer", "Genlocking Source Switched")},
        {3, "", "GPIRelayTriggered", QT_TRANSLATE_NOOP("NoticesServer", "GPI Relay Triggered")},
        {4, "", "GPI1Triggered", "GPI 1 Triggered"},
        {5, "", "GPI2Triggered", "GPI 2 Triggered"},
        {11, "", "GPI3Triggered", "GPI 3 Triggered"},
        {12, "", "GPI4Triggered", "GPI 4 Triggered"},
        {6, "", "RelayBypassed", QT_TRANSLATE_NOOP("NoticesServer", "Relay Bypassed")},
        {7, "", "OutputSwitched", QT_TRANSLATE_NOOP("NoticesServer", "Output Switched")},
    };
    return dual ? kDual : k4x1;
}

QString SystemAlarmName(int bit, bool dual)
{
    for (const SystemAlarmEntry &entry : SystemAlarmEntries(dual)) {
        if (entry.bit == bit) {
            return QLatin1String(entry.name);
        }
    }
    return QString();
}
