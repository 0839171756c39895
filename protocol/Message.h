#pragma once

#include "ByteOrder.h"

#include <QString>
#include <QtGlobal>

#include <array>
#include <cstring>
#include <memory>
#include <type_traits>

// Datagram framing shared by every request and response:
//   length(2) version(1) type(2) loginId-or-result(4) sequence(2) payload(N) checksum(1)
namespace Frame {
constexpr int kLengthOffset = 0;
constexpr int kVersionOffset = 2;
constexpr int kTypeOffset = 3;
constexpr int kLoginIdOffset = 5;  // the result code in a response
constexpr int kSequenceOffset = 9;
constexpr int kHeaderSize = 11;
constexpr int kMinSize = kHeaderSize + 1;  // header and checksum, no payload
constexpr int kMaxSize = 1040;
constexpr int kMaxPayload = kMaxSize - kMinSize;  // 1028
constexpr quint8 kVersion = 1;
}  // namespace Frame

constexpr quint16 kDevicePort = 33903;
constexpr int kDefaultReceiveTimeoutMs = 2000;

// Message type codes.
enum MessageType : quint16 {
    kMsgHello = 1,
    kMsgAuthentication = 2,
    kMsgGetWorkMode = 3,
    kMsgSetProductInfo = 4,
    kMsgGetProductInfo = 5,
    kMsgGetEncryptionSeed = 6,
    kMsgGetEncryption = 8,
    kMsgGetMacAddress = 10,
    kMsgGetHwTune = 12,
    kMsgGetSPIFlashInfo = 13,
    kMsgGetMCUFlashInfo = 18,
    kMsgGetVersion = 23,
    kMsgSetNetParam = 25,
    kMsgGetNetParam = 26,
    kMsgModifyPassword = 27,
    kMsgGetRemoteControlEnabled = 28,
    kMsgGetInputState = 29,
    kMsgGetGPIOState = 30,
    kMsgSetPhase = 31,
    kMsgGetPhase = 32,
    kMsgSetGPIOTriggerMode = 33,
    kMsgGetGPIOTriggerMode = 34,
    kMsgSetDetectionParam = 35,
    kMsgGetDetectionParam = 36,
    kMsgSetSystemAlarmParam = 37,
    kMsgGetSystemAlarmParam = 38,
    kMsgGetAlarmInfo = 39,
    kMsgSetAudioEffect = 40,
    kMsgGetAudioEffect = 41,
    kMsgSetPGMOutputSelect = 42,
    kMsgGetPGMOutputSelect = 43,
    kMsgSetAUXOutputSelect = 44,
    kMsgGetAUXOutputSelect = 45,
    kMsgSetRelayControl = 46,
    kMsgGetRelayControl = 47,
    kMsgSetAutoSwitchMethod = 48,
    kMsgGetAutoSwitchMethod = 49,
    kMsgSetAutoSwitchTrigger = 50,
    kMsgGetAutoSwitchTrigger = 51,
    kMsgManualReturn = 52,
    kMsgSetAGCParam = 53,
    kMsgGetAGCParam = 54,
    kMsgGetAudioLevel = 55,
    kMsgSetNotificationDest = 56,
    kMsgGetNotificationDest = 57,
    kMsgGetTrapIp = 59,
    kMsgSetPhaseAutoAlign = 66,
    kMsgGetPhaseAutoAlign = 67,
    kMsgAlignPhase = 68,
};

// Result codes of a response; 0 is success.
enum ResultCode : quint32 {
    kResultSuccess = 0,
    kResultFailed = 1,
    kResultMsgFormatWrong = 9,
    kResultUnsupportedMsgVersion = 10,
    kResultUnsupportedMsg = 11,
    kResultAuthenticationFailed = 12,
    kResultAuthenticationTimeout = 13,
};

// Texts for diagnostics; empty for codes without a name.
QString MessageName(int typeCode);
QString ResultName(quint32 code);

// Field visitors. A payload describes its layout once, as (offset, width, field)
// calls in a static Fields() function; these two walk it in either direction.
// A byte-swapped port and raw byte blocks have their own field types below.
struct LittleEndianPort {
    quint16 value = 0;
};

template <int N>
using RawBlock = std::array<quint8, N>;

struct FieldWriter {
    quint8 *out;
    template <class T>
    void operator()(int offset, int width, const T &field) const
    {
        static_assert(std::is_integral<T>::value || std::is_enum<T>::value, "integer field");
        WriteBigEndian(out + offset, width, static_cast<quint32>(field));
    }
    void operator()(int offset, int, const LittleEndianPort &port) const
    {
        out[offset] = static_cast<quint8>(port.value & 0xFFu);
        out[offset + 1] = static_cast<quint8>(port.value >> 8);
    }
    template <std::size_t N>
    void operator()(int offset, int, const std::array<quint8, N> &block) const
    {
        std::memcpy(out + offset, block.data(), N);
    }
};

struct FieldReader {
    const quint8 *in;
    template <class T>
    void operator()(int offset, int width, T &field) const
    {
        static_assert(std::is_integral<T>::value || std::is_enum<T>::value, "integer field");
        field = static_cast<T>(ReadBigEndian(in + offset, width));
    }
    void operator()(int offset, int, LittleEndianPort &port) const
    {
        port.value = static_cast<quint16>(in[offset] | (in[offset + 1] << 8));
    }
    template <std::size_t N>
    void operator()(int offset, int, std::array<quint8, N> &block) const
    {
        std::memcpy(block.data(), in + offset, N);
    }
};

// Base of every request. Subclasses set their type code and own their payload.
class RequestMsg
{
public:
    virtual ~RequestMsg() = default;

    // Milliseconds to wait for the response.
    virtual int ReceiveTimeout() const { return kDefaultReceiveTimeoutMs; }
    virtual int PayloadLength() const = 0;

    // Builds the datagram in the request's own buffer. Returns its size and
    // points `data` at it, or returns -1 when the request cannot be framed
    // (a payload too long for one datagram): nothing must be sent then.
    int Serialize(const quint8 **data);

    quint16 length = 0;
    quint8 version = Frame::kVersion;
    quint16 type = 65535;
    quint32 loginId = 0;
    quint16 sequence = 0;

protected:
    RequestMsg(quint16 typeCode, quint32 login, quint16 seq)
        : type(typeCode), loginId(login), sequence(seq)
    {}
    // Writes PayloadLength() bytes at `payload` (datagram offset 11).
    virtual void SerializePayload(quint8 *payload) const = 0;
    // False when the fields cannot be put on the wire as they are.
    virtual bool CanSerialize() const { return true; }

private:
    Q_DISABLE_COPY(RequestMsg)
    quint8 m_buffer[Frame::kMaxSize] = {};
};

// A request without payload; its type is given at construction.
class NoDataRequest : public RequestMsg
{
public:
    NoDataRequest(quint16 typeCode, quint32 login, quint16 seq) : RequestMsg(typeCode, login, seq)
    {}
    int PayloadLength() const override { return 0; }

protected:
    void SerializePayload(quint8 *) const override {}
};

// Every Get request without payload.
template <quint16 N>
class SimpleRequest final : public NoDataRequest
{
public:
    SimpleRequest(quint32 login, quint16 seq) : NoDataRequest(N, login, seq) {}
};

// A request whose payload is a fixed-size structure with a Fields() table,
// or with its own Write(); the payload's fields are the request's fields.
template <quint16 Code, class Payload>
class PayloadRequest : public RequestMsg, public Payload
{
public:
    PayloadRequest(quint32 login, quint16 seq) : RequestMsg(Code, login, seq) {}
    int PayloadLength() const override { return Payload::kSize; }

protected:
    void SerializePayload(quint8 *payload) const override { Payload::Write(payload); }
};

// Base of every response: the received bytes and the decoded header.
class ResponseMsg
{
public:
    ResponseMsg() = default;
    virtual ~ResponseMsg() = default;

    // Validates and decodes a received datagram: 0, or -1 when it is rejected.
    int Parse(const quint8 *bytes, int size);

    int Size() const { return m_size; }
    const quint8 *Bytes() const { return m_buffer; }

    quint16 length = 0;
    quint8 version = 0;
    quint16 type = 0;
    quint32 result = 0;
    quint16 sequence = 0;

protected:
    // Decodes the payload; called only when the result is 0. The buffer is
    // zero-filled, so a short payload reads its missing bytes as zero.
    virtual void ParsePayload(const quint8 *payload) = 0;

private:
    Q_DISABLE_COPY(ResponseMsg)
    quint8 m_buffer[Frame::kMaxSize] = {};
    int m_size = 0;
};

// Every Set response, and every response whose result is not 0.
class SimpleResponse final : public ResponseMsg
{
protected:
    void ParsePayload(const quint8 *) override {}
};

template <class Payload>
class PayloadResponse : public ResponseMsg, public Payload
{
protected:
    void ParsePayload(const quint8 *payload) override { Payload::Read(payload); }
};

// Gives a payload with a Fields() table its Write() and Read().
template <class Derived>
struct TablePayload {
    void Write(quint8 *out) const
    {
        Derived::Fields(static_cast<const Derived &>(*this), FieldWriter{out});
    }
    void Read(const quint8 *in) { Derived::Fields(static_cast<Derived &>(*this), FieldReader{in}); }
};

// The response class for a type code, or null for codes without one.
// -1 gives a SimpleResponse (used for every non-zero result).
std::unique_ptr<ResponseMsg> CreateResponse(int typeCode);

// The class a received datagram is parsed into: the request's own type when the
// result bytes are zero, else SimpleResponse.
std::unique_ptr<ResponseMsg> CreateResponseFor(int requestType, const quint8 *bytes, int size);
