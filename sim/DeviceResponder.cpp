#include "DeviceResponder.h"

#include "DeviceWire.h"

using namespace DeviceWire;

namespace {

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
    const int index = UserIndex(QString::fromLatin1(user));
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
        const int index = UserIndex(QString::fromLatin1(user));
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
