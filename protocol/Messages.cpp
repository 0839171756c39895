#include "ConfigMessages.h"
#include "IdentityMessages.h"
#include "StatusMessages.h"

void CredentialsRequest::SerializePayload(quint8 *payload) const
{
    int at = 0;
    for (const QByteArray *text : {&user, &password}) {
        payload[at++] = static_cast<quint8>(text->size());
        std::memcpy(payload + at, text->constData(), static_cast<size_t>(text->size()));
        at += text->size();
    }
}

void AGCPayload::Write(quint8 *out) const
{
    AGCPayload wire = *this;
    wire.param.gainControlMode = param.gainControlMode ? 1 : 0;
    wire.param.frequencyCompensation = param.frequencyCompensation ? 1 : 0;
    wire.param.stereoMode = param.stereoMode ? 1 : 0;
    Fields(wire, FieldWriter{out});
}

void AGCPayload::Read(const quint8 *in)
{
    Fields(*this, FieldReader{in});
    param.gainControlMode = param.gainControlMode == 1 ? 1 : 0;
    param.frequencyCompensation = param.frequencyCompensation == 1 ? 1 : 0;
    param.stereoMode = param.stereoMode == 1 ? 1 : 0;
}

bool operator==(const DetectionParam &a, const DetectionParam &b)
{
    quint8 left[DetectionParam::kSize] = {};
    quint8 right[DetectionParam::kSize] = {};
    DetectionParam::Fields(a, FieldWriter{left});
    DetectionParam::Fields(b, FieldWriter{right});
    return std::memcmp(left, right, sizeof left) == 0;
}

bool operator==(const AGCParam &a, const AGCParam &b)
{
    quint8 left[AGCPayload::kSize] = {};
    quint8 right[AGCPayload::kSize] = {};
    AGCPayload pa, pb;
    pa.param = a;
    pb.param = b;
    AGCPayload::Fields(pa, FieldWriter{left});
    AGCPayload::Fields(pb, FieldWriter{right});
    return std::memcmp(left, right, sizeof left) == 0;
}

namespace {
template <class T>
std::unique_ptr<ResponseMsg> Make()
{
    return std::make_unique<T>();
}
}  // namespace

std::unique_ptr<ResponseMsg> CreateResponse(int typeCode)
{
    switch (typeCode) {
        case -1:
        case kMsgHello:
        case kMsgSetProductInfo:
        case 7:
        case 9:
        case 11:
        case 14:
        case 15:
        case 16:
        case 17:
        case 19:
        case 20:
        case 21:
        case 22:
        case 24:
        case kMsgSetNetParam:
        case kMsgModifyPassword:
        case kMsgSetPhase:
        case kMsgSetGPIOTriggerMode:
        case kMsgSetDetectionParam:
        case kMsgSetSystemAlarmParam:
        case kMsgSetAudioEffect:
        case kMsgSetPGMOutputSelect:
        case kMsgSetAUXOutputSelect:
        case kMsgSetRelayControl:
        case kMsgSetAutoSwitchMethod:
        case kMsgSetAutoSwitchTrigger:
        case kMsgManualReturn:
        case kMsgSetAGCParam:
        case kMsgSetNotificationDest:
        case 58:
        case kMsgSetPhaseAutoAlign:
        case kMsgAlignPhase:
            return Make<SimpleResponse>();
        case kMsgAuthentication:
            return Make<ResponseAuthentication>();
        case kMsgGetWorkMode:
            return Make<ResponseGetWorkMode>();
        case kMsgGetProductInfo:
            return Make<ResponseGetProductInfo>();
        case kMsgGetEncryptionSeed:
            return Make<ResponseGetEncryptionSeed>();
        case kMsgGetEncryption:
            return Make<ResponseGetEncryption>();
        case kMsgGetMacAddress:
            return Make<ResponseGetMacAddress>();
        case kMsgGetHwTune:
            return Make<ResponseGetHwTune>();
        case kMsgGetSPIFlashInfo:
            return Make<ResponseGetSPIFlashInfo>();
        case kMsgGetMCUFlashInfo:
            return Make<ResponseGetMCUFlashInfo>();
        case kMsgGetVersion:
            return Make<ResponseGetVersion>();
        case kMsgGetNetParam:
            return Make<ResponseGetNetParam>();
        case kMsgGetRemoteControlEnabled:
            return Make<ResponseGetRemoteControlEnabled>();
        case kMsgGetInputState:
            return Make<ResponseGetInputState>();
        case kMsgGetGPIOState:
            return Make<ResponseGetGPIOState>();
        case kMsgGetPhase:
            return Make<ResponseGetPhase>();
        case kMsgGetGPIOTriggerMode:
            return Make<ResponseGetGPIOTriggerMode>();
        case kMsgGetDetectionParam:
            return Make<ResponseGetDetectionParam>();
        case kMsgGetSystemAlarmParam:
            return Make<ResponseGetSystemAlarmParam>();
        case kMsgGetAlarmInfo:
            return Make<ResponseGetAlarmInfo>();
        case kMsgGetAudioEffect:
            return Make<ResponseGetAudioEffect>();
        case kMsgGetPGMOutputSelect:
            return Make<ResponseGetPGMOutputSelect>();
        case kMsgGetAUXOutputSelect:
            return Make<ResponseGetAUXOutputSelect>();
        case kMsgGetRelayControl:
            return Make<ResponseGetRelayControl>();
        case kMsgGetAutoSwitchMethod:
            return Make<ResponseGetAutoSwitchMethod>();
        case kMsgGetAutoSwitchTrigger:
            return Make<ResponseGetAutoSwitchTrigger>();
        case kMsgGetAGCParam:
            return Make<ResponseGetAGCParam>();
        case kMsgGetAudioLevel:
            return Make<ResponseGetAudioLevel>();
        case kMsgGetNotificationDest:
            return Make<ResponseGetNotificationDest>();
        case kMsgGetTrapIp:
            return Make<ResponseGetTrapIp>();
        case kMsgGetPhaseAutoAlign:
            return Make<ResponseGetPhaseAutoAlign>();
        default:
            return nullptr;
    }
}

std::unique_ptr<ResponseMsg> CreateResponseFor(int requestType, const quint8 *bytes, int size)
{
    const bool success = size >= Frame::kMinSize && bytes != nullptr &&
                         ReadU32(bytes + Frame::kLoginIdOffset) == kResultSuccess;
    return CreateResponse(success ? requestType : -1);
}
