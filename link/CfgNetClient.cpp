#include "CfgNetClient.h"

#include "ConfigMessages.h"
#include "IdentityMessages.h"
#include "StatusMessages.h"
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

bool ValidMap(const QVector<quint8> &map, int entries)
{
    for (quint8 entry : map) {
        if (entry >= entries) {
            return false;
        }
    }
    return true;
}

// A Set's map and its caller arrays must agree before anything is sent.
template <class... Arrays>
bool ValidSet(const QVector<quint8> &map, int entries, const Arrays &...values)
{
    return ValidMap(map, entries) && ((values.size() >= map.size()) && ...);
}

// Caller entry k of `out` is device entry map[k] of `from`.
template <class T, class Entry>
void Pick(const QVector<quint8> &map, const Entry *from, QVector<T> &out)
{
    out.resize(map.size());
    for (int k = 0; k < map.size(); ++k) {
        out[k] = static_cast<T>(from[map[k]]);
    }
}

// The device reads a flag byte as 1 or 0; whatever else the caller holds
// for "on" goes out as 1.
quint8 Flag(quint8 value)
{
    return value ? 1 : 0;
}

bool IsLoginExpired(quint32 result)
{
    return result == kResultAuthenticationFailed || result == kResultAuthenticationTimeout;
}
}  // namespace

CfgNetClient::CfgNetClient(QObject *parent)
    : QObject(parent), m_transport(std::make_unique<UdpTransport>())
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
    m_user = userIndex == 0 ? QByteArrayLiteral("admin") : QByteArrayLiteral("guest");
    m_password = password.toUtf8();
}

void CfgNetClient::SetReceiveTimeoutForTests(int ms)
{
    std::lock_guard<std::mutex> lock(m_transportLock);
    m_transport->SetReceiveTimeoutOverride(ms);
}

template <class Request>
Request CfgNetClient::NewRequest()
{
    quint32 loginId;
    quint16 sequence;
    {
        std::lock_guard<std::mutex> lock(m_requestLock);
        sequence = ++m_sequence;
        loginId = m_loginId;
    }
    t_lastResult = -1;  // until the transaction says otherwise
    return Request(loginId, sequence);
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
        qDebug().noquote() << QStringLiteral("%1TTTTTTTTT:%2\n")
                                  .arg(MessageName(request.type))
                                  .arg(response->result);
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
        qDebug().noquote() << QStringLiteral("%1=========%2\n")
                                  .arg(MessageName(request.type), ResultName(response->result));
        response.reset();
        return result;
    }
    if (response->sequence != request.sequence) {
        qDebug().noquote()
            << QStringLiteral("Id not eauque %1,%2").arg(request.type).arg(response->type);
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

template <class Response>
Response *CfgNetClient::Call(RequestMsg &request, std::unique_ptr<ResponseMsg> &holder)
{
    if (Transact(request, holder) != 0) {
        return nullptr;
    }
    return dynamic_cast<Response *>(holder.get());
}

int CfgNetClient::Send(RequestMsg &request)
{
    std::unique_ptr<ResponseMsg> holder;
    return Transact(request, holder) == 0 ? 0 : -1;
}

template <class Response, class Use>
int CfgNetClient::Query(RequestMsg &request, Use &&use)
{
    std::unique_ptr<ResponseMsg> holder;
    Response *response = Call<Response>(request, holder);
    if (!response) {
        return -1;
    }
    use(*response);
    return 0;
}

int CfgNetClient::Login()
{
    std::lock_guard<std::mutex> oneLogin(m_loginLock);
    return Authenticate(1);
}

int CfgNetClient::Relogin()
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

int CfgNetClient::GetGenlockState(VideoStandard &standard, quint8 &present)
{
    auto request = NewRequest<SimpleRequest<kMsgGetInputState>>();
    return Query<ResponseGetInputState>(request, [&](const ResponseGetInputState &r) {
        present = r.genlockPresent ? 1 : 0;
        standard = present ? r.genlockStandard : kNoSignal;
    });
}

int CfgNetClient::GetInputStandards(const QVector<quint8> &map, QVector<VideoStandard> &standards,
                                    QVector<quint8> &present)
{
    if (!ValidMap(map, kInputCount)) {
        return -1;
    }
    auto request = NewRequest<SimpleRequest<kMsgGetInputState>>();
    return Query<ResponseGetInputState>(request, [&](const ResponseGetInputState &r) {
        standards.resize(map.size());
        present.resize(map.size());
        for (int k = 0; k < map.size(); ++k) {
            // An absent input has no standard, whatever the device put there.
            present[k] = r.present[map[k]] ? 1 : 0;
            standards[k] = present[k] ? r.standard[map[k]] : kNoSignal;
        }
    });
}

int CfgNetClient::GetGPIOState(quint8 &gpiStatus, quint8 &gpoStatus)
{
    auto request = NewRequest<SimpleRequest<kMsgGetGPIOState>>();
    return Query<ResponseGetGPIOState>(request, [&](const ResponseGetGPIOState &r) {
        gpiStatus = r.gpiStatus;
        gpoStatus = r.gpoStatus;
    });
}

int CfgNetClient::SetPhase(const QVector<quint8> &map, const QVector<quint16> &lines,
                           const QVector<quint16> &pixels, const QVector<quint8> &modes)
{
    if (!ValidSet(map, kGroupCount, lines, pixels, modes)) {
        return -1;
    }
    auto request = NewRequest<RequestSetPhase>();
    for (int k = 0; k < map.size(); ++k) {
        request.delayLine[map[k]] = lines[k];
        request.delayPixel[map[k]] = pixels[k];
        request.clockingMode[map[k]] = modes[k];
    }
    return Send(request);
}

int CfgNetClient::GetPhase(const QVector<quint8> &map, QVector<quint16> &lines,
                           QVector<quint16> &pixels, QVector<PhaseState> &states,
                           QVector<bool> &locked)
{
    if (!ValidMap(map, kInputCount)) {
        return -1;
    }
    auto request = NewRequest<SimpleRequest<kMsgGetPhase>>();
    return Query<ResponseGetPhase>(request, [&](const ResponseGetPhase &r) {
        Pick(map, r.phaseLine, lines);
        Pick(map, r.phasePixel, pixels);
        Pick(map, r.phaseState, states);
        locked = {r.isLocked[0] != 0, r.isLocked[1] != 0};
    });
}

int CfgNetClient::GetGroupPhase(const QVector<quint8> &map, QVector<quint16> &lines,
                                QVector<quint16> &pixels, QVector<quint8> &modes)
{
    if (!ValidMap(map, kGroupCount)) {
        return -1;
    }
    auto request = NewRequest<SimpleRequest<kMsgGetPhase>>();
    return Query<ResponseGetPhase>(request, [&](const ResponseGetPhase &r) {
        Pick(map, r.delayLine, lines);
        Pick(map, r.delayPixel, pixels);
        Pick(map, r.clockingMode, modes);
    });
}

int CfgNetClient::SetGPIOTriggerMode(GPIOTriggerMode gpi, GPIOTriggerMode gpo)
{
    auto request = NewRequest<RequestSetGPIOTriggerMode>();
    request.gpiMode = static_cast<quint8>(gpi);
    request.gpoMode = static_cast<quint8>(gpo);
    return Send(request);
}

int CfgNetClient::GetGPIOTriggerMode(GPIOTriggerMode &gpi, GPIOTriggerMode &gpo)
{
    auto request = NewRequest<SimpleRequest<kMsgGetGPIOTriggerMode>>();
    return Query<ResponseGetGPIOTriggerMode>(request, [&](const ResponseGetGPIOTriggerMode &r) {
        gpi = static_cast<GPIOTriggerMode>(r.gpiMode);
        gpo = static_cast<GPIOTriggerMode>(r.gpoMode);
    });
}

int CfgNetClient::SetDetectionParam(int input, const DetectionParam &param)
{
    if (input < 0 || input > 255) {
        return -1;
    }
    auto request = NewRequest<RequestSetDetectionParam>();
    request.input = static_cast<quint8>(input);
    request.param = param;
    DetectionParam &p = request.param;
    for (quint8 *flag :
         {&p.lostEnable, &p.formatEnable, &p.syncEnable, &p.blackEnable, &p.blackRegionEnable,
          &p.blackRegionInvert, &p.freezeEnable, &p.freezeRegionEnable, &p.freezeRegionInvert}) {
        *flag = Flag(*flag);
    }
    return Send(request);
}

int CfgNetClient::GetDetectionParam(int input, DetectionParam &param)
{
    if (input < 0 || input > 255) {
        return -1;
    }
    auto request = NewRequest<RequestGetDetectionParam>();
    request.input = static_cast<quint8>(input);
    return Query<ResponseGetDetectionParam>(
        request, [&](const ResponseGetDetectionParam &r) { param = r.param; });
}

int CfgNetClient::SetSystemAlarmParam(SystemAlarm mask)
{
    auto request = NewRequest<RequestSetSystemAlarmParam>();
    request.mask = mask;
    return Send(request);
}

int CfgNetClient::GetSystemAlarmParam(SystemAlarm &mask)
{
    auto request = NewRequest<SimpleRequest<kMsgGetSystemAlarmParam>>();
    return Query<ResponseGetSystemAlarmParam>(
        request, [&](const ResponseGetSystemAlarmParam &r) { mask = r.mask; });
}

int CfgNetClient::GetAlarmInfo(const QVector<quint8> &map, QVector<AlarmType> &video,
                               QVector<quint16> &audioLost, QVector<quint16> &audioSilent,
                               SystemAlarm &system)
{
    if (!ValidMap(map, kInputCount)) {
        return -1;
    }
    auto request = NewRequest<SimpleRequest<kMsgGetAlarmInfo>>();
    return Query<ResponseGetAlarmInfo>(request, [&](const ResponseGetAlarmInfo &r) {
        Pick(map, r.video, video);
        Pick(map, r.audioLost, audioLost);
        Pick(map, r.audioSilent, audioSilent);
        system = r.system;
    });
}

int CfgNetClient::SetAudioEffect(int group, quint8 enable, quint32 duration, quint8 duplication)
{
    if (group < 0 || group >= kGroupCount) {
        return -1;
    }
    auto request = NewRequest<RequestSetAudioEffect>();
    request.fadingEnable[group] = Flag(enable);
    request.fadingDuration[group] = duration;
    request.duplication = duplication;
    return Send(request);
}

int CfgNetClient::GetAudioEffect(int group, quint8 &enable, quint32 &duration, quint8 &duplication)
{
    if (group < 0 || group >= kGroupCount) {
        return -1;
    }
    auto request = NewRequest<SimpleRequest<kMsgGetAudioEffect>>();
    return Query<ResponseGetAudioEffect>(request, [&](const ResponseGetAudioEffect &r) {
        enable = r.fadingEnable[group];
        duration = r.fadingDuration[group];
        duplication = r.duplication;
    });
}

int CfgNetClient::SetPGMOutputSelect(const QVector<quint8> &map, const QVector<quint8> &values)
{
    if (!ValidSet(map, kGroupCount, values)) {
        return -1;
    }
    auto request = NewRequest<RequestSetPGMOutputSelect>();
    for (int k = 0; k < map.size(); ++k) {
        request.input[map[k]] = values[k];
    }
    return Send(request);
}

int CfgNetClient::GetPGMOutputSelect(const QVector<quint8> &map, QVector<quint8> &values)
{
    if (!ValidMap(map, kGroupCount)) {
        return -1;
    }
    auto request = NewRequest<SimpleRequest<kMsgGetPGMOutputSelect>>();
    return Query<ResponseGetPGMOutputSelect>(
        request, [&](const ResponseGetPGMOutputSelect &r) { Pick(map, r.input, values); });
}

int CfgNetClient::SetAUXOutputSelect(quint8 value)
{
    auto request = NewRequest<RequestSetAUXOutputSelect>();
    request.source = value;
    return Send(request);
}

int CfgNetClient::GetAUXOutputSelect(quint8 &value)
{
    auto request = NewRequest<SimpleRequest<kMsgGetAUXOutputSelect>>();
    return Query<ResponseGetAUXOutputSelect>(
        request, [&](const ResponseGetAUXOutputSelect &r) { value = r.source; });
}

int CfgNetClient::SetRelayControl(const QVector<quint8> &map, const QVector<quint8> &manualControl,
                                  const QVector<quint8> &bypassProtect)
{
    if (!ValidSet(map, kGroupCount, manualControl, bypassProtect)) {
        return -1;
    }
    auto request = NewRequest<RequestSetRelayControl>();
    for (int k = 0; k < map.size(); ++k) {
        request.manualControl[map[k]] = Flag(manualControl[k]);
        request.bypassProtect[map[k]] = Flag(bypassProtect[k]);
    }
    return Send(request);
}

int CfgNetClient::GetRelayControl(const QVector<quint8> &map, QVector<quint8> &manualControl,
                                  QVector<quint8> &bypassProtect)
{
    if (!ValidMap(map, kGroupCount)) {
        return -1;
    }
    auto request = NewRequest<SimpleRequest<kMsgGetRelayControl>>();
    return Query<ResponseGetRelayControl>(request, [&](const ResponseGetRelayControl &r) {
        Pick(map, r.manualControl, manualControl);
        Pick(map, r.bypassProtect, bypassProtect);
    });
}

int CfgNetClient::SetAutoSwitchMethod(const QVector<quint8> &map, const QVector<qint32> &values)
{
    if (!ValidSet(map, kGroupCount, values)) {
        return -1;
    }
    auto request = NewRequest<RequestSetAutoSwitchMethod>();
    for (int k = 0; k < map.size(); ++k) {
        request.method[map[k]] = static_cast<quint8>(values[k]);
    }
    return Send(request);
}

int CfgNetClient::GetAutoSwitchMethod(const QVector<quint8> &map, QVector<qint32> &values)
{
    if (!ValidMap(map, kGroupCount)) {
        return -1;
    }
    auto request = NewRequest<SimpleRequest<kMsgGetAutoSwitchMethod>>();
    return Query<ResponseGetAutoSwitchMethod>(
        request, [&](const ResponseGetAutoSwitchMethod &r) { Pick(map, r.method, values); });
}

int CfgNetClient::SetAutoSwitchTrigger(const QVector<alarmTrigger> &triggers)
{
    if (triggers.size() < kInputCount) {
        return -1;
    }
    auto request = NewRequest<RequestSetAutoSwitchTrigger>();
    for (int j = 0; j < kInputCount; ++j) {
        request.entries[j] = triggers[j];
    }
    return Send(request);
}

int CfgNetClient::GetAutoSwitchTrigger(QVector<alarmTrigger> &triggers)
{
    auto request = NewRequest<SimpleRequest<kMsgGetAutoSwitchTrigger>>();
    return Query<ResponseGetAutoSwitchTrigger>(request, [&](const ResponseGetAutoSwitchTrigger &r) {
        triggers = QVector<alarmTrigger>(r.entries, r.entries + kInputCount);
    });
}

int CfgNetClient::ManualReturn(quint8 group)
{
    auto request = NewRequest<RequestManualReturn>();
    request.group = group;
    return Send(request);
}

int CfgNetClient::SetAGCParam(const AGCParam &param)
{
    auto request = NewRequest<RequestSetAGCParam>();
    request.param = param;
    return Send(request);
}

int CfgNetClient::GetAGCParam(AGCParam &param)
{
    auto request = NewRequest<SimpleRequest<kMsgGetAGCParam>>();
    return Query<ResponseGetAGCParam>(request,
                                      [&](const ResponseGetAGCParam &r) { param = r.param; });
}

int CfgNetClient::GetAudioLevel(QVector<quint16> &inputLevel, QVector<quint16> &outputLevel)
{
    auto request = NewRequest<SimpleRequest<kMsgGetAudioLevel>>();
    return Query<ResponseGetAudioLevel>(request, [&](const ResponseGetAudioLevel &r) {
        inputLevel = QVector<quint16>(r.inputLevel, r.inputLevel + kAudioChannels);
        outputLevel = QVector<quint16>(r.outputLevel, r.outputLevel + kAudioChannels);
    });
}

int CfgNetClient::SetNotificationDest(const QStringList &ips, const QVector<quint16> &ports)
{
    if (ips.size() < 2 || ports.size() < 2) {
        return -1;
    }
    auto request = NewRequest<RequestSetNotificationDest>();
    for (int d = 0; d < 2; ++d) {
        if (!ParseAddress(ips[d], &request.ip[d])) {
            return -1;
        }
        request.port[d].value = ports[d];
    }
    return Send(request);
}

int CfgNetClient::GetNotificationDest(QStringList &ips, QVector<quint16> &ports)
{
    auto request = NewRequest<SimpleRequest<kMsgGetNotificationDest>>();
    return Query<ResponseGetNotificationDest>(request, [&](const ResponseGetNotificationDest &r) {
        ips = QStringList{AddressText(r.ip[0]), AddressText(r.ip[1])};
        ports = {r.port[0].value, r.port[1].value};
    });
}

int CfgNetClient::SetPhaseAutoAlign(const QVector<quint8> &flags)
{
    if (flags.size() < 2) {
        return -1;
    }
    auto request = NewRequest<RequestSetPhaseAutoAlign>();
    request.followGenlock[0] = flags[0];
    request.followGenlock[1] = flags[1];
    return Send(request);
}

int CfgNetClient::GetPhaseAutoAlign(QVector<quint8> &flags)
{
    auto request = NewRequest<SimpleRequest<kMsgGetPhaseAutoAlign>>();
    return Query<ResponseGetPhaseAutoAlign>(request, [&](const ResponseGetPhaseAutoAlign &r) {
        flags = {r.followGenlock[0], r.followGenlock[1]};
    });
}

int CfgNetClient::AlignPhase(quint8 group)
{
    auto request = NewRequest<RequestAlignPhase>();
    request.group = group;
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
