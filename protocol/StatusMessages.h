#pragma once

#include "DeviceTypes.h"
#include "Message.h"

// Read-only live state: signals, GPIO levels, alarms, audio levels.

struct InputStatePayload : TablePayload<InputStatePayload> {
    static constexpr int kSize = 25;
    quint8 genlockPresent = 0;
    VideoStandard genlockStandard = kNoSignal;
    quint8 present[kInputCount] = {0, 0, 0, 0};
    VideoStandard standard[kInputCount] = {kNoSignal, kNoSignal, kNoSignal, kNoSignal};
    template <class S, class F>
    static void Fields(S &s, F &&f)
    {
        f(0, 1, s.genlockPresent);
        f(1, 4, s.genlockStandard);
        for (int i = 0; i < kInputCount; ++i) {
            f(5 + 5 * i, 1, s.present[i]);
            f(6 + 5 * i, 4, s.standard[i]);
        }
    }
};
class ResponseGetInputState final : public PayloadResponse<InputStatePayload>
{};

// Bit i: GPI (GPO) point i+1 active.
struct GPIOStatePayload : TablePayload<GPIOStatePayload> {
    static constexpr int kSize = 2;
    quint8 gpiStatus = 0;
    quint8 gpoStatus = 0;
    template <class S, class F>
    static void Fields(S &s, F &&f)
    {
        f(0, 1, s.gpiStatus);
        f(1, 1, s.gpoStatus);
    }
};
class ResponseGetGPIOState final : public PayloadResponse<GPIOStatePayload>
{};

struct AlarmInfoPayload : TablePayload<AlarmInfoPayload> {
    static constexpr int kSize = 37;
    AlarmType video[kInputCount] = {0, 0, 0, 0};
    quint16 audioLost[kInputCount] = {0, 0, 0, 0};
    quint16 audioSilent[kInputCount] = {0, 0, 0, 0};
    SystemAlarm system = 0;
    quint8 flag = 0;
    template <class S, class F>
    static void Fields(S &s, F &&f)
    {
        for (int i = 0; i < kInputCount; ++i) {
            f(8 * i, 4, s.video[i]);
            f(8 * i + 4, 2, s.audioLost[i]);
            f(8 * i + 6, 2, s.audioSilent[i]);
        }
        f(32, 4, s.system);
        f(36, 1, s.flag);
    }
};
class ResponseGetAlarmInfo final : public PayloadResponse<AlarmInfoPayload>
{};

// One byte per channel: attenuation in dB below full scale.
struct AudioLevelPayload : TablePayload<AudioLevelPayload> {
    static constexpr int kSize = 32;
    quint16 inputLevel[kAudioChannels] = {};
    quint16 outputLevel[kAudioChannels] = {};
    template <class S, class F>
    static void Fields(S &s, F &&f)
    {
        for (int k = 0; k < kAudioChannels; ++k) {
            f(k, 1, s.inputLevel[k]);
            f(kAudioChannels + k, 1, s.outputLevel[k]);
        }
    }
};
class ResponseGetAudioLevel final : public PayloadResponse<AudioLevelPayload>
{};

struct RemoteControlPayload : TablePayload<RemoteControlPayload> {
    static constexpr int kSize = 1;
    quint8 enabled = 0;
    template <class S, class F>
    static void Fields(S &s, F &&f)
    {
        f(0, 1, s.enabled);
    }
};
class ResponseGetRemoteControlEnabled final : public PayloadResponse<RemoteControlPayload>
{};
