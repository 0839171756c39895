#pragma once

#include "DeviceTypes.h"

#include <QByteArray>

#include <vector>

// One change the device announces to its notification destinations.
struct SimNotification {
    quint32 code = 0;  // 1 signal lost ... 16 PS2 fail
    quint8 group = 0;
    quint8 input = 0;
    quint32 value = 0;
};

// The simulated switch: its parameters, its live inputs, and the alarm and
// switching logic that turns the one into the other. No sockets, no threads:
// the simulator serialises every call with its own lock.
class DeviceModel final
{
public:
    explicit DeviceModel(quint32 productCode = 50002);

    bool IsDual() const { return productCode == 50000; }
    bool HasAGC() const { return productCode == 50002; }
    int GroupCount() const { return IsDual() ? 2 : 1; }
    int GroupOf(int input) const { return IsDual() ? input / 2 : 0; }
    // Inputs a group switches between, in priority order (the first is the primary).
    std::vector<int> InputsOf(int group) const;

    // Recomputes the alarms, the switching, the relays and the GPO levels from
    // the current state, and returns one notification per reported change.
    std::vector<SimNotification> Update();

    // Returns the group's output to its primary input when that is healthy
    // (clears a latched failover). False for a group that does not exist.
    bool ManualReturn(int group);

    // Identity.
    quint32 productCode;
    quint8 serial[8];
    quint8 extra[8] = {};
    quint32 pcb = 3;
    quint32 fpga = 0x14120517;
    quint32 firmware = 0x01010041;                                           // 1.1.65
    quint8 workMode = 1;                                                     // 0 = update loader
    QByteArray passwords[2] = {UserName(kUserAdmin), UserName(kUserGuest)};  // by user index

    // Network settings as stored; a new address takes effect at a restart.
    quint32 ip = 0x7F000001;
    quint32 mask = 0xFF000000;
    quint32 gateway = 0x7F000001;
    quint8 isDefault = 1;
    quint32 notifyIp[2] = {0x7F000001, 0};
    quint16 notifyPort[2] = {40000, 0};

    // Parameters.
    DetectionParam detection[kInputCount];
    SystemAlarm systemEnable = 0x1FFFF;
    quint8 fadingEnable[kGroupCount] = {1, 1};
    quint32 fadingDuration[kGroupCount] = {500, 500};
    quint8 duplication = 0;
    quint8 pgm[kGroupCount] = {255, 255};  // 255 = automatic
    quint8 aux = 4;                        // 4 = programme output
    quint8 relayManual[kGroupCount] = {0, 0};
    quint8 bypassProtect[kGroupCount] = {1, 1};
    quint8 returnMethod[kGroupCount] = {1, 1};  // 1 automatic, 2 latched
    alarmTrigger triggers[kInputCount];
    AGCParam agc;
    quint16 delayLine[kGroupCount] = {0, 0};
    quint16 delayPixel[kGroupCount] = {0, 0};
    quint8 clockingMode[kGroupCount] = {0, 0};  // 0 auto genlock, 1 auto input
    quint8 followGenlock[kGroupCount] = {0, 0};
    quint8 gpiMode = 0;
    quint8 gpoMode = 1;

    // Live inputs, as the console or the demo cycle sets them.
    bool present[kInputCount] = {true, true, true, true};
    VideoStandard standard[kInputCount] = {9, 9, 9, 9};  // 1080i50
    bool genlockPresent = true;
    VideoStandard genlockStandard = 17;  // PAL black burst
    quint16 phaseLine[kInputCount] = {0, 0, 0, 0};
    quint16 phasePixel[kInputCount] = {0, 0, 0, 0};
    AlarmType rawVideo[kInputCount] = {0, 0, 0, 0};
    quint16 rawAudioLost[kInputCount] = {0, 0, 0, 0};
    quint16 rawAudioSilent[kInputCount] = {0, 0, 0, 0};
    SystemAlarm rawSystem = 0;  // forced system bits (power supplies and the like)
    quint8 gpiLevels = 0;
    quint8 levelsIn[kAudioChannels];
    quint8 levelsOut[kAudioChannels];

    // Derived by Update(): what GetAlarmInfo, GetGPIOState and GetPhase report.
    AlarmType video[kInputCount] = {0, 0, 0, 0};
    quint16 audioLost[kInputCount] = {0, 0, 0, 0};
    quint16 audioSilent[kInputCount] = {0, 0, 0, 0};
    SystemAlarm system = 0;
    quint8 active[kGroupCount] = {0, 2};
    quint8 gpoLevels = 0;
    bool locked[kGroupCount] = {true, true};
    quint8 source[kGroupCount] = {1, 1};  // clocking source code, as notification 10 names it

    quint8 PhaseState(int input) const;

private:
    bool Failing(int input) const;
    quint8 ClockingSource(int group) const;
    SystemAlarm EventBits() const;
    void Switch(int group);
    void CollectNotifications(std::vector<SimNotification> &out, const AlarmType *oldVideo,
                              const quint16 *oldLost, const quint16 *oldSilent,
                              SystemAlarm oldSystem, const quint8 *oldActive,
                              const quint8 *oldSource) const;
};
