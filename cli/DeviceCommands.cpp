// The commands that watch the device: status and monitor.

#include "CliCommon.h"

#include "AlarmCsv.h"
#include "AlarmState.h"
#include "DeviceSession.h"
#include "DeviceTables.h"
#include "NoticesServer.h"
#include "TextForms.h"
#include "UpdateThread.h"

#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>

namespace Cli {
int Status(Io &io, const QStringList &arguments)
{
    Options options(*FindCommand("status"), true, {{"json", "json"}});
    int status = kOk;
    if (!Begin(io, options, arguments, &status)) {
        return status;
    }
    if (!options.Files().isEmpty()) {
        return Usage(io, QStringLiteral("status takes no file (%1); the address is A or -a A")
                             .arg(options.Files().constFirst()));
    }
    DeviceLogin session;
    status = session.Open(io, options);
    if (status != kOk) {
        return status;
    }
    CfgNetClient &client = session.client;
    // The model and the serial number came with the login.
    const auto code = static_cast<quint32>(session.productType);
    const QByteArray &serial = session.serial;
    QString pcb, fpga, firmware, ip, mask, gateway;
    quint8 isDefault = 0;
    const QVector<quint8> inputs = {0, 1, 2, 3};
    QVector<VideoStandard> standards;
    QVector<quint8> present;
    QVector<AlarmType> video;
    QVector<quint16> lost, silent;
    SystemAlarm system = 0;
    const char *failed = nullptr;
    if (client.GetVersion(pcb, fpga, firmware) != 0) {
        failed = "GetVersion";
    } else if (client.GetNetParam(ip, mask, gateway, isDefault) != 0) {
        failed = "GetNetParam";
    } else if (client.GetInputStandards(inputs, standards, present) != 0) {
        failed = "GetInputStandards";
    } else if (client.GetAlarmInfo(inputs, video, lost, silent, system) != 0) {
        failed = "GetAlarmInfo";
    }
    if (failed) {
        return session.Failed(io, failed);
    }
    const bool dual = IsDual(static_cast<int>(code));

    QJsonObject json;
    json.insert("address", session.Address());
    json.insert("model", EnglishModelName(code));
    json.insert("productType", static_cast<qint64>(code));
    json.insert("serial",
                serial.size() == 8
                    ? SerialNumberText(reinterpret_cast<const quint8 *>(serial.constData()))
                    : QString());
    json.insert("versions", QJsonObject{{"pcb", pcb}, {"fpga", fpga}, {"firmware", firmware}});
    json.insert(
        "network",
        QJsonObject{{"ip", ip}, {"mask", mask}, {"gateway", gateway}, {"default", isDefault != 0}});
    QJsonArray inputList;
    for (int i = 0; i < kInputCount; ++i) {
        inputList.append(QJsonObject{
            {"input", EventInputName(i, dual)},
            {"standard", present.value(i) ? VideoStandardName(standards.value(i), "SDI") : ""},
            {"present", present.value(i) != 0}});
    }
    json.insert("inputs", inputList);
    QJsonArray alarms;
    for (const ActiveAlarm &alarm : ActiveAlarms({video, lost, silent, system}, dual)) {
        alarms.append(QJsonObject{{"input", alarm.input}, {"alarm", alarm.alarm}});
    }
    json.insert("alarms", alarms);

    if (options.IsSet("json")) {
        io.Data(QJsonDocument(json).toJson(QJsonDocument::Indented));
        return kOk;
    }
    io.Line(QStringLiteral("Device:   %1 (%2), serial %3, at %4")
                .arg(json["model"].toString())
                .arg(code)
                .arg(json["serial"].toString(), session.Address()));
    io.Line(QStringLiteral("Versions: firmware %1, FPGA %2, PCB %3").arg(firmware, fpga, pcb));
    io.Line(QStringLiteral("Network:  %1 mask %2 gateway %3%4")
                .arg(ip, mask, gateway,
                     isDefault ? QStringLiteral(" (the default settings)") : QString()));
    for (const QJsonValue &input : inputList) {
        const QJsonObject entry = input.toObject();
        io.Line(QStringLiteral("%1: %2").arg(
            entry["input"].toString(), entry["present"].toBool() ? entry["standard"].toString()
                                                                 : QStringLiteral("no signal")));
    }
    io.Line(alarms.isEmpty() ? QStringLiteral("Alarms:   none") : QStringLiteral("Alarms:"));
    for (const QJsonValue &alarm : alarms) {
        const QJsonObject entry = alarm.toObject();
        const QString input = entry["input"].toString();
        io.Line(QStringLiteral("  %1%2").arg(input.isEmpty() ? QString() : input + ": ",
                                             entry["alarm"].toString()));
    }
    return kOk;
}

int Monitor(Io &io, const QStringList &arguments)
{
    Options options(
        *FindCommand("monitor"), true,
        {{"port", "port", "N"}, {"csv", "csv", "FILE"}, {"json", "json"}, {"count", "count", "N"}});
    int status = kOk;
    if (!Begin(io, options, arguments, &status)) {
        return status;
    }
    bool ok = true;
    const uint givenPort = options.IsSet("port") ? options.Value("port").toUInt(&ok) : 0;
    if (!ok || givenPort > 65535 || (options.IsSet("port") && givenPort == 0)) {
        return Usage(io, QStringLiteral("--port is 1 to 65535"));
    }
    const int count = options.IsSet("count") ? options.Value("count").toInt(&ok) : 0;
    if (!ok || count < 0) {
        return Usage(io, QStringLiteral("--count is a number of events"));
    }
    if (!options.Files().isEmpty()) {
        return Usage(io, QStringLiteral("monitor takes no file (%1); give one with --csv, "
                                        "and the address as A or -a A")
                             .arg(options.Files().constFirst()));
    }
    DeviceLogin session;
    status = session.Open(io, options);
    if (status != kOk) {
        return status;
    }
    CfgNetClient &client = session.client;
    quint16 port = static_cast<quint16>(givenPort);
    if (port == 0) {
        const DeviceSession::NotificationRoute route = DeviceSession::FindNotificationRoute(client);
        if (route.failedRead) {
            return session.Failed(io, route.failedRead);
        }
        if (!route.listed) {
            io.Note(QStringLiteral("alarm notifications may not arrive: no notification "
                                   "destination of the device names this computer%1; add one "
                                   "with Device > Add Dest IP... in the tool")
                        .arg(route.local.isEmpty() ? QString()
                                                   : QStringLiteral(" (%1)").arg(route.local)));
        }
        port = route.port;
        if (port == 0) {
            return Usage(io, QStringLiteral("the device sends its notifications to no port; "
                                            "give one with --port"));
        }
    }
    // The receiver takes only the logged-in device's datagrams, and names
    // the channels that changed since the device's last word.
    NoticeRoute route;
    QVector<AlarmType> video;
    QVector<quint16> lost, silent;
    SystemAlarm system = 0;
    if (client.GetAlarmInfo({0, 1, 2, 3}, video, lost, silent, system) == 0) {
        route.Masks().Store(lost, silent);
    }
    AlarmCsv::Preamble preamble;
    AlarmCsv::ReadPreamble(client, preamble);

    RegisterLinkTypes();
    NoticesServer receiver;
    receiver.Attach(&route, session.Address(), session.productType);
    if (!receiver.Start(port)) {
        return io.Fail(kFileError,
                       QStringLiteral("port %1 cannot be opened on this computer").arg(port));
    }
    io.Note(QStringLiteral("listening for %1's alarm events on port %2; Ctrl+C ends")
                .arg(session.Address())
                .arg(port));

    QEventLoop loop;
    int number = 0;
    int result = kOk;
    const QString csv = options.Value("csv");
    const bool json = options.IsSet("json");
    const auto print = [&](const AlarmInfo &info) {
        // Events queued behind the last one counted still arrive after the
        // quit: they are not ours to print.
        if (count > 0 && number >= count) {
            return;
        }
        const QString time = info.time.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
        const AlarmCsv::Row row = {QString::number(++number), time,      info.input, info.alarmType,
                                   info.alarmStatus,          info.notes};
        if (json) {
            const QJsonObject line{{"number", number},
                                   {"time", time},
                                   {"input", info.input},
                                   {"alarmType", info.alarmType},
                                   {"alarmStatus", info.alarmStatus},
                                   {"notes", info.notes}};
            io.Data(QJsonDocument(line).toJson(QJsonDocument::Compact) + '\n');
        } else {
            io.Data(AlarmCsv::Line(row).toUtf8());
        }
        QString why;
        if (!csv.isEmpty() && !AlarmCsv::AppendRow(csv, preamble, row, &why)) {
            io.Note(QStringLiteral("%1 could not be written (%2): row %3 is only on standard "
                                   "output")
                        .arg(csv, why)
                        .arg(number));
            result = kFileError;
        }
        if (count > 0 && number >= count) {
            loop.quit();
        }
    };
    QObject::connect(&route, &NoticeRoute::NotityAlarmInfo, &loop, print);

    // A device that stops answering is an event too, as in the tool's log.
    UpdateThread monitor(&client);
    bool connectionLost = false;
    QObject::connect(&monitor, &UpdateThread::IsAlive, &loop, [&](bool alive, int) {
        if (alive == !connectionLost) {
            return;
        }
        connectionLost = !alive;
        if (alive) {
            client.Login();
        }
        AlarmInfo info;
        info.time = QDateTime::currentDateTime();
        info.alarmType = QStringLiteral("Connection Lost");
        info.alarmStatus = alive ? QStringLiteral("Cleared") : QStringLiteral("Asserted");
        print(info);
    });
    monitor.Start();

    QTimer stopCheck;
    QObject::connect(&stopCheck, &QTimer::timeout, &loop, [&loop] {
        if (StopRequested()) {
            loop.quit();
        }
    });
    stopCheck.start(100);
    loop.exec();

    receiver.Stop();
    monitor.Stop();
    client.Close();
    monitor.Join();
    return result;
}

}  // namespace Cli
