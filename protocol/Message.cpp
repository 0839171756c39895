#include "Message.h"

int RequestMsg::Serialize(const quint8 **data)
{
    const int payloadLength = PayloadLength();
    if (payloadLength < 0 || payloadLength > Frame::kMaxPayload || !CanSerialize()) {
        return -1;
    }
    length = static_cast<quint16>(payloadLength + Frame::kHeaderSize - 1);
    WriteU16(m_buffer + Frame::kLengthOffset, length);
    m_buffer[Frame::kVersionOffset] = version;
    WriteU16(m_buffer + Frame::kTypeOffset, type);
    WriteU32(m_buffer + Frame::kLoginIdOffset, loginId);
    WriteU16(m_buffer + Frame::kSequenceOffset, sequence);
    SerializePayload(m_buffer + Frame::kHeaderSize);
    const int checksumOffset = Frame::kHeaderSize + payloadLength;
    m_buffer[checksumOffset] = static_cast<quint8>(~ByteSum(m_buffer, checksumOffset));
    if (data) {
        *data = m_buffer;
    }
    return checksumOffset + 1;
}

int ResponseMsg::Parse(const quint8 *bytes, int size)
{
    // Anything shorter than a header and its checksum is not a datagram of
    // this protocol, whatever its bytes happen to sum to.
    if (bytes == nullptr || size < Frame::kMinSize || size > Frame::kMaxSize) {
        return -1;
    }
    if (ByteSum(bytes, size) != 0xFF) {
        return -1;
    }
    std::memcpy(m_buffer, bytes, static_cast<size_t>(size));
    m_size = size;
    length = ReadU16(m_buffer + Frame::kLengthOffset);
    version = m_buffer[Frame::kVersionOffset];
    type = ReadU16(m_buffer + Frame::kTypeOffset);
    result = ReadU32(m_buffer + Frame::kLoginIdOffset);
    sequence = ReadU16(m_buffer + Frame::kSequenceOffset);
    if (length != size - 2 || version != Frame::kVersion) {
        return -1;
    }
    if (result == kResultSuccess) {
        // The payload parsers read fixed offsets: hand them the payload alone,
        // zero-filled, so that a short payload never reads its checksum byte.
        quint8 payload[Frame::kMaxPayload] = {};
        std::memcpy(payload, m_buffer + Frame::kHeaderSize,
                    static_cast<size_t>(size - Frame::kMinSize));
        ParsePayload(payload);
    }
    return 0;
}

QString MessageName(int typeCode)
{
    switch (typeCode) {
        case kMsgHello:
            return QStringLiteral("Hello");
        case kMsgAuthentication:
            return QStringLiteral("Authentication");
        case kMsgGetWorkMode:
            return QStringLiteral("GetWorkMode");
        case kMsgSetProductInfo:
            return QStringLiteral("SetProductInfo");
        case kMsgGetProductInfo:
            return QStringLiteral("GetProductInfo");
        case kMsgGetVersion:
            return QStringLiteral("GetVersion");
        case kMsgGetDetectionParam:
            return QStringLiteral("GetDetectionParam");
        default:
            return QString();
    }
}

QString ResultName(quint32 code)
{
    switch (code) {
        case kResultFailed:
            return QStringLiteral("Failed");
        case kResultMsgFormatWrong:
            return QStringLiteral("MsgFormatWrong");
        case kResultUnsupportedMsgVersion:
            return QStringLiteral("UnsupportedMsgVersion");
        case kResultUnsupportedMsg:
            return QStringLiteral("UnsupportedMsg");
        case kResultAuthenticationFailed:
            return QStringLiteral("AuthenticationFailed");
        case kResultAuthenticationTimeout:
            return QStringLiteral("AuthenticationTimeout");
        default:
            return QString();
    }
}
