#include "CfgNetClient.h"

#include "IdentityMessages.h"
#include "TextForms.h"

#include <QDebug>
#include <QHostInfo>
#include <QNetworkInterface>

namespace {
// What the last transaction of this thread gave; each thread has its own, so
// a page's message never shows a worker's result.
thread_local int t_lastResult = 0;
// Set while this thread runs the liveness probe (ProbeWorkMode).
thread_local bool t_probing = false;

template <class Read>
int AsProbe(Read &&read)
{
    t_probing = true;
    const int rc = read();
    t_probing = false;
    return rc;
}

bool IsLoginExpired(quint32 result)
{
    return result == kResultAuthenticationFailed || result == kResultAuthenticationTimeout;
}
}  // namespace

CfgNetClient::CfgNetClient(int receiveTimeoutMs, QObject *parent)
    : QObject(parent), m_transport(std::make_unique<UdpTransport>(receiveTimeoutMs))
{
    RegisterLinkTypes();
}

CfgNetClient::~CfgNetClient()
{
    Close();
}

int CfgNetClient::Open(const QString &ipText, quint16 port)
{
    // Whatever the last session still has on the wire ends now.
    m_transport->Interrupt();
    {
        std::lock_guard<std::mutex> lock(m_transportLock);
        m_transport->Close();
    }
    {
        // A new session starts without a login: the device may have dropped
        // the last one, and the work-mode check before the login must not
        // carry it. The sequence numbers carry on.
        std::lock_guard<std::mutex> lock(m_requestLock);
        m_loginId = 0;
        ++m_session;
    }
    std::lock_guard<std::mutex> lock(m_transportLock);
    return m_transport->Open(ipText, port);
}

void CfgNetClient::Close()
{
    // Wakes the exchange in progress, so the lock is free at once.
    m_transport->Interrupt();
    std::lock_guard<std::mutex> lock(m_transportLock);
    m_transport->Close();
}

void CfgNetClient::SetUser(int userIndex, const QString &password)
{
    std::lock_guard<std::mutex> lock(m_requestLock);
    m_user = UserName(userIndex);
    m_password = password.toUtf8();
}

std::pair<quint32, quint16> CfgNetClient::NextIdentity()
{
    std::pair<quint32, quint16> identity;
    {
        std::lock_guard<std::mutex> lock(m_requestLock);
        identity = {m_loginId, ++m_sequence};
    }
    t_lastResult = -1;  // until the transaction says otherwise
    return identity;
}

bool CfgNetClient::TakeTransport(std::unique_lock<std::mutex> &lock)
{
    if (!t_probing) {
        lock.lock();
        return true;
    }
    // Other threads' exchanges with a silent device would hold the probe for
    // 4 s each (a status pass has seven); one of them going unanswered while
    // the probe waits says what the probe's own would.
    const quint64 silences = m_silences;
    std::unique_lock<std::mutex> wait(m_endLock);
    for (;;) {
        if (lock.try_lock()) {
            return m_silences == silences;
        }
        if (m_silences != silences) {
            return false;
        }
        // Woken at the end of each exchange; the time-out covers a try_lock
        // that fails spuriously.
        m_ended.wait_for(wait, std::chrono::milliseconds(100));
    }
}

int CfgNetClient::Exchange(RequestMsg &request, std::unique_ptr<ResponseMsg> &response, int retries)
{
    int rc = -1;
    {
        std::unique_lock<std::mutex> lock(m_transportLock, std::defer_lock);
        if (TakeTransport(lock)) {
            rc = m_transport->Exchange(request, response, retries);
            if (m_transport->Unanswered()) {
                ++m_silences;
            }
        }
    }
    {
        // Taken so that a probe between its check and its wait hears this end.
        std::lock_guard<std::mutex> lock(m_endLock);
    }
    m_ended.notify_all();
    if (rc != 0 || !response) {
        response.reset();
        return -1;
    }
    return 0;
}

int CfgNetClient::LastResult()
{
    return t_lastResult;
}

int CfgNetClient::Transact(RequestMsg &request, std::unique_ptr<ResponseMsg> &response)
{
    t_lastResult = TransactOnce(request, response);
    return t_lastResult;
}

int CfgNetClient::TransactOnce(RequestMsg &request, std::unique_ptr<ResponseMsg> &response)
{
    if (Exchange(request, response, 1) != 0) {
        return -1;
    }
    const bool authentication = request.type == kMsgAuthentication;
    if (!authentication && IsLoginExpired(response->result)) {
        qDebug().noquote() << QStringLiteral("%1: the login has expired (%2): logging in again")
                                  .arg(MessageName(request.type), ResultName(response->result));
        response.reset();
        const int renewed = RenewLogin(request.loginId);
        if (renewed != 0) {
            return renewed;
        }
        {
            std::lock_guard<std::mutex> lock(m_requestLock);
            request.loginId = m_loginId;
        }
        // One repeat, never resent: a login is mended once per transaction,
        // and a device that does not answer the repeat has had its chance.
        if (Exchange(request, response, 0) != 0) {
            return -1;
        }
    }
    if (response->result != kResultSuccess) {
        const int result = static_cast<int>(response->result);
        qDebug().noquote() << QStringLiteral("%1: the device answered %2")
                                  .arg(MessageName(request.type), ResultName(response->result));
        response.reset();
        return result;
    }
    if (response->sequence != request.sequence) {
        qDebug().noquote() << QStringLiteral("%1: the answer carries sequence %2, not %3")
                                  .arg(MessageName(request.type))
                                  .arg(response->sequence)
                                  .arg(request.sequence);
    }
    return 0;
}

int CfgNetClient::RenewLogin(quint32 stale)
{
    std::lock_guard<std::mutex> oneLogin(m_loginLock);
    {
        std::lock_guard<std::mutex> lock(m_requestLock);
        if (m_loginId != stale) {
            // Another thread logged in after this request was made (or a new
            // session began): its identifier is the one to use.
            return 0;
        }
    }
    return Authenticate(1);
}

int CfgNetClient::Authenticate(int retries)
{
    RequestAuthentication request = NewRequest<RequestAuthentication>();
    request.loginId = 0;
    quint32 session;
    {
        std::lock_guard<std::mutex> lock(m_requestLock);
        request.user = m_user;
        request.password = m_password;
        session = m_session;
    }
    std::unique_ptr<ResponseMsg> response;
    if (Exchange(request, response, retries) != 0) {
        return -1;
    }
    if (response->result != kResultSuccess) {
        return static_cast<int>(response->result);
    }
    auto *login = dynamic_cast<ResponseAuthentication *>(response.get());
    if (!login) {
        return -1;
    }
    std::lock_guard<std::mutex> lock(m_requestLock);
    if (m_session != session) {
        return -1;  // the tool opened another session meanwhile
    }
    m_loginId = login->loginId;
    return 0;
}

int CfgNetClient::Send(RequestMsg &request)
{
    std::unique_ptr<ResponseMsg> holder;
    return Transact(request, holder) == 0 ? 0 : -1;
}

int CfgNetClient::Login()
{
    std::lock_guard<std::mutex> oneLogin(m_loginLock);
    return Authenticate(1);
}

int CfgNetClient::GetWorkMode(quint32 &mode)
{
    auto request = NewRequest<SimpleRequest<kMsgGetWorkMode>>();
    return Query<ResponseGetWorkMode>(request,
                                      [&](const ResponseGetWorkMode &r) { mode = r.workMode; });
}

int CfgNetClient::ProbeWorkMode(quint32 &mode)
{
    return AsProbe([&] { return GetWorkMode(mode); });
}

int CfgNetClient::ProbeVersion(QString &pcb, QString &fpga, QString &firmware)
{
    return AsProbe([&] { return GetVersion(pcb, fpga, firmware); });
}

int CfgNetClient::GetProductInfo(quint32 &productCode, QByteArray &serial, QByteArray &extra)
{
    auto request = NewRequest<SimpleRequest<kMsgGetProductInfo>>();
    return Query<ResponseGetProductInfo>(request, [&](const ResponseGetProductInfo &r) {
        productCode = r.productCode;
        serial = QByteArray(reinterpret_cast<const char *>(r.serial.data()), int(r.serial.size()));
        extra = QByteArray(reinterpret_cast<const char *>(r.extra.data()), int(r.extra.size()));
    });
}

int CfgNetClient::GetVersion(QString &pcb, QString &fpga, QString &firmware)
{
    auto request = NewRequest<SimpleRequest<kMsgGetVersion>>();
    return Query<ResponseGetVersion>(request, [&](const ResponseGetVersion &r) {
        pcb = PcbVersionText(r.pcb);
        fpga = FpgaVersionText(r.fpga);
        firmware = FirmwareVersionText(r.firmware);
    });
}

int CfgNetClient::GetNetParam(QString &ip, QString &mask, QString &gateway, quint8 &isDefault)
{
    auto request = NewRequest<SimpleRequest<kMsgGetNetParam>>();
    return Query<ResponseGetNetParam>(request, [&](const ResponseGetNetParam &r) {
        ip = AddressText(r.ip);
        mask = AddressText(r.mask);
        gateway = AddressText(r.gateway);
        isDefault = r.isDefault;
    });
}

int CfgNetClient::SetNetParam(const QString &ip, const QString &mask, const QString &gateway)
{
    auto request = NewRequest<RequestSetNetParam>();
    // A text that is not an address must never reach the device as one.
    if (!ParseAddress(ip, &request.ip) || !ParseAddress(mask, &request.mask) ||
        !ParseAddress(gateway, &request.gateway)) {
        return -1;
    }
    return Send(request);
}

int CfgNetClient::ModifyPassword(const QString &user, const QString &newPassword)
{
    auto request = NewRequest<RequestModifyPassword>();
    request.user = user.toUtf8();
    request.password = newPassword.toUtf8();
    return Send(request);
}

QStringList CfgNetClient::LocalAddresses() const
{
    QStringList addresses;
    const QString host = QHostInfo::localHostName();
    if (!host.isEmpty()) {
        for (const QHostAddress &address : QHostInfo::fromName(host).addresses()) {
            if (address.protocol() == QAbstractSocket::IPv4Protocol) {
                addresses << address.toString();
            }
        }
    }
    // The host name often resolves to 127.0.1.1 alone on Linux: the
    // interfaces' own addresses follow, so the device's subnet can be found.
    for (const QHostAddress &address : QNetworkInterface::allAddresses()) {
        if (address.protocol() == QAbstractSocket::IPv4Protocol &&
            !addresses.contains(address.toString())) {
            addresses << address.toString();
        }
    }
    return addresses;
}

QString CfgNetClient::LocalAddressOnDeviceSubnet()
{
    const QString none = QStringLiteral("0.0.0.0");
    const QStringList locals = LocalAddresses();
    QString ip, mask, gateway;
    quint8 isDefault = 0;
    if (GetNetParam(ip, mask, gateway, isDefault) != 0 || locals.isEmpty()) {
        return none;
    }
    quint32 device = 0;
    quint32 netmask = 0;
    if (!ParseAddress(ip, &device) || !ParseAddress(mask, &netmask)) {
        return none;
    }
    for (const QString &text : locals) {
        quint32 local = 0;
        if (ParseAddress(text, &local) && (local & netmask) == (device & netmask)) {
            return text;
        }
    }
    return none;
}
