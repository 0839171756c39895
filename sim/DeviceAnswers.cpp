// The simulated device's answers to the Get requests: its state written as
// the device writes it, by hand, so that the golden datagrams check both
// sides.

#include "DeviceResponder.h"
#include "DeviceWire.h"

using namespace DeviceWire;

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
