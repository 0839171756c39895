#pragma once

#include "Message.h"

#include <QByteArray>

// Login, work mode, identity, versions, network settings, passwords.

// Authentication and ModifyPassword share this payload: a length byte and the
// bytes of the user name, then a length byte and the bytes of the password.
class CredentialsRequest : public RequestMsg
{
public:
    static constexpr int kMaxTextBytes = 255;

    int PayloadLength() const override { return user.size() + password.size() + 2; }

    QByteArray user;      // "admin" or "guest"
    QByteArray password;  // UTF-8, sent as typed

protected:
    using RequestMsg::RequestMsg;
    void SerializePayload(quint8 *payload) const override;
    // A length byte cannot describe more than 255 bytes: such a request is
    // refused rather than cut short.
    bool CanSerialize() const override
    {
        return user.size() <= kMaxTextBytes && password.size() <= kMaxTextBytes;
    }
};

class RequestAuthentication final : public CredentialsRequest
{
public:
    RequestAuthentication(quint32 login, quint16 seq)
        : CredentialsRequest(kMsgAuthentication, login, seq)
    {}
};

class RequestModifyPassword final : public CredentialsRequest
{
public:
    RequestModifyPassword(quint32 login, quint16 seq)
        : CredentialsRequest(kMsgModifyPassword, login, seq)
    {}
};

struct LoginIdPayload : TablePayload<LoginIdPayload> {
    static constexpr int kSize = 4;
    quint32 loginId = 0;
    template <class S, class F>
    static void Fields(S &s, F &&f)
    {
        f(0, 4, s.loginId);
    }
};
class ResponseAuthentication final : public PayloadResponse<LoginIdPayload>
{};

struct WorkModePayload : TablePayload<WorkModePayload> {
    static constexpr int kSize = 2;
    quint8 workMode = 255;  // 0 = update loader, anything else = application
    quint8 secondMode = 255;
    template <class S, class F>
    static void Fields(S &s, F &&f)
    {
        f(0, 1, s.workMode);
        f(1, 1, s.secondMode);
    }
};
class ResponseGetWorkMode final : public PayloadResponse<WorkModePayload>
{};

constexpr quint32 kNoProductCode = 99999999;
struct ProductInfoPayload : TablePayload<ProductInfoPayload> {
    static constexpr int kSize = 20;
    quint32 productCode = kNoProductCode;
    RawBlock<8> serial = {};
    RawBlock<8> extra = {};
    template <class S, class F>
    static void Fields(S &s, F &&f)
    {
        f(0, 4, s.productCode);
        f(4, 8, s.serial);
        f(12, 8, s.extra);
    }
};
class ResponseGetProductInfo final : public PayloadResponse<ProductInfoPayload>
{};

struct EncryptionPayload : TablePayload<EncryptionPayload> {
    static constexpr int kSize = 16;
    RawBlock<8> first = {};
    RawBlock<8> second = {};
    template <class S, class F>
    static void Fields(S &s, F &&f)
    {
        f(0, 8, s.first);
        f(8, 8, s.second);
    }
};
class ResponseGetEncryptionSeed final : public PayloadResponse<EncryptionPayload>
{};
class ResponseGetEncryption final : public PayloadResponse<EncryptionPayload>
{};

struct MacAddressPayload : TablePayload<MacAddressPayload> {
    static constexpr int kSize = 6;
    RawBlock<6> mac = {};
    template <class S, class F>
    static void Fields(S &s, F &&f)
    {
        f(0, 6, s.mac);
    }
};
class ResponseGetMacAddress final : public PayloadResponse<MacAddressPayload>
{};

struct HwTunePayload : TablePayload<HwTunePayload> {
    static constexpr int kSize = 64;
    RawBlock<64> tune = {};
    template <class S, class F>
    static void Fields(S &s, F &&f)
    {
        f(0, 64, s.tune);
    }
};
class ResponseGetHwTune final : public PayloadResponse<HwTunePayload>
{};

struct FlashInfoPayload : TablePayload<FlashInfoPayload> {
    static constexpr int kSize = 2;
    quint16 value = 0;
    template <class S, class F>
    static void Fields(S &s, F &&f)
    {
        f(0, 2, s.value);
    }
};
class ResponseGetSPIFlashInfo final : public PayloadResponse<FlashInfoPayload>
{};
class ResponseGetMCUFlashInfo final : public PayloadResponse<FlashInfoPayload>
{};

struct VersionPayload : TablePayload<VersionPayload> {
    static constexpr int kSize = 12;
    quint32 pcb = 0;
    quint32 fpga = 0;
    quint32 firmware = 0;
    template <class S, class F>
    static void Fields(S &s, F &&f)
    {
        f(0, 4, s.pcb);
        f(4, 4, s.fpga);
        f(8, 4, s.firmware);
    }
};
class ResponseGetVersion final : public PayloadResponse<VersionPayload>
{};

// Addresses are held as numbers whose most significant byte is the first
// number of the dotted text.
struct NetAddressPayload : TablePayload<NetAddressPayload> {
    static constexpr int kSize = 12;
    quint32 ip = 0;
    quint32 mask = 0;
    quint32 gateway = 0;
    template <class S, class F>
    static void Fields(S &s, F &&f)
    {
        f(0, 4, s.ip);
        f(4, 4, s.mask);
        f(8, 4, s.gateway);
    }
};
class RequestSetNetParam final : public PayloadRequest<kMsgSetNetParam, NetAddressPayload>
{
public:
    using PayloadRequest::PayloadRequest;
};

struct NetParamPayload : TablePayload<NetParamPayload> {
    static constexpr int kSize = 13;
    quint32 ip = 0;
    quint32 mask = 0;
    quint32 gateway = 0;
    quint8 isDefault = 0;  // factory network settings
    template <class S, class F>
    static void Fields(S &s, F &&f)
    {
        f(0, 4, s.ip);
        f(4, 4, s.mask);
        f(8, 4, s.gateway);
        f(12, 1, s.isDefault);
    }
};
class ResponseGetNetParam final : public PayloadResponse<NetParamPayload>
{};
