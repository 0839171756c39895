#pragma once

#include "DeviceTypes.h"
#include "Message.h"

// Set/Get pairs of the device's parameters. Entry i of a fixed-size array is
// input i or group i in device order; fields keep their empty values until
// the caller fills them, and those are what is sent for unaddressed entries.

struct SetPhasePayload : TablePayload<SetPhasePayload> {
    static constexpr int kSize = 10;
    quint16 delayLine[kGroupCount] = {0, 0};
    quint16 delayPixel[kGroupCount] = {0, 0};
    quint8 clockingMode[kGroupCount] = {255, 255};  // 0 auto genlock, 1 auto input
    template <class S, class F>
    static void Fields(S &s, F &&f)
    {
        for (int g = 0; g < kGroupCount; ++g) {
            f(5 * g, 2, s.delayLine[g]);
            f(5 * g + 2, 2, s.delayPixel[g]);
            f(5 * g + 4, 1, s.clockingMode[g]);
        }
    }
};
class RequestSetPhase final : public PayloadRequest<kMsgSetPhase, SetPhasePayload>
{
public:
    using PayloadRequest::PayloadRequest;
};

struct PhasePayload : TablePayload<PhasePayload> {
    static constexpr int kSize = 32;
    static constexpr quint8 kSynchronised = 3;
    quint16 phaseLine[kInputCount] = {0, 0, 0, 0};
    quint16 phasePixel[kInputCount] = {0, 0, 0, 0};
    quint8 phaseState[kInputCount] = {255, 255, 255, 255};
    quint16 delayLine[kGroupCount] = {0, 0};
    quint16 delayPixel[kGroupCount] = {0, 0};
    quint8 clockingMode[kGroupCount] = {255, 255};
    quint8 isLocked[kGroupCount] = {0, 0};
    template <class S, class F>
    static void Fields(S &s, F &&f)
    {
        for (int i = 0; i < kInputCount; ++i) {
            f(5 * i, 2, s.phaseLine[i]);
            f(5 * i + 2, 2, s.phasePixel[i]);
            f(5 * i + 4, 1, s.phaseState[i]);
        }
        for (int g = 0; g < kGroupCount; ++g) {
            f(20 + 6 * g, 2, s.delayLine[g]);
            f(22 + 6 * g, 2, s.delayPixel[g]);
            f(24 + 6 * g, 1, s.clockingMode[g]);
            f(25 + 6 * g, 1, s.isLocked[g]);
        }
    }
};
class ResponseGetPhase final : public PayloadResponse<PhasePayload>
{};

// Byte g: phase alignment of group g follows the genlock reference.
struct PhaseAutoAlignPayload : TablePayload<PhaseAutoAlignPayload> {
    static constexpr int kSize = 2;
    quint8 followGenlock[kGroupCount] = {0, 0};
    template <class S, class F>
    static void Fields(S &s, F &&f)
    {
        f(0, 1, s.followGenlock[0]);
        f(1, 1, s.followGenlock[1]);
    }
};
class RequestSetPhaseAutoAlign final
    : public PayloadRequest<kMsgSetPhaseAutoAlign, PhaseAutoAlignPayload>
{
public:
    using PayloadRequest::PayloadRequest;
};
class ResponseGetPhaseAutoAlign final : public PayloadResponse<PhaseAutoAlignPayload>
{};

// One group number: the group whose phase is aligned now, or whose output
// returns from its failover input now.
struct GroupPayload : TablePayload<GroupPayload> {
    static constexpr int kSize = 1;
    quint8 group = 0;
    template <class S, class F>
    static void Fields(S &s, F &&f)
    {
        f(0, 1, s.group);
    }
};
class RequestAlignPhase final : public PayloadRequest<kMsgAlignPhase, GroupPayload>
{
public:
    using PayloadRequest::PayloadRequest;
};
class RequestManualReturn final : public PayloadRequest<kMsgManualReturn, GroupPayload>
{
public:
    using PayloadRequest::PayloadRequest;
};

struct GPIOTriggerModePayload : TablePayload<GPIOTriggerModePayload> {
    static constexpr int kSize = 2;
    quint8 gpiMode = 255;  // 0 active low, 1 active high
    quint8 gpoMode = 255;
    template <class S, class F>
    static void Fields(S &s, F &&f)
    {
        f(0, 1, s.gpiMode);
        f(1, 1, s.gpoMode);
    }
};
class RequestSetGPIOTriggerMode final
    : public PayloadRequest<kMsgSetGPIOTriggerMode, GPIOTriggerModePayload>
{
public:
    using PayloadRequest::PayloadRequest;
};
class ResponseGetGPIOTriggerMode final : public PayloadResponse<GPIOTriggerModePayload>
{};

struct InputPayload : TablePayload<InputPayload> {
    static constexpr int kSize = 1;
    quint8 input = 0;
    template <class S, class F>
    static void Fields(S &s, F &&f)
    {
        f(0, 1, s.input);
    }
};
class RequestGetDetectionParam final : public PayloadRequest<kMsgGetDetectionParam, InputPayload>
{
public:
    using PayloadRequest::PayloadRequest;
};

struct DetectionPayload : TablePayload<DetectionPayload> {
    static constexpr int kSize = DetectionParam::kSize;
    DetectionParam param;
    template <class S, class F>
    static void Fields(S &s, F &&f)
    {
        DetectionParam::Fields(s.param, f);
    }
};
class ResponseGetDetectionParam final : public PayloadResponse<DetectionPayload>
{};

// The input number, then the detection block.
struct SetDetectionPayload : TablePayload<SetDetectionPayload> {
    static constexpr int kSize = 1 + DetectionParam::kSize;
    quint8 input = 0;
    DetectionParam param;
    template <class S, class F>
    static void Fields(S &s, F &&f)
    {
        f(0, 1, s.input);
        DetectionParam::Fields(
            s.param, [&f](int offset, int width, auto &field) { f(offset + 1, width, field); });
    }
};
class RequestSetDetectionParam final
    : public PayloadRequest<kMsgSetDetectionParam, SetDetectionPayload>
{
public:
    using PayloadRequest::PayloadRequest;
};

struct SystemAlarmPayload : TablePayload<SystemAlarmPayload> {
    static constexpr int kSize = 4;
    SystemAlarm mask = 0;
    template <class S, class F>
    static void Fields(S &s, F &&f)
    {
        f(0, 4, s.mask);
    }
};
class RequestSetSystemAlarmParam final
    : public PayloadRequest<kMsgSetSystemAlarmParam, SystemAlarmPayload>
{
public:
    using PayloadRequest::PayloadRequest;
};
class ResponseGetSystemAlarmParam final : public PayloadResponse<SystemAlarmPayload>
{};

struct AudioEffectPayload : TablePayload<AudioEffectPayload> {
    static constexpr int kSize = 11;
    quint8 fadingEnable[kGroupCount] = {0, 0};
    quint32 fadingDuration[kGroupCount] = {0, 0};  // milliseconds
    quint8 duplication = 0;                        // 0 disabled, 1 auto, 2 left-left, 3 right-right
    template <class S, class F>
    static void Fields(S &s, F &&f)
    {
        for (int g = 0; g < kGroupCount; ++g) {
            f(5 * g, 1, s.fadingEnable[g]);
            f(5 * g + 1, 4, s.fadingDuration[g]);
        }
        f(10, 1, s.duplication);
    }
};
class RequestSetAudioEffect final : public PayloadRequest<kMsgSetAudioEffect, AudioEffectPayload>
{
public:
    using PayloadRequest::PayloadRequest;
};
class ResponseGetAudioEffect final : public PayloadResponse<AudioEffectPayload>
{};

constexpr quint8 kNoSelection = 255;
// Byte g: input forced onto group g's programme output, 255 = automatic.
struct PGMOutputSelectPayload : TablePayload<PGMOutputSelectPayload> {
    static constexpr int kSize = 2;
    quint8 input[kGroupCount] = {kNoSelection, kNoSelection};
    template <class S, class F>
    static void Fields(S &s, F &&f)
    {
        f(0, 1, s.input[0]);
        f(1, 1, s.input[1]);
    }
};
class RequestSetPGMOutputSelect final
    : public PayloadRequest<kMsgSetPGMOutputSelect, PGMOutputSelectPayload>
{
public:
    using PayloadRequest::PayloadRequest;
};
class ResponseGetPGMOutputSelect final : public PayloadResponse<PGMOutputSelectPayload>
{};

// Source of the auxiliary output: 0 to 3 the inputs, 4 the programme output.
struct AUXOutputSelectPayload : TablePayload<AUXOutputSelectPayload> {
    static constexpr int kSize = 1;
    quint8 source = kNoSelection;
    template <class S, class F>
    static void Fields(S &s, F &&f)
    {
        f(0, 1, s.source);
    }
};
class RequestSetAUXOutputSelect final
    : public PayloadRequest<kMsgSetAUXOutputSelect, AUXOutputSelectPayload>
{
public:
    using PayloadRequest::PayloadRequest;
};
class ResponseGetAUXOutputSelect final : public PayloadResponse<AUXOutputSelectPayload>
{};

struct RelayControlPayload : TablePayload<RelayControlPayload> {
    static constexpr int kSize = 4;
    quint8 manualControl[kGroupCount] = {0, 0};  // 1 = relay set to bypass
    quint8 bypassProtect[kGroupCount] = {0, 0};
    template <class S, class F>
    static void Fields(S &s, F &&f)
    {
        for (int g = 0; g < kGroupCount; ++g) {
            f(2 * g, 1, s.manualControl[g]);
            f(2 * g + 1, 1, s.bypassProtect[g]);
        }
    }
};
class RequestSetRelayControl final : public PayloadRequest<kMsgSetRelayControl, RelayControlPayload>
{
public:
    using PayloadRequest::PayloadRequest;
};
class ResponseGetRelayControl final : public PayloadResponse<RelayControlPayload>
{};

// Byte g: failover return of group g, 1 automatic, 2 latched until ManualReturn.
struct AutoSwitchMethodPayload : TablePayload<AutoSwitchMethodPayload> {
    static constexpr int kSize = 2;
    quint8 method[kGroupCount] = {255, 255};
    template <class S, class F>
    static void Fields(S &s, F &&f)
    {
        f(0, 1, s.method[0]);
        f(1, 1, s.method[1]);
    }
};
class RequestSetAutoSwitchMethod final
    : public PayloadRequest<kMsgSetAutoSwitchMethod, AutoSwitchMethodPayload>
{
public:
    using PayloadRequest::PayloadRequest;
};
class ResponseGetAutoSwitchMethod final : public PayloadResponse<AutoSwitchMethodPayload>
{};

struct AutoSwitchTriggerPayload : TablePayload<AutoSwitchTriggerPayload> {
    static constexpr int kSize = 36;
    alarmTrigger entries[kInputCount];
    template <class S, class F>
    static void Fields(S &s, F &&f)
    {
        for (int j = 0; j < kInputCount; ++j) {
            f(9 * j, 4, s.entries[j].VideoAlarmMask);
            f(9 * j + 4, 2, s.entries[j].AudioLostAlarmMask);
            f(9 * j + 6, 2, s.entries[j].AudioSilentAlarmMask);
            f(9 * j + 8, 1, s.entries[j].TriggerCombination);
        }
    }
};
class RequestSetAutoSwitchTrigger final
    : public PayloadRequest<kMsgSetAutoSwitchTrigger, AutoSwitchTriggerPayload>
{
public:
    using PayloadRequest::PayloadRequest;
};
class ResponseGetAutoSwitchTrigger final : public PayloadResponse<AutoSwitchTriggerPayload>
{};

// The AGC record on the wire. The mode and the two enable bytes go out as 1
// or 0 and count as set only when the device sends exactly 1.
struct AGCPayload {
    static constexpr int kSize = 30;
    AGCParam param;
    template <class S, class F>
    static void Fields(S &s, F &&f)
    {
        f(0, 1, s.param.gainControlMode);
        f(1, 4, s.param.manualGain);
        for (int k = 0; k < kAudioChannels; ++k) {
            f(5 + k, 1, s.param.channelMode[k]);
        }
        f(21, 1, s.param.loudnessSource);
        f(22, 1, s.param.targetLevel);
        f(23, 1, s.param.upperThreshold);
        f(24, 1, s.param.lowerThreshold);
        f(25, 1, s.param.gainRatio);
        f(26, 1, s.param.noiseThreshold);
        f(27, 1, s.param.outputLimitThreshold);
        f(28, 1, s.param.frequencyCompensation);
        f(29, 1, s.param.stereoMode);
    }
    void Write(quint8 *out) const;
    void Read(const quint8 *in);
};
class RequestSetAGCParam final : public PayloadRequest<kMsgSetAGCParam, AGCPayload>
{
public:
    using PayloadRequest::PayloadRequest;
};
class ResponseGetAGCParam final : public PayloadResponse<AGCPayload>
{};

// The port is the one field of the protocol that goes least significant byte first.
struct NotificationDestPayload : TablePayload<NotificationDestPayload> {
    static constexpr int kSize = 12;
    quint32 ip[2] = {0, 0};
    LittleEndianPort port[2];
    template <class S, class F>
    static void Fields(S &s, F &&f)
    {
        for (int d = 0; d < 2; ++d) {
            f(6 * d, 4, s.ip[d]);
            f(6 * d + 4, 2, s.port[d]);
        }
    }
};
class RequestSetNotificationDest final
    : public PayloadRequest<kMsgSetNotificationDest, NotificationDestPayload>
{
public:
    using PayloadRequest::PayloadRequest;
};
class ResponseGetNotificationDest final : public PayloadResponse<NotificationDestPayload>
{};

struct TrapIpPayload : TablePayload<TrapIpPayload> {
    static constexpr int kSize = 8;
    quint32 ip[2] = {0, 0};
    template <class S, class F>
    static void Fields(S &s, F &&f)
    {
        f(0, 4, s.ip[0]);
        f(4, 4, s.ip[1]);
    }
};
class ResponseGetTrapIp final : public PayloadResponse<TrapIpPayload>
{};
