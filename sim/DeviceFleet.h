#pragma once

#include "DeviceSimulator.h"

#include <memory>
#include <vector>

// Many simulated devices in one process, for a monitor that watches a whole
// installation. Device K serves on the first address + K with serial number
// QV000(12345 + K)-00000042 and fault seed + K; every other option is the
// same for all. Each device keeps its own state, login, notification
// destinations and faults.
class DeviceFleet final
{
public:
    static constexpr int kMaxDevices = 1024;
    static constexpr int kEveryDevice = -1;  // "@*"
    static constexpr int kUnaddressed = -2;  // no "@": device 0, or the fleet for storm

    // Whether `count` consecutive addresses from `first` all lie in
    // 127.0.0.1-127.255.255.254; the reason when not.
    static bool InLoopback(const QString &first, int count, QString *why);

    // `options` as for one device, whose address is device 0's.
    DeviceFleet(const DeviceSimulator::Options &options, int count);
    ~DeviceFleet();

    // Starts every device; false, with the index of the one that cannot
    // serve, when one cannot.
    bool Start(int *failed = nullptr);
    int Size() const { return int(m_devices.size()); }
    DeviceSimulator &Device(int index) { return *m_devices[size_t(index)]; }
    QString Address(int index) const;
    // "ready 3 devices 127.0.1.1-127.0.1.3:33903 model 50002"
    QString ReadyLine() const;

    // The device a console line is for (kEveryDevice for "@*", kUnaddressed
    // without "@") and its command; false, with the answer, when it names none.
    bool Split(const QString &line, int *index, QString *command, QString *answer) const;
    // Answers one console line: one line, or for "@*" one line per device in
    // the order of their indexes, joined by '\n'.
    QString Command(const QString &line);
    QString Command(int index, const QString &command);

private:
    Q_DISABLE_COPY(DeviceFleet)

    QString Storm(const QStringList &words);

    quint32 m_first = 0;
    quint16 m_port;
    quint32 m_model;
    std::vector<std::unique_ptr<DeviceSimulator>> m_devices;
};
