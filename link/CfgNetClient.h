#pragma once

#include "DeviceTypes.h"
#include "LinkTypes.h"
#include "UdpTransport.h"

#include <QObject>
#include <QStringList>
#include <QVector>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <utility>

class RequestMsg;
class ResponseMsg;

// The one object through which the tool talks to the device. Each operation
// sends one request, waits for its answer (up to about 4 s) and copies the
// answer into the caller's variables. Every operation returns 0 on success and
// -1 on failure (Login: the device's result code); output arguments are
// written only on success.
//
// Index maps: caller entry k is device entry map[k] (four inputs or two
// groups). Entries the map does not address go out with their empty values.
// A map that addresses an entry the device does not have fails the operation
// before anything is sent.
//
// Shared by the user-interface thread and the worker threads. Two locks, never
// held together: m_requestLock guards the sequence counter and the login
// identifier; m_transportLock guards the transport, so that one transaction
// is on the wire at a time. A third, m_loginLock, lets one login at a time
// happen: a thread whose login expired waits for a login already under way
// and uses its identifier, so that threads do not cancel each other's
// logins. It is taken before either of the other two, never while they are
// held.
//
// m_endLock and m_ended only wake a probe waiting for the transport lock (it
// tries that lock while holding m_endLock, never blocking on it); m_silences
// counts, under the transport lock, the exchanges the device left unanswered.
//
// Close ends the transactions on the wire at once and fails the later ones
// without sending, until the next Open: it never waits for the device.
class CfgNetClient final : public QObject
{
    Q_OBJECT

public:
    // `receiveTimeoutMs`: the wait for each answer; 0, each request's own
    // (2000 ms).
    explicit CfgNetClient(int receiveTimeoutMs = 0, QObject *parent = nullptr);
    ~CfgNetClient() override;

    int Open(const QString &ipText, quint16 port);
    void Close();
    void SetUser(int userIndex, const QString &password);
    int Login();

    int GetWorkMode(quint32 &mode);
    // GetWorkMode for the liveness probe, which must not queue behind other
    // threads' exchanges with a silent device: when one of them ends without
    // an answer while the probe waits for the wire, that is the probe's
    // answer too (-1).
    int ProbeWorkMode(quint32 &mode);
    // GetVersion with the probe's patience, for the liveness thread's
    // version check.
    int ProbeVersion(QString &pcb, QString &fpga, QString &firmware);
    int GetProductInfo(quint32 &productCode, QByteArray &serial, QByteArray &extra);
    int GetVersion(QString &pcb, QString &fpga, QString &firmware);
    int GetNetParam(QString &ip, QString &mask, QString &gateway, quint8 &isDefault);
    int SetNetParam(const QString &ip, const QString &mask, const QString &gateway);
    int ModifyPassword(const QString &user, const QString &newPassword);

    int GetGenlockState(VideoStandard &standard, quint8 &present);
    int GetInputStandards(const QVector<quint8> &map, QVector<VideoStandard> &standards,
                          QVector<quint8> &present);
    int GetGPIOState(quint8 &gpiStatus, quint8 &gpoStatus);
    int SetPhase(const QVector<quint8> &map, const QVector<quint16> &lines,
                 const QVector<quint16> &pixels, const QVector<quint8> &modes);
    int GetPhase(const QVector<quint8> &map, QVector<quint16> &lines, QVector<quint16> &pixels,
                 QVector<PhaseState> &states, QVector<bool> &locked);
    int GetGroupPhase(const QVector<quint8> &map, QVector<quint16> &lines, QVector<quint16> &pixels,
                      QVector<quint8> &modes);
    int SetGPIOTriggerMode(GPIOTriggerMode gpi, GPIOTriggerMode gpo);
    int GetGPIOTriggerMode(GPIOTriggerMode &gpi, GPIOTriggerMode &gpo);
    int SetDetectionParam(int input, const DetectionParam &param);
    int GetDetectionParam(int input, DetectionParam &param);
    int SetSystemAlarmParam(SystemAlarm mask);
    int GetSystemAlarmParam(SystemAlarm &mask);
    int GetAlarmInfo(const QVector<quint8> &map, QVector<AlarmType> &video,
                     QVector<quint16> &audioLost, QVector<quint16> &audioSilent,
                     SystemAlarm &system);
    int SetAudioEffect(int group, quint8 enable, quint32 duration, quint8 duplication);
    int GetAudioEffect(int group, quint8 &enable, quint32 &duration, quint8 &duplication);
    int SetPGMOutputSelect(const QVector<quint8> &map, const QVector<quint8> &values);
    int GetPGMOutputSelect(const QVector<quint8> &map, QVector<quint8> &values);
    int SetAUXOutputSelect(quint8 value);
    int GetAUXOutputSelect(quint8 &value);
    int SetRelayControl(const QVector<quint8> &map, const QVector<quint8> &manualControl,
                        const QVector<quint8> &bypassProtect);
    int GetRelayControl(const QVector<quint8> &map, QVector<quint8> &manualControl,
                        QVector<quint8> &bypassProtect);
    int SetAutoSwitchMethod(const QVector<quint8> &map, const QVector<qint32> &values);
    int GetAutoSwitchMethod(const QVector<quint8> &map, QVector<qint32> &values);
    int SetAutoSwitchTrigger(const QVector<alarmTrigger> &triggers);
    int GetAutoSwitchTrigger(QVector<alarmTrigger> &triggers);
    int ManualReturn(quint8 group);
    int SetAGCParam(const AGCParam &param);
    int GetAGCParam(AGCParam &param);
    int GetAudioLevel(QVector<quint16> &inputLevel, QVector<quint16> &outputLevel);
    int SetNotificationDest(const QStringList &ips, const QVector<quint16> &ports);
    int GetNotificationDest(QStringList &ips, QVector<quint16> &ports);
    int SetPhaseAutoAlign(const QVector<quint8> &flags);
    int GetPhaseAutoAlign(QVector<quint8> &flags);
    int AlignPhase(quint8 group);

    // This machine's IPv4 addresses: the host name's first, in the
    // resolver's order, then those of every interface.
    QStringList LocalAddresses() const;
    // The local address on the device's subnet, or "0.0.0.0".
    QString LocalAddressOnDeviceSubnet();

    // The result of the calling thread's last operation that reached the
    // device: 0, the device's result code, or -1 when nothing came back.
    static int LastResult();

private:
    Q_DISABLE_COPY(CfgNetClient)

    // The next request's login and sequence; this thread's LastResult is -1
    // until its transaction ends.
    std::pair<quint32, quint16> NextIdentity();
    template <class Request>
    Request NewRequest();
    int Transact(RequestMsg &request, std::unique_ptr<ResponseMsg> &response);
    int TransactOnce(RequestMsg &request, std::unique_ptr<ResponseMsg> &response);
    // Takes the transport lock; a probe gives up (false) instead once another
    // exchange goes unanswered while it waits.
    bool TakeTransport(std::unique_lock<std::mutex> &lock);
    // One exchange under the transport lock; -1 unless an answer came.
    int Exchange(RequestMsg &request, std::unique_ptr<ResponseMsg> &response, int retries);
    // After a request made with login `stale` was refused as expired: logs in
    // again, unless another thread has done so since `stale` was current.
    int RenewLogin(quint32 stale);
    // The Authentication exchange; the caller holds m_loginLock.
    int Authenticate(int retries);
    // Transact, then the typed response; null when the transaction failed.
    template <class Response>
    Response *Call(RequestMsg &request, std::unique_ptr<ResponseMsg> &holder);
    // A request whose answer carries only its result: 0 or -1.
    int Send(RequestMsg &request);
    // Hands the typed answer to `use`; 0, or -1 when the transaction failed.
    template <class Response, class Use>
    int Query(RequestMsg &request, Use &&use);

    std::unique_ptr<UdpTransport> m_transport;
    std::mutex m_loginLock;
    std::mutex m_transportLock;
    std::mutex m_requestLock;
    std::mutex m_endLock;
    std::condition_variable m_ended;
    std::atomic<quint64> m_silences{0};
    quint16 m_sequence = 0;
    quint32 m_loginId = 0;
    quint32 m_session = 0;  // counts Opens: a login of an earlier session is not kept
    QByteArray m_user;      // set on the user-interface thread before any login
    QByteArray m_password;
};

template <class Request>
Request CfgNetClient::NewRequest()
{
    const std::pair<quint32, quint16> identity = NextIdentity();
    return Request(identity.first, identity.second);
}

template <class Response>
Response *CfgNetClient::Call(RequestMsg &request, std::unique_ptr<ResponseMsg> &holder)
{
    if (Transact(request, holder) != 0) {
        return nullptr;
    }
    return dynamic_cast<Response *>(holder.get());
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
