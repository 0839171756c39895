#include "DeviceResponder.h"

#include "ByteOrder.h"
#include "Message.h"

namespace {
// Appends big-endian fields to an answer.
struct Out {
    QByteArray &bytes;
    void U8(quint32 v) { bytes.append(static_cast<char>(v & 0xFF)); }
    void U16(quint32 v)
    {
        quint8 t[2];
        WriteU16(t, static_cast<quint16>(v));
        bytes.append(reinterpret_cast<const char *>(t), 2);
    }
    void U32(quint32 v)
    {
        quint8 t[4];
        WriteU32(t, v);
        bytes.append(reinterpret_cast<const char *>(t), 4);
    }
    void Raw(const quint8 *p, int n) { bytes.append(reinterpret_cast<const char *>(p), n); }
};

// Reads big-endian fields of a request in order; reading past the end fails.
struct In {
    const quint8 *p;
    int size;
    int at = 0;
    bool ok = true;
    bool Take(int n)
    {
        if (at + n > size) {
            ok = false;
            return false;
        }
        at += n;
        return true;
    }
    quint8 U8() { return Take(1) ? p[at - 1] : 0; }
    quint16 U16() { return Take(2) ? ReadU16(p + at - 2) : 0; }
    quint32 U32() { return Take(4) ? ReadU32(p + at - 4) : 0; }
    // A length byte and that many bytes of text.
    QByteArray Text()
    {
        const int n = U8();
        const int start = at;
        return Take(n) ? QByteArray(reinterpret_cast<const char *>(p + start), n) : QByteArray();
    }
};

constexpr quint32 kOk = kResultSuccess;
constexpr quint32 kFail = kResultFailed;
constexpr quint32 kFormat = kResultMsgFormatWrong;
constexpr quint32 kUnsupported = kResultUnsupportedMsg;

// The fixed payload size of each request the device accepts with a payload.
int SetPayloadSize(quint16 type)
{
    switch (type) {
        case kMsgSetNetParam:
            return 12;
        case kMsgSetPhase:
            return 10;
        case kMsgSetGPIOTriggerMode:
        case kMsgSetPGMOutputSelect:
        case kMsgSetAutoSwitchMethod:
        case kMsgSetPhaseAutoAlign:
            return 2;
        case kMsgSetDetectionParam:
            return 99;
        case kMsgSetSystemAlarmParam:
        case kMsgSetRelayControl:
            return 4;
        case kMsgSetAudioEffect:
            return 11;
        case kMsgSetAUXOutputSelect:
        case kMsgManualReturn:
        case kMsgAlignPhase:
            return 1;
        case kMsgSetAutoSwitchTrigger:
            return 36;
        case kMsgSetAGCParam:
            return 30;
        case kMsgSetNotificationDest:
            return 12;
        default:
            return -1;
    }
}

bool IsGet(quint16 type)
{
    switch (type) {
        case kMsgGetWorkMode:
        case kMsgGetProductInfo:
        case kMsgGetMacAddress:
        case kMsgGetVersion:
        case kMsgGetNetParam:
        case kMsgGetRemoteControlEnabled:
        case kMsgGetInputState:
        case kMsgGetGPIOState:
        case kMsgGetPhase:
        case kMsgGetGPIOTriggerMode:
        case kMsgGetDetectionParam:
        case kMsgGetSystemAlarmParam:
        case kMsgGetAlarmInfo:
        case kMsgGetAudioEffect:
        case kMsgGetPGMOutputSelect:
        case kMsgGetAUXOutputSelect:
        case kMsgGetRelayControl:
        case kMsgGetAutoSwitchMethod:
        case kMsgGetAutoSwitchTrigger:
        case kMsgGetAGCParam:
        case kMsgGetAudioLevel:
        case kMsgGetNotificationDest:
        case kMsgGetTrapIp:
        case kMsgGetPhaseAutoAlign:
            return true;
        default:
            return false;
    }
}

void ReadDetection(In &in, DetectionParam &d)
{
    d.lostEnable = in.U8();
    d.lostTriggerTime = in.U32();
    d.lostClearTime = in.U32();
    d.formatEnable = in.U8();
    d.formatTriggerTime = in.U32();
    d.formatClearTime = in.U32();
    d.syncEnable = in.U8();
    d.syncTriggerTime = in.U32();
    d.syncClearTime = in.U32();
    d.blackEnable = in.U8();
    d.blackValue1 = in.U16();
    d.blackValue2 = in.U16();
    d.blackValue3 = in.U16();
    d.blackTriggerTime = in.U32();
    d.blackClearTime = in.U32();
    d.blackRegionEnable = in.U8();
    d.blackRegionLeft = in.U16();
    d.blackRegionRight = in.U16();
    d.blackRegionTop = in.U16();
    d.blackRegionBottom = in.U16();
    d.blackRegionInvert = in.U8();
    d.freezeEnable = in.U8();
    d.freezeValue1 = in.U16();
    d.freezeValue2 = in.U8();
    d.freezeTriggerTime = in.U32();
    d.freezeClearTime = in.U32();
    d.freezeRegionEnable = in.U8();
    d.freezeRegionLeft = in.U16();
    d.freezeRegionRight = in.U16();
    d.freezeRegionTop = in.U16();
    d.freezeRegionBottom = in.U16();
    d.freezeRegionInvert = in.U8();
    d.audioLostChannels = in.U16();
    d.audioLostTriggerTime = in.U32();
    d.audioLostClearTime = in.U32();
    d.audioSilentChannels = in.U16();
    d.audioSilentThreshold = static_cast<qint32>(in.U32());
    d.audioSilentTriggerTime = in.U32();
    d.audioSilentClearTime = in.U32();
}

void WriteDetection(Out &out, const DetectionParam &d)
{
    out.U8(d.lostEnable);
    out.U32(d.lostTriggerTime);
    out.U32(d.lostClearTime);
    out.U8(d.formatEnable);
    out.U32(d.formatTriggerTime);
    out.U32(d.formatClearTime);
    out.U8(d.syncEnable);
    out.U32(d.syncTriggerTime);
    out.U32(d.syncClearTime);
    out.U8(d.blackEnable);
    out.U16(d.blackValue1);
    out.U16(d.blackValue2);
    out.U16(d.blackValue3);
    out.U32(d.blackTriggerTime);
    out.U32(d.blackClearTime);
    out.U8(d.blackRegionEnable);
    out.U16(d.blackRegionLeft);
    out.U16(d.blackRegionRight);
    out.U16(d.blackRegionTop);
    out.U16(d.blackRegionBottom);
    out.U8(d.blackRegionInvert);
    out.U8(d.freezeEnable);
    out.U16(d.freezeValue1);
    out.U8(d.freezeValue2);
    out.U32(d.freezeTriggerTime);
    out.U32(d.freezeClearTime);
    out.U8(d.freezeRegionEnable);
    out.U16(d.freezeRegionLeft);
    out.U16(d.freezeRegionRight);
    out.U16(d.freezeRegionTop);
    out.U16(d.freezeRegionBottom);
    out.U8(d.freezeRegionInvert);
    out.U16(d.audioLostChannels);
    out.U32(d.audioLostTriggerTime);
    out.U32(d.audioLostClearTime);
    out.U16(d.audioSilentChannels);
    out.U32(static_cast<quint32>(d.audioSilentThreshold));
    out.U32(d.audioSilentTriggerTime);
    out.U32(d.audioSilentClearTime);
}
}  // namespace

QByteArray DeviceFrame(quint16 type, quint32 result, quint16 sequence, const QByteArray &payload)
{
    QByteArray frame;
    frame.reserve(payload.size() + Frame::kMinSize);
    Out out{frame};
    out.U16(static_cast<quint32>(payload.size() + Frame::kHeaderSize - 1));
    out.U8(Frame::kVersion);
    out.U16(type);
    out.U32(result);
    out.U16(sequence);
    frame.append(payload);
    const quint8 sum = ByteSum(reinterpret_cast<const quint8 *>(frame.constData()), frame.size());
    out.U8(static_cast<quint8>(~sum));
    return frame;
}

void DeviceResponder::Reject(quint16 type, quint32 result)
{
    if (result == 0) {
        m_rejects.erase(type);
    } else {
        m_rejects[type] = result;
    }
}

bool DeviceResponder::Answer(const quint8 *request, int size, QByteArray *answer,
                             std::vector<SimNotification> *notes)
{
    // A datagram that fails its checksum could be anyone's: no answer.
    if (size < Frame::kMinSize || size > Frame::kMaxSize || ByteSum(request, size) != 0xFF) {
        return false;
    }
    const quint16 length = ReadU16(request + Frame::kLengthOffset);
    const quint8 version = request[Frame::kVersionOffset];
    const quint16 type = ReadU16(request + Frame::kTypeOffset);
    const quint32 loginId = ReadU32(request + Frame::kLoginIdOffset);
    const quint16 sequence = ReadU16(request + Frame::kSequenceOffset);

    QByteArray payload;
    quint32 result = kOk;
    if (length != size - 2) {
        result = kFormat;
    } else if (version != Frame::kVersion) {
        result = kResultUnsupportedMsgVersion;
    } else if (m_rejects.count(type)) {
        result = m_rejects[type];
    } else if (m_model.workMode == 0 && type != kMsgGetWorkMode && type != kMsgGetProductInfo &&
               type != kMsgGetVersion) {
        result = kUnsupported;  // the update loader knows only these
    } else if (type == kMsgAuthentication) {
        result = Authenticate(request + Frame::kHeaderSize, size - Frame::kMinSize, &payload);
    } else if ((m_loginId == 0 || loginId != m_loginId) &&
               !(type == kMsgGetWorkMode && loginId == 0) &&
               (IsGet(type) || SetPayloadSize(type) >= 0 || type == kMsgModifyPassword)) {
        // Work mode is open to a request without a login (the tool asks it
        // before it logs in); anything carrying a stale login is refused.
        result = kResultAuthenticationTimeout;
    } else {
        result =
            Dispatch(type, request + Frame::kHeaderSize, size - Frame::kMinSize, &payload, notes);
    }
    if (result != kOk) {
        payload.clear();
    }
    *answer = DeviceFrame(type, result, sequence, payload);
    return true;
}

quint32 DeviceResponder::Authenticate(const quint8 *payload, int payloadSize, QByteArray *out)
{
    In in{payload, payloadSize};
    const QByteArray user = in.Text();
    const QByteArray password = in.Text();
    if (!in.ok || in.at != payloadSize) {
        return kFormat;
    }
    const int index = user == "admin" ? 0 : user == "guest" ? 1 : -1;
    if (index < 0 || password != m_model.passwords[index]) {
        return kResultAuthenticationFailed;
    }
    quint32 id = 0;
    while (id == 0 || id == m_loginId) {
        id = static_cast<quint32>(m_random());
    }
    m_loginId = id;
    m_user = index;
    Out{*out}.U32(id);
    return kOk;
}

quint32 DeviceResponder::Dispatch(quint16 type, const quint8 *payload, int payloadSize,
                                  QByteArray *out, std::vector<SimNotification> *notes)
{
    if (IsGet(type)) {
        quint32 result = kOk;
        WriteGet(type, payload, payloadSize, out, &result);
        return result;
    }
    if (type == kMsgModifyPassword || SetPayloadSize(type) >= 0) {
        if (m_user != 0) {
            return kFail;  // a guest may look but not touch
        }
        return ApplySet(type, payload, payloadSize, notes);
    }
    return kUnsupported;
}

quint32 DeviceResponder::ApplySet(quint16 type, const quint8 *payload, int payloadSize,
                                  std::vector<SimNotification> *notes)
{
    DeviceModel &m = m_model;
    if (type == kMsgModifyPassword) {
        In in{payload, payloadSize};
        const QByteArray user = in.Text();
        const QByteArray password = in.Text();
        if (!in.ok || in.at != payloadSize) {
            return kFormat;
        }
        const int index = user == "admin" ? 0 : user == "guest" ? 1 : -1;
        if (index < 0) {
            return kFail;
        }
        m.passwords[index] = password;
        return kOk;
    }
    if (payloadSize != SetPayloadSize(type)) {
        return kFormat;
    }
    In in{payload, payloadSize};
    switch (type) {
        case kMsgSetNetParam: {
            const quint32 ip = in.U32();
            const quint32 mask = in.U32();
            const quint32 gateway = in.U32();
            if (ip == 0 || ip == 0xFFFFFFFF) {
                return kFail;
            }
            m.ip = ip;
            m.mask = mask;
            m.gateway = gateway;
            m.isDefault = 0;
            return kOk;
        }
        case kMsgSetPhase: {
            quint16 line[2], pixel[2];
            quint8 mode[2];
            for (int g = 0; g < 2; ++g) {
                line[g] = in.U16();
                pixel[g] = in.U16();
                mode[g] = in.U8();
                if (mode[g] > 1 && mode[g] != 255) {
                    return kFail;
                }
            }
            // A group sent with clocking mode 255 is one the sender did not address.
            for (int g = 0; g < 2; ++g) {
                if (mode[g] != 255) {
                    m.delayLine[g] = line[g];
                    m.delayPixel[g] = pixel[g];
                    m.clockingMode[g] = mode[g];
                }
            }
            break;
        }
        case kMsgSetGPIOTriggerMode: {
            const quint8 gpi = in.U8();
            const quint8 gpo = in.U8();
            if ((gpi > 1 && gpi != 255) || (gpo > 1 && gpo != 255)) {
                return kFail;
            }
            m.gpiMode = gpi == 255 ? m.gpiMode : gpi;
            m.gpoMode = gpo == 255 ? m.gpoMode : gpo;
            return kOk;
        }
        case kMsgSetDetectionParam: {
            const quint8 input = in.U8();
            if (input >= kInputCount) {
                return kFail;
            }
            ReadDetection(in, m.detection[input]);
            break;
        }
        case kMsgSetSystemAlarmParam:
            // Kept whole: bits 17-31 mean nothing to this firmware, but a
            // later one may use them, and the tool must send them back.
            m.systemEnable = in.U32();
            break;
        case kMsgSetAudioEffect: {
            quint8 enable[2];
            quint32 duration[2];
            for (int g = 0; g < 2; ++g) {
                enable[g] = in.U8();
                duration[g] = in.U32();
            }
            const quint8 duplication = in.U8();
            if (duplication > 3) {
                return kFail;
            }
            for (int g = 0; g < 2; ++g) {
                m.fadingEnable[g] = enable[g] ? 1 : 0;
                m.fadingDuration[g] = duration[g];
            }
            m.duplication = duplication;
            return kOk;
        }
        case kMsgSetPGMOutputSelect: {
            const quint8 a = in.U8();
            const quint8 b = in.U8();
            const quint8 limit = m.IsDual() ? 2 : 4;
            if ((a >= limit && a != 255) || (b >= limit && b != 255)) {
                return kFail;
            }
            m.pgm[0] = a;
            m.pgm[1] = b;
            break;
        }
        case kMsgSetAUXOutputSelect: {
            const quint8 source = in.U8();
            if (source > 4 && source != 255) {
                return kFail;
            }
            m.aux = source;
            return kOk;
        }
        case kMsgSetRelayControl:
            for (int g = 0; g < 2; ++g) {
                m.relayManual[g] = in.U8() ? 1 : 0;
                m.bypassProtect[g] = in.U8() ? 1 : 0;
            }
            break;
        case kMsgSetAutoSwitchMethod: {
            const quint8 a = in.U8();
            const quint8 b = in.U8();
            for (quint8 v : {a, b}) {
                if (v != 1 && v != 2 && v != 255) {
                    return kFail;
                }
            }
            m.returnMethod[0] = a == 255 ? m.returnMethod[0] : a;
            m.returnMethod[1] = b == 255 ? m.returnMethod[1] : b;
            break;
        }
        case kMsgSetAutoSwitchTrigger: {
            alarmTrigger entries[kInputCount];
            for (alarmTrigger &t : entries) {
                t.VideoAlarmMask = in.U32();
                t.AudioLostAlarmMask = in.U16();
                t.AudioSilentAlarmMask = in.U16();
                t.TriggerCombination = in.U8();
                if (t.TriggerCombination > 2 && t.TriggerCombination != 255) {
                    return kFail;
                }
            }
            std::copy(entries, entries + kInputCount, m.triggers);
            break;
        }
        case kMsgManualReturn:
            if (!m.ManualReturn(in.U8())) {
                return kFail;
            }
            break;
        case kMsgSetAGCParam: {
            if (!m.HasAGC()) {
                return kUnsupported;
            }
            AGCParam p;
            p.gainControlMode = in.U8();
            p.manualGain = static_cast<qint32>(in.U32());
            for (quint32 &mode : p.channelMode) {
                mode = in.U8();
                if (mode > 2) {
                    return kFail;
                }
            }
            p.loudnessSource = in.U8();
            p.targetLevel = in.U8();
            p.upperThreshold = in.U8();
            p.lowerThreshold = in.U8();
            p.gainRatio = in.U8();
            p.noiseThreshold = in.U8();
            p.outputLimitThreshold = in.U8();
            p.frequencyCompensation = in.U8();
            p.stereoMode = in.U8();
            if (p.gainControlMode > 1 || p.manualGain < -40 || p.manualGain > 40) {
                return kFail;
            }
            m.agc = p;
            return kOk;
        }
        case kMsgSetNotificationDest:
            for (int d = 0; d < 2; ++d) {
                m.notifyIp[d] = in.U32();
                const quint8 low = in.U8();
                const quint8 high = in.U8();
                m.notifyPort[d] = static_cast<quint16>(low | (high << 8));
            }
            return kOk;
        case kMsgSetPhaseAutoAlign:
            m.followGenlock[0] = in.U8();
            m.followGenlock[1] = in.U8();
            return kOk;
        case kMsgAlignPhase: {
            const quint8 group = in.U8();
            if (group >= kGroupCount) {
                return kFail;
            }
            if (group < m.GroupCount()) {
                for (int input : m.InputsOf(group)) {
                    m.phaseLine[input] = 0;
                    m.phasePixel[input] = 0;
                }
            }
            return kOk;
        }
        default:
            return kUnsupported;
    }
    const std::vector<SimNotification> changes = m.Update();
    if (notes) {
        notes->insert(notes->end(), changes.begin(), changes.end());
    }
    return kOk;
}

void DeviceResponder::WriteGet(quint16 type, const quint8 *payload, int payloadSize,
                               QByteArray *bytes, quint32 *result)
{
    const DeviceModel &m = m_model;
    Out out{*bytes};
    switch (type) {
        case kMsgGetWorkMode:
            out.U8(m.workMode);
            out.U8(m.workMode);
            break;
        case kMsgGetProductInfo:
            out.U32(m.productCode);
            out.Raw(m.serial, 8);
            out.Raw(m.extra, 8);
            break;
        case kMsgGetMacAddress: {
            const quint8 mac[6] = {0x02,        0x51, 0x56, quint8(m.ip >> 16), quint8(m.ip >> 8),
                                   quint8(m.ip)};
            out.Raw(mac, 6);
            break;
        }
        case kMsgGetVersion:
            out.U32(m.pcb);
            out.U32(m.fpga);
            out.U32(m.firmware);
            break;
        case kMsgGetNetParam:
            out.U32(m.ip);
            out.U32(m.mask);
            out.U32(m.gateway);
            out.U8(m.isDefault);
            break;
        case kMsgGetRemoteControlEnabled:
            out.U8(1);
            break;
        case kMsgGetInputState:
            // A signal that goes away leaves its last standard in the answer:
            // only the present flag says it is gone.
            out.U8(m.genlockPresent ? 1 : 0);
            out.U32(m.genlockStandard);
            for (int i = 0; i < kInputCount; ++i) {
                out.U8(m.present[i] ? 1 : 0);
                out.U32(m.standard[i]);
            }
            break;
        case kMsgGetGPIOState:
            out.U8(m.gpiLevels);
            out.U8(m.gpoLevels);
            break;
        case kMsgGetPhase:
            for (int i = 0; i < kInputCount; ++i) {
                out.U16(m.phaseLine[i]);
                out.U16(m.phasePixel[i]);
                out.U8(m.PhaseState(i));
            }
            for (int g = 0; g < kGroupCount; ++g) {
                out.U16(m.delayLine[g]);
                out.U16(m.delayPixel[g]);
                out.U8(m.clockingMode[g]);
                out.U8(m.locked[g] ? 1 : 0);
            }
            break;
        case kMsgGetGPIOTriggerMode:
            out.U8(m.gpiMode);
            out.U8(m.gpoMode);
            break;
        case kMsgGetDetectionParam: {
            In in{payload, payloadSize};
            const quint8 input = in.U8();
            if (!in.ok || input >= kInputCount) {
                *result = in.ok ? kFail : kFormat;
                return;
            }
            WriteDetection(out, m.detection[input]);
            break;
        }
        case kMsgGetSystemAlarmParam:
            out.U32(m.systemEnable);
            break;
        case kMsgGetAlarmInfo:
            for (int i = 0; i < kInputCount; ++i) {
                out.U32(m.video[i]);
                out.U16(m.audioLost[i]);
                out.U16(m.audioSilent[i]);
            }
            out.U32(m.system);
            out.U8(0);
            break;
        case kMsgGetAudioEffect:
            for (int g = 0; g < kGroupCount; ++g) {
                out.U8(m.fadingEnable[g]);
                out.U32(m.fadingDuration[g]);
            }
            out.U8(m.duplication);
            break;
        case kMsgGetPGMOutputSelect:
            out.U8(m.pgm[0]);
            out.U8(m.pgm[1]);
            break;
        case kMsgGetAUXOutputSelect:
            out.U8(m.aux);
            break;
        case kMsgGetRelayControl:
            for (int g = 0; g < kGroupCount; ++g) {
                out.U8(m.relayManual[g]);
                out.U8(m.bypassProtect[g]);
            }
            break;
        case kMsgGetAutoSwitchMethod:
            out.U8(m.returnMethod[0]);
            out.U8(m.returnMethod[1]);
            break;
        case kMsgGetAutoSwitchTrigger:
            for (const alarmTrigger &t : m.triggers) {
                out.U32(t.VideoAlarmMask);
                out.U16(t.AudioLostAlarmMask);
                out.U16(t.AudioSilentAlarmMask);
                out.U8(t.TriggerCombination);
            }
            break;
        case kMsgGetAGCParam: {
            if (!m.HasAGC()) {
                *result = kUnsupported;
                return;
            }
            const AGCParam &p = m.agc;
            out.U8(p.gainControlMode);
            out.U32(static_cast<quint32>(p.manualGain));
            for (quint32 mode : p.channelMode) {
                out.U8(mode);
            }
            out.U8(p.loudnessSource);
            out.U8(p.targetLevel);
            out.U8(p.upperThreshold);
            out.U8(p.lowerThreshold);
            out.U8(p.gainRatio);
            out.U8(p.noiseThreshold);
            out.U8(p.outputLimitThreshold);
            out.U8(p.frequencyCompensation);
            out.U8(p.stereoMode);
            break;
        }
        case kMsgGetAudioLevel:
            out.Raw(m.levelsIn, kAudioChannels);
            out.Raw(m.levelsOut, kAudioChannels);
            break;
        case kMsgGetNotificationDest:
            for (int d = 0; d < 2; ++d) {
                out.U32(m.notifyIp[d]);
                // The port goes low byte first, unlike everything else.
                out.U8(m.notifyPort[d] & 0xFF);
                out.U8(m.notifyPort[d] >> 8);
            }
            break;
        case kMsgGetTrapIp:
            out.U32(m.notifyIp[0]);
            out.U32(m.notifyIp[1]);
            break;
        case kMsgGetPhaseAutoAlign:
            out.U8(m.followGenlock[0]);
            out.U8(m.followGenlock[1]);
            break;
        default:
            *result = kUnsupported;
            break;
    }
}
