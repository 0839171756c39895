#pragma once

// The device side of the wire, shared by the simulator's Set handling and
// its answers: big-endian fields in and out, and the detection block.

#include "ByteOrder.h"
#include "DeviceTypes.h"
#include "Message.h"

#include <QByteArray>

namespace DeviceWire {

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

inline void ReadDetection(In &in, DetectionParam &d)
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

inline void WriteDetection(Out &out, const DetectionParam &d)
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

}  // namespace DeviceWire
