#pragma once

#include <QByteArray>
#include <QMetaType>
#include <QString>
#include <QtGlobal>

// Plain value types of the device's data, shared by the protocol, the link
// and the pages. The ones that travel in queued signals are declared to the
// meta-type system at the end of this file; the link registers them at run time.

// The device's two accounts: their index, as the tool keeps a user (the
// window's login, qvt-cli's --user, the service's user), and the name the
// login message carries.
constexpr int kUserAdmin = 0;
constexpr int kUserGuest = 1;  // read-only
inline QByteArray UserName(int user)
{
    return user == kUserGuest ? QByteArrayLiteral("guest") : QByteArrayLiteral("admin");
}
// The index of a user's name, -1 for any other text.
inline int UserIndex(const QString &name)
{
    return name == QLatin1String("admin")   ? kUserAdmin
           : name == QLatin1String("guest") ? kUserGuest
                                            : -1;
}

// Code of a video standard as the device reports it (see VideoStandardName).
using VideoStandard = quint32;
constexpr VideoStandard kNoSignal = 0x7FFFFFFF;

// Video alarms of one input, one bit each.
using AlarmType = quint32;
constexpr AlarmType kAlarmSignalLost = 1u << 0;
constexpr AlarmType kAlarmFormatError = 1u << 1;
constexpr AlarmType kAlarmSyncFailed = 1u << 2;
constexpr AlarmType kAlarmVideoBlack = 1u << 3;
constexpr AlarmType kAlarmVideoFrozen = 1u << 4;

// System alarms (genlock, switching events, power supplies), one bit each;
// the same set carries the live state and the enables.
using SystemAlarm = quint32;
constexpr SystemAlarm kSystemGenlockLost = 1u << 0;
constexpr int kSystemAlarmBits = 17;

// Number of inputs and switching groups the messages always carry.
constexpr int kInputCount = 4;
constexpr int kGroupCount = 2;
constexpr int kAudioChannels = 16;

// One input's detection settings, in the order of the device's 98-byte block.
// Times are seconds; channel masks have bit k for audio channel k+1.
struct DetectionParam {
    quint8 lostEnable = 0;
    quint32 lostTriggerTime = 0;
    quint32 lostClearTime = 0;
    quint8 formatEnable = 0;
    quint32 formatTriggerTime = 0;
    quint32 formatClearTime = 0;
    quint8 syncEnable = 0;
    quint32 syncTriggerTime = 0;
    quint32 syncClearTime = 0;
    quint8 blackEnable = 0;
    quint16 blackValue1 = 0;
    quint16 blackValue2 = 0;
    quint16 blackValue3 = 0;
    quint32 blackTriggerTime = 0;
    quint32 blackClearTime = 0;
    quint8 blackRegionEnable = 0;
    quint16 blackRegionLeft = 0;
    quint16 blackRegionRight = 0;
    quint16 blackRegionTop = 0;
    quint16 blackRegionBottom = 0;
    quint8 blackRegionInvert = 0;
    quint8 freezeEnable = 0;
    quint16 freezeValue1 = 0;
    quint8 freezeValue2 = 0;
    quint32 freezeTriggerTime = 0;
    quint32 freezeClearTime = 0;
    quint8 freezeRegionEnable = 0;
    quint16 freezeRegionLeft = 0;
    quint16 freezeRegionRight = 0;
    quint16 freezeRegionTop = 0;
    quint16 freezeRegionBottom = 0;
    quint8 freezeRegionInvert = 0;
    quint16 audioLostChannels = 0;
    quint32 audioLostTriggerTime = 0;
    quint32 audioLostClearTime = 0;
    quint16 audioSilentChannels = 0;
    qint32 audioSilentThreshold = 0;
    quint32 audioSilentTriggerTime = 0;
    quint32 audioSilentClearTime = 0;

    static constexpr int kSize = 98;

    // The block's layout, one line per field: (offset, width, field).
    // Reading and writing both walk this table, so they cannot disagree.
    template <class Self, class Visit>
    static void Fields(Self &p, Visit &&f)
    {
        f(0, 1, p.lostEnable);
        f(1, 4, p.lostTriggerTime);
        f(5, 4, p.lostClearTime);
        f(9, 1, p.formatEnable);
        f(10, 4, p.formatTriggerTime);
        f(14, 4, p.formatClearTime);
        f(18, 1, p.syncEnable);
        f(19, 4, p.syncTriggerTime);
        f(23, 4, p.syncClearTime);
        f(27, 1, p.blackEnable);
        f(28, 2, p.blackValue1);
        f(30, 2, p.blackValue2);
        f(32, 2, p.blackValue3);
        f(34, 4, p.blackTriggerTime);
        f(38, 4, p.blackClearTime);
        f(42, 1, p.blackRegionEnable);
        f(43, 2, p.blackRegionLeft);
        f(45, 2, p.blackRegionRight);
        f(47, 2, p.blackRegionTop);
        f(49, 2, p.blackRegionBottom);
        f(51, 1, p.blackRegionInvert);
        f(52, 1, p.freezeEnable);
        f(53, 2, p.freezeValue1);
        f(55, 1, p.freezeValue2);
        f(56, 4, p.freezeTriggerTime);
        f(60, 4, p.freezeClearTime);
        f(64, 1, p.freezeRegionEnable);
        f(65, 2, p.freezeRegionLeft);
        f(67, 2, p.freezeRegionRight);
        f(69, 2, p.freezeRegionTop);
        f(71, 2, p.freezeRegionBottom);
        f(73, 1, p.freezeRegionInvert);
        f(74, 2, p.audioLostChannels);
        f(76, 4, p.audioLostTriggerTime);
        f(80, 4, p.audioLostClearTime);
        f(84, 2, p.audioSilentChannels);
        f(86, 4, p.audioSilentThreshold);
        f(90, 4, p.audioSilentTriggerTime);
        f(94, 4, p.audioSilentClearTime);
    }
};

bool operator==(const DetectionParam &a, const DetectionParam &b);
inline bool operator!=(const DetectionParam &a, const DetectionParam &b)
{
    return !(a == b);
}

// One input's alarm combination: which alarms, combined how, make the group switch.
struct alarmTrigger {
    AlarmType VideoAlarmMask = 0;
    quint16 AudioLostAlarmMask = 0;
    quint16 AudioSilentAlarmMask = 0;
    quint32 TriggerCombination = 255;  // 0 "Any", 1 "V&A", 2 "None"
};

inline bool operator==(const alarmTrigger &a, const alarmTrigger &b)
{
    return a.VideoAlarmMask == b.VideoAlarmMask && a.AudioLostAlarmMask == b.AudioLostAlarmMask &&
           a.AudioSilentAlarmMask == b.AudioSilentAlarmMask &&
           a.TriggerCombination == b.TriggerCombination;
}

// Automatic gain control of the programme audio (4x1 AGC model).
struct AGCParam {
    quint8 gainControlMode = 0;  // 1 automatic, 0 manual
    qint32 manualGain = 0;       // dB
    quint32 channelMode[kAudioChannels] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    quint32 loudnessSource = 0;  // 0 true peak, else power
    quint8 targetLevel = 0;      // dB below full scale
    quint8 upperThreshold = 0;
    quint8 lowerThreshold = 0;
    quint8 gainRatio = 0;  // 0 = 100 %, 1 = 75 %, 2 = 50 %, else 25 %
    quint8 noiseThreshold = 0;
    quint8 outputLimitThreshold = 0;
    quint8 frequencyCompensation = 0;  // 1 enabled
    quint8 stereoMode = 0;             // 1 enabled
};

bool operator==(const AGCParam &a, const AGCParam &b);

Q_DECLARE_METATYPE(DetectionParam)
Q_DECLARE_METATYPE(alarmTrigger)
Q_DECLARE_METATYPE(AGCParam)
