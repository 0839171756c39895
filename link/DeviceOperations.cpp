// The device client's configuration and status operations: each one
// request and its answer, with the caller's entries mapped to the device's.

#include "CfgNetClient.h"
#include "ClientMaps.h"
#include "ConfigMessages.h"
#include "StatusMessages.h"
#include "TextForms.h"

using namespace ClientMaps;

int CfgNetClient::GetGenlockState(VideoStandard &standard, quint8 &present)
{
    auto request = NewRequest<SimpleRequest<kMsgGetInputState>>();
    return Query<ResponseGetInputState>(request, [&](const ResponseGetInputState &r) {
        present = r.genlockPresent ? 1 : 0;
        standard = present ? r.genlockStandard : kNoSignal;
    });
}

int CfgNetClient::GetInputStandards(const QVector<quint8> &map, QVector<VideoStandard> &standards,
                                    QVector<quint8> &present)
{
    if (!ValidMap(map, kInputCount)) {
        return -1;
    }
    auto request = NewRequest<SimpleRequest<kMsgGetInputState>>();
    return Query<ResponseGetInputState>(request, [&](const ResponseGetInputState &r) {
        standards.resize(map.size());
        present.resize(map.size());
        for (int k = 0; k < map.size(); ++k) {
            // An absent input has no standard, whatever the device put there.
            present[k] = r.present[map[k]] ? 1 : 0;
            standards[k] = present[k] ? r.standard[map[k]] : kNoSignal;
        }
    });
}

int CfgNetClient::GetGPIOState(quint8 &gpiStatus, quint8 &gpoStatus)
{
    auto request = NewRequest<SimpleRequest<kMsgGetGPIOState>>();
    return Query<ResponseGetGPIOState>(request, [&](const ResponseGetGPIOState &r) {
        gpiStatus = r.gpiStatus;
        gpoStatus = r.gpoStatus;
    });
}

int CfgNetClient::SetPhase(const QVector<quint8> &map, const QVector<quint16> &lines,
                           const QVector<quint16> &pixels, const QVector<quint8> &modes)
{
    if (!ValidSet(map, kGroupCount, lines, pixels, modes)) {
        return -1;
    }
    auto request = NewRequest<RequestSetPhase>();
    for (int k = 0; k < map.size(); ++k) {
        request.delayLine[map[k]] = lines[k];
        request.delayPixel[map[k]] = pixels[k];
        request.clockingMode[map[k]] = modes[k];
    }
    return Send(request);
}

int CfgNetClient::GetPhase(const QVector<quint8> &map, QVector<quint16> &lines,
                           QVector<quint16> &pixels, QVector<PhaseState> &states,
                           QVector<bool> &locked)
{
    if (!ValidMap(map, kInputCount)) {
        return -1;
    }
    auto request = NewRequest<SimpleRequest<kMsgGetPhase>>();
    return Query<ResponseGetPhase>(request, [&](const ResponseGetPhase &r) {
        Pick(map, r.phaseLine, lines);
        Pick(map, r.phasePixel, pixels);
        Pick(map, r.phaseState, states);
        locked = {r.isLocked[0] != 0, r.isLocked[1] != 0};
    });
}

int CfgNetClient::GetGroupPhase(const QVector<quint8> &map, QVector<quint16> &lines,
                                QVector<quint16> &pixels, QVector<quint8> &modes)
{
    if (!ValidMap(map, kGroupCount)) {
        return -1;
    }
    auto request = NewRequest<SimpleRequest<kMsgGetPhase>>();
    return Query<ResponseGetPhase>(request, [&](const ResponseGetPhase &r) {
        Pick(map, r.delayLine, lines);
        Pick(map, r.delayPixel, pixels);
        Pick(map, r.clockingMode, modes);
    });
}

int CfgNetClient::SetGPIOTriggerMode(GPIOTriggerMode gpi, GPIOTriggerMode gpo)
{
    auto request = NewRequest<RequestSetGPIOTriggerMode>();
    request.gpiMode = static_cast<quint8>(gpi);
    request.gpoMode = static_cast<quint8>(gpo);
    return Send(request);
}

int CfgNetClient::GetGPIOTriggerMode(GPIOTriggerMode &gpi, GPIOTriggerMode &gpo)
{
    auto request = NewRequest<SimpleRequest<kMsgGetGPIOTriggerMode>>();
    return Query<ResponseGetGPIOTriggerMode>(request, [&](const ResponseGetGPIOTriggerMode &r) {
        gpi = static_cast<GPIOTriggerMode>(r.gpiMode);
        gpo = static_cast<GPIOTriggerMode>(r.gpoMode);
    });
}

int CfgNetClient::SetDetectionParam(int input, const DetectionParam &param)
{
    if (input < 0 || input > 255) {
        return -1;
    }
    auto request = NewRequest<RequestSetDetectionParam>();
    request.input = static_cast<quint8>(input);
    request.param = param;
    DetectionParam &p = request.param;
    for (quint8 *flag :
         {&p.lostEnable, &p.formatEnable, &p.syncEnable, &p.blackEnable, &p.blackRegionEnable,
          &p.blackRegionInvert, &p.freezeEnable, &p.freezeRegionEnable, &p.freezeRegionInvert}) {
        *flag = Flag(*flag);
    }
    return Send(request);
}

int CfgNetClient::GetDetectionParam(int input, DetectionParam &param)
{
    if (input < 0 || input > 255) {
        return -1;
    }
    auto request = NewRequest<RequestGetDetectionParam>();
    request.input = static_cast<quint8>(input);
    return Query<ResponseGetDetectionParam>(
        request, [&](const ResponseGetDetectionParam &r) { param = r.param; });
}

int CfgNetClient::SetSystemAlarmParam(SystemAlarm mask)
{
    auto request = NewRequest<RequestSetSystemAlarmParam>();
    request.mask = mask;
    return Send(request);
}

int CfgNetClient::GetSystemAlarmParam(SystemAlarm &mask)
{
    auto request = NewRequest<SimpleRequest<kMsgGetSystemAlarmParam>>();
    return Query<ResponseGetSystemAlarmParam>(
        request, [&](const ResponseGetSystemAlarmParam &r) { mask = r.mask; });
}

int CfgNetClient::GetAlarmInfo(const QVector<quint8> &map, QVector<AlarmType> &video,
                               QVector<quint16> &audioLost, QVector<quint16> &audioSilent,
                               SystemAlarm &system)
{
    if (!ValidMap(map, kInputCount)) {
        return -1;
    }
    auto request = NewRequest<SimpleRequest<kMsgGetAlarmInfo>>();
    return Query<ResponseGetAlarmInfo>(request, [&](const ResponseGetAlarmInfo &r) {
        Pick(map, r.video, video);
        Pick(map, r.audioLost, audioLost);
        Pick(map, r.audioSilent, audioSilent);
        system = r.system;
    });
}

int CfgNetClient::SetAudioEffect(int group, quint8 enable, quint32 duration, quint8 duplication)
{
    if (group < 0 || group >= kGroupCount) {
        return -1;
    }
    auto request = NewRequest<RequestSetAudioEffect>();
    request.fadingEnable[group] = Flag(enable);
    request.fadingDuration[group] = duration;
    request.duplication = duplication;
    return Send(request);
}

int CfgNetClient::GetAudioEffect(int group, quint8 &enable, quint32 &duration, quint8 &duplication)
{
    if (group < 0 || group >= kGroupCount) {
        return -1;
    }
    auto request = NewRequest<SimpleRequest<kMsgGetAudioEffect>>();
    return Query<ResponseGetAudioEffect>(request, [&](const ResponseGetAudioEffect &r) {
        enable = r.fadingEnable[group];
        duration = r.fadingDuration[group];
        duplication = r.duplication;
    });
}

int CfgNetClient::SetPGMOutputSelect(const QVector<quint8> &map, const QVector<quint8> &values)
{
    if (!ValidSet(map, kGroupCount, values)) {
        return -1;
    }
    auto request = NewRequest<RequestSetPGMOutputSelect>();
    for (int k = 0; k < map.size(); ++k) {
        request.input[map[k]] = values[k];
    }
    return Send(request);
}

int CfgNetClient::GetPGMOutputSelect(const QVector<quint8> &map, QVector<quint8> &values)
{
    if (!ValidMap(map, kGroupCount)) {
        return -1;
    }
    auto request = NewRequest<SimpleRequest<kMsgGetPGMOutputSelect>>();
    return Query<ResponseGetPGMOutputSelect>(
        request, [&](const ResponseGetPGMOutputSelect &r) { Pick(map, r.input, values); });
}

int CfgNetClient::SetAUXOutputSelect(quint8 value)
{
    auto request = NewRequest<RequestSetAUXOutputSelect>();
    request.source = value;
    return Send(request);
}

int CfgNetClient::GetAUXOutputSelect(quint8 &value)
{
    auto request = NewRequest<SimpleRequest<kMsgGetAUXOutputSelect>>();
    return Query<ResponseGetAUXOutputSelect>(
        request, [&](const ResponseGetAUXOutputSelect &r) { value = r.source; });
}

int CfgNetClient::SetRelayControl(const QVector<quint8> &map, const QVector<quint8> &manualControl,
                                  const QVector<quint8> &bypassProtect)
{
    if (!ValidSet(map, kGroupCount, manualControl, bypassProtect)) {
        return -1;
    }
    auto request = NewRequest<RequestSetRelayControl>();
    for (int k = 0; k < map.size(); ++k) {
        request.manualControl[map[k]] = Flag(manualControl[k]);
        request.bypassProtect[map[k]] = Flag(bypassProtect[k]);
    }
    return Send(request);
}

int CfgNetClient::GetRelayControl(const QVector<quint8> &map, QVector<quint8> &manualControl,
                                  QVector<quint8> &bypassProtect)
{
    if (!ValidMap(map, kGroupCount)) {
        return -1;
    }
    auto request = NewRequest<SimpleRequest<kMsgGetRelayControl>>();
    return Query<ResponseGetRelayControl>(request, [&](const ResponseGetRelayControl &r) {
        Pick(map, r.manualControl, manualControl);
        Pick(map, r.bypassProtect, bypassProtect);
    });
}

int CfgNetClient::SetAutoSwitchMethod(const QVector<quint8> &map, const QVector<qint32> &values)
{
    if (!ValidSet(map, kGroupCount, values)) {
        return -1;
    }
    auto request = NewRequest<RequestSetAutoSwitchMethod>();
    for (int k = 0; k < map.size(); ++k) {
        request.method[map[k]] = static_cast<quint8>(values[k]);
    }
    return Send(request);
}

int CfgNetClient::GetAutoSwitchMethod(const QVector<quint8> &map, QVector<qint32> &values)
{
    if (!ValidMap(map, kGroupCount)) {
        return -1;
    }
    auto request = NewRequest<SimpleRequest<kMsgGetAutoSwitchMethod>>();
    return Query<ResponseGetAutoSwitchMethod>(
        request, [&](const ResponseGetAutoSwitchMethod &r) { Pick(map, r.method, values); });
}

int CfgNetClient::SetAutoSwitchTrigger(const QVector<alarmTrigger> &triggers)
{
    if (triggers.size() < kInputCount) {
        return -1;
    }
    auto request = NewRequest<RequestSetAutoSwitchTrigger>();
    for (int j = 0; j < kInputCount; ++j) {
        request.entries[j] = triggers[j];
    }
    return Send(request);
}

int CfgNetClient::GetAutoSwitchTrigger(QVector<alarmTrigger> &triggers)
{
    auto request = NewRequest<SimpleRequest<kMsgGetAutoSwitchTrigger>>();
    return Query<ResponseGetAutoSwitchTrigger>(request, [&](const ResponseGetAutoSwitchTrigger &r) {
        triggers = QVector<alarmTrigger>(r.entries, r.entries + kInputCount);
    });
}

int CfgNetClient::ManualReturn(quint8 group)
{
    auto request = NewRequest<RequestManualReturn>();
    request.group = group;
    return Send(request);
}

int CfgNetClient::SetAGCParam(const AGCParam &param)
{
    auto request = NewRequest<RequestSetAGCParam>();
    request.param = param;
    return Send(request);
}

int CfgNetClient::GetAGCParam(AGCParam &param)
{
    auto request = NewRequest<SimpleRequest<kMsgGetAGCParam>>();
    return Query<ResponseGetAGCParam>(request,
                                      [&](const ResponseGetAGCParam &r) { param = r.param; });
}

int CfgNetClient::GetAudioLevel(QVector<quint16> &inputLevel, QVector<quint16> &outputLevel)
{
    auto request = NewRequest<SimpleRequest<kMsgGetAudioLevel>>();
    return Query<ResponseGetAudioLevel>(request, [&](const ResponseGetAudioLevel &r) {
        inputLevel = QVector<quint16>(r.inputLevel, r.inputLevel + kAudioChannels);
        outputLevel = QVector<quint16>(r.outputLevel, r.outputLevel + kAudioChannels);
    });
}

int CfgNetClient::SetNotificationDest(const QStringList &ips, const QVector<quint16> &ports)
{
    if (ips.size() < 2 || ports.size() < 2) {
        return -1;
    }
    auto request = NewRequest<RequestSetNotificationDest>();
    for (int d = 0; d < 2; ++d) {
        if (!ParseAddress(ips[d], &request.ip[d])) {
            return -1;
        }
        request.port[d].value = ports[d];
    }
    return Send(request);
}

int CfgNetClient::GetNotificationDest(QStringList &ips, QVector<quint16> &ports)
{
    auto request = NewRequest<SimpleRequest<kMsgGetNotificationDest>>();
    return Query<ResponseGetNotificationDest>(request, [&](const ResponseGetNotificationDest &r) {
        ips = QStringList{AddressText(r.ip[0]), AddressText(r.ip[1])};
        ports = {r.port[0].value, r.port[1].value};
    });
}

int CfgNetClient::SetPhaseAutoAlign(const QVector<quint8> &flags)
{
    if (flags.size() < 2) {
        return -1;
    }
    auto request = NewRequest<RequestSetPhaseAutoAlign>();
    request.followGenlock[0] = flags[0];
    request.followGenlock[1] = flags[1];
    return Send(request);
}

int CfgNetClient::GetPhaseAutoAlign(QVector<quint8> &flags)
{
    auto request = NewRequest<SimpleRequest<kMsgGetPhaseAutoAlign>>();
    return Query<ResponseGetPhaseAutoAlign>(request, [&](const ResponseGetPhaseAutoAlign &r) {
        flags = {r.followGenlock[0], r.followGenlock[1]};
    });
}

int CfgNetClient::AlignPhase(quint8 group)
{
    auto request = NewRequest<RequestAlignPhase>();
    request.group = group;
    return Send(request);
}
