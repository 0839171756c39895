#include "CfgNetClient.h"

#include "ConfigMessages.h"
#include "IdentityMessages.h"
#include "StatusMessages.h"
#include "TextForms.h"

#include <QDebug>
#include <QHostInfo>
#include <QNetworkInterface>

namespace {
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
    std::lock_guard<std::mutex> lock(m_transportLock);
    m_transport->Close();
    return m_transport->Open(ipText, port);
}

void CfgNetClient::Close()
{
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
    return Request(loginId, sequence);
}

int CfgNetClient::Transact(RequestMsg &request, std::unique_ptr<ResponseMsg> &response)
{
    if (!m_transport) {
        return -1;
    }
    int rc;
    {
        std::lock_guard<std::mutex> lock(m_transportLock);
        rc = m_transport->Exchange(request, response, 1);
    }
    if (rc != 0 || !response) {
        response.reset();
        return -1;
    }
    const bool authentication = request.type == kMsgAuthentication;
    if (!authentication && IsLoginExpired(response->result)) {
        qDebug().noquote() << QStringLiteral("%1TTTTTTTTT:%2\n")
                                  .arg(MessageName(request.type))
                                  .arg(response->result);
        response.reset();
        const int relogin = Relogin();
        if (relogin != 0) {
            return relogin;
        }
        {
            std::lock_guard<std::mutex> lock(m_requestLock);
            request.loginId = m_loginId;
        }
        {
            std::lock_guard<std::mutex> lock(m_transportLock);
            rc = m_transport->Exchange(request, response, 0);
        }
        if (rc != 0 || !response) {
            response.reset();
            return -1;
        }
        if (response->result != kResultSuccess) {
            const int result = static_cast<int>(response->result);
            qDebug().noquote()
                << QStringLiteral("%1TTTTTTTTT111111:%2\n").arg(request.type).arg(result);
            response.reset();
            return result;
        }
        return 0;
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

template <class Response>
Response *CfgNetClient::Call(RequestMsg &request, std::unique_ptr<ResponseMsg> &holder)
{
    if (Transact(request, holder) != 0) {
        return nullptr;
    }
    return dynamic_cast<Response *>(holder.get());
}

int CfgNetClient::Login()
{
    RequestAuthentication request = NewRequest<RequestAuthentication>();
    request.loginId = 0;
    {
        std::lock_guard<std::mutex> lock(m_requestLock);
        request.user = m_user;
        request.password = m_password;
    }
    std::unique_ptr<ResponseMsg> response;
    const int rc = Transact(request, response);
    if (rc == 0) {
        auto *login = dynamic_cast<ResponseAuthentication *>(response.get());
        if (!login) {
            return -1;
        }
        std::lock_guard<std::mutex> lock(m_requestLock);
        m_loginId = login->loginId;
    }
    return rc;
}

int CfgNetClient::Relogin()
{
    RequestAuthentication request = NewRequest<RequestAuthentication>();
    request.loginId = 0;
    {
        std::lock_guard<std::mutex> lock(m_requestLock);
        request.user = m_user;
        request.password = m_password;
    }
    std::unique_ptr<ResponseMsg> response;
    int rc;
    {
        std::lock_guard<std::mutex> lock(m_transportLock);
        rc = m_transport->Exchange(request, response, 1);
    }
    if (rc != 0 || !response) {
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
    m_loginId = login->loginId;
    return 0;
}

int CfgNetClient::GetWorkMode(quint32 &mode)
{
    auto request = NewRequest<SimpleRequest<kMsgGetWorkMode>>();
    std::unique_ptr<ResponseMsg> holder;
    auto *r = Call<ResponseGetWorkMode>(request, holder);
    if (!r) {
        return -1;
    }
    mode = r->workMode;
    return 0;
}

int CfgNetClient::GetProductInfo(quint32 &productCode, QByteArray &serial, QByteArray &extra)
{
    auto request = NewRequest<SimpleRequest<kMsgGetProductInfo>>();
    std::unique_ptr<ResponseMsg> holder;
    auto *r = Call<ResponseGetProductInfo>(request, holder);
    if (!r) {
        return -1;
    }
    productCode = r->productCode;
    serial = QByteArray(reinterpret_cast<const char *>(r->serial.data()), int(r->serial.size()));
    extra = QByteArray(reinterpret_cast<const char *>(r->extra.data()), int(r->extra.size()));
    return 0;
}

int CfgNetClient::GetVersion(QString &pcb, QString &fpga, QString &firmware)
{
    auto request = NewRequest<SimpleRequest<kMsgGetVersion>>();
    std::unique_ptr<ResponseMsg> holder;
    auto *r = Call<ResponseGetVersion>(request, holder);
    if (!r) {
        return -1;
    }
    pcb = PcbVersionText(r->pcb);
    fpga = FpgaVersionText(r->fpga);
    firmware = FirmwareVersionText(r->firmware);
    return 0;
}

int CfgNetClient::GetNetParam(QString &ip, QString &mask, QString &gateway, quint8 &isDefault)
{
    auto request = NewRequest<SimpleRequest<kMsgGetNetParam>>();
    std::unique_ptr<ResponseMsg> holder;
    auto *r = Call<ResponseGetNetParam>(request, holder);
    if (!r) {
        return -1;
    }
    ip = AddressText(r->ip);
    mask = AddressText(r->mask);
    gateway = AddressText(r->gateway);
    isDefault = r->isDefault;
    return 0;
}

int CfgNetClient::SetNetParam(const QString &ip, const QString &mask, const QString &gateway)
{
    auto request = NewRequest<RequestSetNetParam>();
    // A text that is not an address must never reach the device as one.
    if (!ParseAddress(ip, &request.ip) || !ParseAddress(mask, &request.mask) ||
        !ParseAddress(gateway, &request.gateway)) {
        return -1;
    }
    std::unique_ptr<ResponseMsg> holder;
    return Transact(request, holder) == 0 ? 0 : -1;
}

int CfgNetClient::ModifyPassword(const QString &user, const QString &newPassword)
{
    auto request = NewRequest<RequestModifyPassword>();
    request.user = user.toUtf8();
    request.password = newPassword.toUtf8();
    std::unique_ptr<ResponseMsg> holder;
    return Transact(request, holder) == 0 ? 0 : -1;
}

int CfgNetClient::GetGenlockState(VideoStandard &standard, quint8 &present)
{
    auto request = NewRequest<SimpleRequest<kMsgGetInputState>>();
    std::unique_ptr<ResponseMsg> holder;
    auto *r = Call<ResponseGetInputState>(request, holder);
    if (!r) {
        return -1;
    }
    present = r->genlockPresent ? 1 : 0;
    standard = present ? r->genlockStandard : kNoSignal;
    return 0;
}

int CfgNetClient::GetInputStandards(const QVector<quint8> &map, QVector<VideoStandard> &standards,
                                    QVector<quint8> &present)
{
    if (!ValidMap(map, kInputCount)) {
        return -1;
    }
    auto request = NewRequest<SimpleRequest<kMsgGetInputState>>();
    std::unique_ptr<ResponseMsg> holder;
    auto *r = Call<ResponseGetInputState>(request, holder);
    if (!r) {
        return -1;
    }
    standards.resize(map.size());
    present.resize(map.size());
    for (int k = 0; k < map.size(); ++k) {
        // An absent input has no standard, whatever the device put there.
        present[k] = r->present[map[k]] ? 1 : 0;
        standards[k] = present[k] ? r->standard[map[k]] : kNoSignal;
    }
    return 0;
}

int CfgNetClient::GetGPIOState(quint8 &gpiStatus, quint8 &gpoStatus)
{
    auto request = NewRequest<SimpleRequest<kMsgGetGPIOState>>();
    std::unique_ptr<ResponseMsg> holder;
    auto *r = Call<ResponseGetGPIOState>(request, holder);
    if (!r) {
        return -1;
    }
    gpiStatus = r->gpiStatus;
    gpoStatus = r->gpoStatus;
    return 0;
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
    std::unique_ptr<ResponseMsg> holder;
    return Transact(request, holder) == 0 ? 0 : -1;
}

int CfgNetClient::GetPhase(const QVector<quint8> &map, QVector<quint16> &lines,
                           QVector<quint16> &pixels, QVector<PhaseState> &states,
                           QVector<bool> &locked)
{
    if (!ValidMap(map, kInputCount)) {
        return -1;
    }
    auto request = NewRequest<SimpleRequest<kMsgGetPhase>>();
    std::unique_ptr<ResponseMsg> holder;
    auto *r = Call<ResponseGetPhase>(request, holder);
    if (!r) {
        return -1;
    }
    lines.resize(map.size());
    pixels.resize(map.size());
    states.resize(map.size());
    for (int k = 0; k < map.size(); ++k) {
        lines[k] = r->phaseLine[map[k]];
        pixels[k] = r->phasePixel[map[k]];
        states[k] = static_cast<PhaseState>(r->phaseState[map[k]]);
    }
    locked = {r->isLocked[0] != 0, r->isLocked[1] != 0};
    return 0;
}

int CfgNetClient::GetGroupPhase(const QVector<quint8> &map, QVector<quint16> &lines,
                                QVector<quint16> &pixels, QVector<quint8> &modes)
{
    if (!ValidMap(map, kGroupCount)) {
        return -1;
    }
    auto request = NewRequest<SimpleRequest<kMsgGetPhase>>();
    std::unique_ptr<ResponseMsg> holder;
    auto *r = Call<ResponseGetPhase>(request, holder);
    if (!r) {
        return -1;
    }
    lines.resize(map.size());
    pixels.resize(map.size());
    modes.resize(map.size());
    for (int k = 0; k < map.size(); ++k) {
        lines[k] = r->delayLine[map[k]];
        pixels[k] = r->delayPixel[map[k]];
        modes[k] = r->clockingMode[map[k]];
    }
    return 0;
}

int CfgNetClient::SetGPIOTriggerMode(GPIOTriggerMode gpi, GPIOTriggerMode gpo)
{
    auto request = NewRequest<RequestSetGPIOTriggerMode>();
    request.gpiMode = static_cast<quint8>(gpi);
    request.gpoMode = static_cast<quint8>(gpo);
    std::unique_ptr<ResponseMsg> holder;
    return Transact(request, holder) == 0 ? 0 : -1;
}

int CfgNetClient::GetGPIOTriggerMode(GPIOTriggerMode &gpi, GPIOTriggerMode &gpo)
{
    auto request = NewRequest<SimpleRequest<kMsgGetGPIOTriggerMode>>();
    std::unique_ptr<ResponseMsg> holder;
    auto *r = Call<ResponseGetGPIOTriggerMode>(request, holder);
    if (!r) {
        return -1;
    }
    gpi = static_cast<GPIOTriggerMode>(r->gpiMode);
    gpo = static_cast<GPIOTriggerMode>(r->gpoMode);
    return 0;
}

int CfgNetClient::SetDetectionParam(int input, const DetectionParam &param)
{
    if (input < 0 || input > 255) {
        return -1;
    }
    auto request = NewRequest<RequestSetDetectionParam>();
    request.input = static_cast<quint8>(input);
    request.param = param;
    std::unique_ptr<ResponseMsg> holder;
    return Transact(request, holder) == 0 ? 0 : -1;
}

int CfgNetClient::GetDetectionParam(int input, DetectionParam &param)
{
    if (input < 0 || input > 255) {
        return -1;
    }
    auto request = NewRequest<RequestGetDetectionParam>();
    request.input = static_cast<quint8>(input);
    std::unique_ptr<ResponseMsg> holder;
    auto *r = Call<ResponseGetDetectionParam>(request, holder);
    if (!r) {
        return -1;
    }
    param = r->param;
    return 0;
}

int CfgNetClient::SetSystemAlarmParam(SystemAlarm mask)
{
    auto request = NewRequest<RequestSetSystemAlarmParam>();
    request.mask = mask;
    std::unique_ptr<ResponseMsg> holder;
    return Transact(request, holder) == 0 ? 0 : -1;
}

int CfgNetClient::GetSystemAlarmParam(SystemAlarm &mask)
{
    auto request = NewRequest<SimpleRequest<kMsgGetSystemAlarmParam>>();
    std::unique_ptr<ResponseMsg> holder;
    auto *r = Call<ResponseGetSystemAlarmParam>(request, holder);
    if (!r) {
        return -1;
    }
    mask = r->mask;
    return 0;
}

int CfgNetClient::GetAlarmInfo(const QVector<quint8> &map, QVector<AlarmType> &video,
                               QVector<quint16> &audioLost, QVector<quint16> &audioSilent,
                               SystemAlarm &system)
{
    if (!ValidMap(map, kInputCount)) {
        return -1;
    }
    auto request = NewRequest<SimpleRequest<kMsgGetAlarmInfo>>();
    std::unique_ptr<ResponseMsg> holder;
    auto *r = Call<ResponseGetAlarmInfo>(request, holder);
    if (!r) {
        return -1;
    }
    video.resize(map.size());
    audioLost.resize(map.size());
    audioSilent.resize(map.size());
    for (int k = 0; k < map.size(); ++k) {
        video[k] = r->video[map[k]];
        audioLost[k] = r->audioLost[map[k]];
        audioSilent[k] = r->audioSilent[map[k]];
    }
    system = r->system;
    return 0;
}

int CfgNetClient::SetAudioEffect(int group, quint8 enable, quint32 duration, quint8 duplication)
{
    if (group < 0 || group >= kGroupCount) {
        return -1;
    }
    auto request = NewRequest<RequestSetAudioEffect>();
    request.fadingEnable[group] = enable ? 1 : 0;
    request.fadingDuration[group] = duration;
    request.duplication = duplication;
    std::unique_ptr<ResponseMsg> holder;
    return Transact(request, holder) == 0 ? 0 : -1;
}

int CfgNetClient::GetAudioEffect(int group, quint8 &enable, quint32 &duration, quint8 &duplication)
{
    if (group < 0 || group >= kGroupCount) {
        return -1;
    }
    auto request = NewRequest<SimpleRequest<kMsgGetAudioEffect>>();
    std::unique_ptr<ResponseMsg> holder;
    auto *r = Call<ResponseGetAudioEffect>(request, holder);
    if (!r) {
        return -1;
    }
    enable = r->fadingEnable[group];
    duration = r->fadingDuration[group];
    duplication = r->duplication;
    return 0;
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
    std::unique_ptr<ResponseMsg> holder;
    return Transact(request, holder) == 0 ? 0 : -1;
}

int CfgNetClient::GetPGMOutputSelect(const QVector<quint8> &map, QVector<quint8> &values)
{
    if (!ValidMap(map, kGroupCount)) {
        return -1;
    }
    auto request = NewRequest<SimpleRequest<kMsgGetPGMOutputSelect>>();
    std::unique_ptr<ResponseMsg> holder;
    auto *r = Call<ResponseGetPGMOutputSelect>(request, holder);
    if (!r) {
        return -1;
    }
    values.resize(map.size());
    for (int k = 0; k < map.size(); ++k) {
        values[k] = r->input[map[k]];
    }
    return 0;
}

int CfgNetClient::SetAUXOutputSelect(quint8 value)
{
    auto request = NewRequest<RequestSetAUXOutputSelect>();
    request.source = value;
    std::unique_ptr<ResponseMsg> holder;
    return Transact(request, holder) == 0 ? 0 : -1;
}

int CfgNetClient::GetAUXOutputSelect(quint8 &value)
{
    auto request = NewRequest<SimpleRequest<kMsgGetAUXOutputSelect>>();
    std::unique_ptr<ResponseMsg> holder;
    auto *r = Call<ResponseGetAUXOutputSelect>(request, holder);
    if (!r) {
        return -1;
    }
    value = r->source;
    return 0;
}

int CfgNetClient::SetRelayControl(const QVector<quint8> &map, const QVector<quint8> &manualControl,
                                  const QVector<quint8> &bypassProtect)
{
    if (!ValidSet(map, kGroupCount, manualControl, bypassProtect)) {
        return -1;
    }
    auto request = NewRequest<RequestSetRelayControl>();
    for (int k = 0; k < map.size(); ++k) {
        request.manualControl[map[k]] = manualControl[k];
        request.bypassProtect[map[k]] = bypassProtect[k];
    }
    std::unique_ptr<ResponseMsg> holder;
    return Transact(request, holder) == 0 ? 0 : -1;
}

int CfgNetClient::GetRelayControl(const QVector<quint8> &map, QVector<quint8> &manualControl,
                                  QVector<quint8> &bypassProtect)
{
    if (!ValidMap(map, kGroupCount)) {
        return -1;
    }
    auto request = NewRequest<SimpleRequest<kMsgGetRelayControl>>();
    std::unique_ptr<ResponseMsg> holder;
    auto *r = Call<ResponseGetRelayControl>(request, holder);
    if (!r) {
        return -1;
    }
    manualControl.resize(map.size());
    bypassProtect.resize(map.size());
    for (int k = 0; k < map.size(); ++k) {
        manualControl[k] = r->manualControl[map[k]];
        bypassProtect[k] = r->bypassProtect[map[k]];
    }
    return 0;
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
    std::unique_ptr<ResponseMsg> holder;
    return Transact(request, holder) == 0 ? 0 : -1;
}

int CfgNetClient::GetAutoSwitchMethod(const QVector<quint8> &map, QVector<qint32> &values)
{
    if (!ValidMap(map, kGroupCount)) {
        return -1;
    }
    auto request = NewRequest<SimpleRequest<kMsgGetAutoSwitchMethod>>();
    std::unique_ptr<ResponseMsg> holder;
    auto *r = Call<ResponseGetAutoSwitchMethod>(request, holder);
    if (!r) {
        return -1;
    }
    values.resize(map.size());
    for (int k = 0; k < map.size(); ++k) {
        values[k] = r->method[map[k]];
    }
    return 0;
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
    std::unique_ptr<ResponseMsg> holder;
    return Transact(request, holder) == 0 ? 0 : -1;
}

int CfgNetClient::GetAutoSwitchTrigger(QVector<alarmTrigger> &triggers)
{
    auto request = NewRequest<SimpleRequest<kMsgGetAutoSwitchTrigger>>();
    std::unique_ptr<ResponseMsg> holder;
    auto *r = Call<ResponseGetAutoSwitchTrigger>(request, holder);
    if (!r) {
        return -1;
    }
    triggers = QVector<alarmTrigger>(r->entries, r->entries + kInputCount);
    return 0;
}

int CfgNetClient::ManualReturn(quint8 group)
{
    auto request = NewRequest<RequestManualReturn>();
    request.group = group;
    std::unique_ptr<ResponseMsg> holder;
    return Transact(request, holder) == 0 ? 0 : -1;
}

int CfgNetClient::SetAGCParam(const AGCParam &param)
{
    auto request = NewRequest<RequestSetAGCParam>();
    request.param = param;
    std::unique_ptr<ResponseMsg> holder;
    return Transact(request, holder) == 0 ? 0 : -1;
}

int CfgNetClient::GetAGCParam(AGCParam &param)
{
    auto request = NewRequest<SimpleRequest<kMsgGetAGCParam>>();
    std::unique_ptr<ResponseMsg> holder;
    auto *r = Call<ResponseGetAGCParam>(request, holder);
    if (!r) {
        return -1;
    }
    param = r->param;
    return 0;
}

int CfgNetClient::GetAudioLevel(QVector<quint16> &inputLevel, QVector<quint16> &outputLevel)
{
    auto request = NewRequest<SimpleRequest<kMsgGetAudioLevel>>();
    std::unique_ptr<ResponseMsg> holder;
    auto *r = Call<ResponseGetAudioLevel>(request, holder);
    if (!r) {
        return -1;
    }
    inputLevel = QVector<quint16>(r->inputLevel, r->inputLevel + kAudioChannels);
    outputLevel = QVector<quint16>(r->outputLevel, r->outputLevel + kAudioChannels);
    return 0;
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
    std::unique_ptr<ResponseMsg> holder;
    return Transact(request, holder) == 0 ? 0 : -1;
}

int CfgNetClient::GetNotificationDest(QStringList &ips, QVector<quint16> &ports)
{
    auto request = NewRequest<SimpleRequest<kMsgGetNotificationDest>>();
    std::unique_ptr<ResponseMsg> holder;
    auto *r = Call<ResponseGetNotificationDest>(request, holder);
    if (!r) {
        return -1;
    }
    ips = QStringList{AddressText(r->ip[0]), AddressText(r->ip[1])};
    ports = {r->port[0].value, r->port[1].value};
    return 0;
}

int CfgNetClient::SetPhaseAutoAlign(const QVector<quint8> &flags)
{
    if (flags.size() < 2) {
        return -1;
    }
    auto request = NewRequest<RequestSetPhaseAutoAlign>();
    request.followGenlock[0] = flags[0];
    request.followGenlock[1] = flags[1];
    std::unique_ptr<ResponseMsg> holder;
    return Transact(request, holder) == 0 ? 0 : -1;
}

int CfgNetClient::GetPhaseAutoAlign(QVector<quint8> &flags)
{
    auto request = NewRequest<SimpleRequest<kMsgGetPhaseAutoAlign>>();
    std::unique_ptr<ResponseMsg> holder;
    auto *r = Call<ResponseGetPhaseAutoAlign>(request, holder);
    if (!r) {
        return -1;
    }
    flags = {r->followGenlock[0], r->followGenlock[1]};
    return 0;
}

int CfgNetClient::AlignPhase(quint8 group)
{
    auto request = NewRequest<RequestAlignPhase>();
    request.group = group;
    std::unique_ptr<ResponseMsg> holder;
    return Transact(request, holder) == 0 ? 0 : -1;
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
