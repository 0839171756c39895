#pragma once

#include "DeviceTypes.h"

#include <QDateTime>
#include <QMetaType>
#include <QString>
#include <QVector>

// Value types that the worker threads hand to the user interface in queued
// signals. RegisterLinkTypes() makes them known to the meta-type system.

// What NotifyImportFinish reports besides 0 (every part imported) and -1 (a
// part failed): the walk was stopped, by a disconnect or the window closing,
// before every part was imported.
constexpr int kImportStopped = -2;

// Phase state byte of an input; 3 = synchronised with the reference.
enum PhaseState : qint32 {
    PhaseSynchronised = 3,
};

// GPI or GPO trigger mode: 0 active low, 1 active high.
enum GPIOTriggerMode : qint32 {
    ActiveLow = 0,
    ActiveHigh = 1,
};

struct SignalIOInfo {
    VideoStandard standard = kNoSignal;
    PhaseState phaseState = PhaseState(255);
    quint16 phaseLine = 0;
    quint16 phasePixel = 0;
    quint8 present = 0;
};

// One alarm event for the alarm log.
struct AlarmInfo {
    int number = 0;  // the alarm log numbers its rows itself
    QDateTime time;
    QString input;
    QString alarmType;
    QString alarmStatus;
    QString notes;
};

Q_DECLARE_METATYPE(PhaseState)
Q_DECLARE_METATYPE(GPIOTriggerMode)
Q_DECLARE_METATYPE(SignalIOInfo)
Q_DECLARE_METATYPE(AlarmInfo)

// Registers every value type that crosses threads, with the names the
// signals use (VideoStandard, AlarmType and SystemAlarm are 32-bit words).
// Safe to call more than once.
void RegisterLinkTypes();
