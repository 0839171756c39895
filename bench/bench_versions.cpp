// Whole versions in the change journal, and the undo of an unconfirmed
// change. Not a test: run it by hand,
//   build/bin/bench_versions [entries [runs]]
// (default 1000000 20) and keep docs/PERFORMANCE.md in step with what it
// prints.
//  1. A new SQLite journal with `entries` entries (operations of 10 changes
//     to fields of a real 4x1 AGC file, read from the simulator) over 50
//     devices and 60 days, and 1,000 versions: 20 a device, one every 3
//     days, each a few values from the last.
//  2. qvt-cli history --at, in this process, for a device and time picked
//     at random, written to a file: the median and worst of `runs`. Target:
//     under 200 ms.
//  3. What a snapshot costs the journal: 1,000 unchanged ones of a device,
//     then 100 changed ones; the database file's growth once closed, and
//     the rows and bytes stored.
//  4. qvt-monitord in this process watching the simulator at its default
//     poll of 1 s; imports with --confirm-within 0.01 (0.6 s) left
//     unconfirmed: from each deadline to the moment the device holds its
//     old value again. Target: under two polls.

#include "BenchCommon.h"
#include "Cli.h"
#include "DeviceSimulator.h"
#include "Journal.h"
#include "JournalDiff.h"
#include "StationMonitor.h"
#include "TextForms.h"
#include "XmlDocument.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>

#include "../tests/common/FreeLoopback.h"

#include <cstdio>
#include <vector>

namespace {
constexpr int kDevices = 50;
constexpr int kDays = 60;
constexpr int kPerOperation = 10;
constexpr int kVersionsPerDevice = 20;
const QDateTime kStart(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC);
const QString kDevice = TestAddress();

JournalContext Device(int n)
{
    JournalContext context = LocalJournalContext(QStringLiteral("bench_versions"));
    context.deviceSerial = QStringLiteral("QV00012345-%1").arg(n, 8, 10, QLatin1Char('0'));
    context.deviceAddress = QStringLiteral("10.1.%1.%2").arg(n / 200).arg(n % 200 + 10);
    context.deviceModel = QStringLiteral("QVT 4x1 AGC");
    context.loginUser = QStringLiteral("admin");
    return context;
}

double Millis(const QElapsedTimer &clock)
{
    return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

struct Ran {
    int status;
    QByteArray out;
    QByteArray err;
};

Ran RunInProcess(const QStringList &arguments)
{
    QBuffer in, out, err;
    in.open(QIODevice::ReadOnly);
    out.open(QIODevice::WriteOnly);
    err.open(QIODevice::WriteOnly);
    const int status = Cli::Run(arguments, in, out, err);
    if (status != 0) {
        std::fprintf(stderr, "qvt-cli %s: %s", qPrintable(arguments.join(' ')),
                     err.data().constData());
    }
    return {status, out.data(), err.data()};
}

// `file` with `count` of `fields` set to random values.
QByteArray Changed(const QByteArray &file, const QStringList &fields, QRandomGenerator &random,
                   int count)
{
    XmlDocument doc;
    doc.LoadContent(file);
    for (int i = 0; i < count; ++i) {
        QDomElement element = FindField(doc, fields[random.bounded(fields.size())]);
        SetFieldText(element, QString::number(random.bounded(100)));
    }
    doc.DeclareAsExported();
    return doc.ToBytes();
}

qint64 FileBytes(const QString &path)
{
    return QFileInfo(path).size() + QFileInfo(path + QStringLiteral("-wal")).size();
}

int Fill(Journal &journal, const QByteArray &file, int entries)
{
    XmlDocument doc;
    doc.LoadContent(file);
    const QStringList fields = FlattenDocument(doc).keys();
    QRandomGenerator random(42);
    const int operations = entries / kPerOperation;
    const qint64 span = qint64(kDays) * 86400 * 1000;
    QString error;
    QElapsedTimer clock;
    clock.start();
    QVector<JournalOperation> batch;
    for (int i = 0; i < operations; ++i) {
        const QDateTime when = kStart.addMSecs(span * i / operations);
        JournalOperation op{when,
                            Device(static_cast<int>(random.bounded(kDevices))),
                            QStringLiteral("Signal I/O"),
                            JournalSource::Tool,
                            {},
                            {},
                            {}};
        for (int c = 0; c < kPerOperation; ++c) {
            op.changes.append({fields[random.bounded(fields.size())],
                               QString::number(random.bounded(100)),
                               QString::number(random.bounded(100))});
        }
        batch.append(op);
        if (batch.size() == 1000 || i == operations - 1) {
            if (!journal.RecordAll(batch, &error)) {
                std::fprintf(stderr, "%s\n", qPrintable(error));
                return 1;
            }
            batch.clear();
        }
    }
    for (int d = 0; d < kDevices; ++d) {
        QByteArray held = file;
        for (int v = 0; v < kVersionsPerDevice; ++v) {
            held = Changed(held, fields, random, 3);
            const JournalContext c = Device(d);
            JournalVersion version{0,
                                   kStart.addSecs(qint64(v) * 3 * 86400 + d * 60),
                                   {},
                                   c.deviceSerial,
                                   c.deviceAddress,
                                   c.deviceModel,
                                   c.program,
                                   c.computer,
                                   held,
                                   {}};
            bool stored = false;
            if (!journal.StoreVersion(version, &stored, &error)) {
                std::fprintf(stderr, "%s\n", qPrintable(error));
                return 1;
            }
        }
    }
    std::printf(
        "filled %d entries (%d operations) and %d versions, %d devices, %d days, in "
        "%.1f s\n",
        entries, operations, kDevices * kVersionsPerDevice, kDevices, kDays, Millis(clock) / 1000);
    return 0;
}

// 3: unchanged and changed snapshots of one device, in a journal of their own.
int Storage(const QString &path, const QByteArray &file)
{
    XmlDocument doc;
    doc.LoadContent(file);
    const QStringList fields = FlattenDocument(doc).keys();
    QRandomGenerator random(7);
    QString error;
    const JournalContext c = Device(1);
    JournalVersion version{0,
                           QDateTime::currentDateTimeUtc(),
                           {},
                           c.deviceSerial,
                           c.deviceAddress,
                           c.deviceModel,
                           c.program,
                           c.computer,
                           file,
                           {}};
    qint64 sizes[3] = {};
    qint64 rows[3] = {}, bytes[3] = {};
    const auto round = [&](int n, int count, bool change) {
        auto journal = Journal::Open(path, &error);
        for (int i = 0; journal && i < count; ++i) {
            version.when = version.when.addSecs(900);
            if (change) {
                version.file = Changed(version.file, fields, random, 1);
            }
            bool stored = false;
            journal->StoreVersion(version, &stored, &error);
        }
        if (journal) {
            journal->VersionSizes(&rows[n], &bytes[n], &error);
        }
        journal.reset();  // the last connection's close checkpoints the log
        sizes[n] = FileBytes(path);
    };
    round(0, 1, false);
    round(1, 1000, false);
    round(2, 100, true);
    if (!error.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    std::printf("\nStorage: a parameter file of %d bytes, %lld compressed\n", int(file.size()),
                bytes[0]);
    std::printf(
        "  1,000 unchanged snapshots: %lld versions stored, %lld file bytes, database "
        "%+lld bytes\n",
        rows[1] - rows[0], bytes[1] - bytes[0], sizes[1] - sizes[0]);
    std::printf(
        "  100 changed snapshots (one random value each): %lld versions, %.0f compressed "
        "bytes each, database %+.0f bytes each\n",
        rows[2] - rows[1], double(bytes[2] - bytes[1]) / double(rows[2] - rows[1]),
        double(sizes[2] - sizes[1]) / double(rows[2] - rows[1]));
    return 0;
}

// 4: from each missed deadline to the device holding its old value again.
int RevertDelay(DeviceSimulator &device, const QString &dir, int runs)
{
    const QString journalPath = dir + QStringLiteral("/station.sqlite");
    MonitorConfig config;
    config.devices.append({QStringLiteral("bench"), kDevice, kMonitorAdmin, "admin"});
    config.listenAddress = kDevice;
    config.listenPort = 0;
    config.notifyPort = FreeUdpPort();
    config.logsDir = dir + QStringLiteral("/logs");
    config.journal = journalPath;
    config.journalSpool = dir + QStringLiteral("/spool.sqlite");
    StationMonitor monitor(config, [](const QString &, bool) {});
    QString error;
    if (!monitor.Start(&error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    const auto freeze = [&device] {
        int value = 0;
        device.WithModel([&value](DeviceModel &m) { value = m.detection[3].freezeValue1; });
        return value;
    };
    const QString saved = dir + QStringLiteral("/five.xml");
    device.WithModel([](DeviceModel &m) { m.detection[3].freezeValue1 = 5; });
    RunInProcess({"export", "-a", kDevice, "-p", "admin", "-o", saved});
    device.WithModel([](DeviceModel &m) { m.detection[3].freezeValue1 = 8; });
    std::vector<double> delays;
    QElapsedTimer waited;
    waited.start();
    for (int i = 0; i < runs && waited.elapsed() < 600000; ++i) {
        const Ran ran = RunInProcess({"import", "-a", kDevice, "-p", "admin", "--journal",
                                      journalPath, "--confirm-within", "0.01", saved});
        if (ran.status == int(Cli::kUsage)) {
            QThread::msleep(500);  // the service has not told the journal yet
            --i;
            continue;
        }
        const int at = ran.out.indexOf("qvt-cli confirm ");
        const qint64 id = ran.out.mid(at + 16).trimmed().toLongLong();
        auto journal = Journal::Open(journalPath, &error);
        QDateTime deadline;
        for (const JournalConfirmation &c : journal->Confirmations(true, &error)) {
            deadline = c.operationId == id ? c.deadline : deadline;
        }
        while (freeze() != 8 && waited.elapsed() < 600000) {
            QThread::msleep(2);
        }
        delays.push_back(double(deadline.msecsTo(QDateTime::currentDateTimeUtc())));
        std::printf("  operation %lld reverted %.0f ms after its deadline\n", id, delays.back());
    }
    if (delays.empty()) {
        return 1;
    }
    std::printf(
        "\nFrom a missed deadline to the device reverted, poll 1 s, %d runs: median "
        "%.0f ms, worst %.0f ms (target under 2000 ms)\n",
        int(delays.size()), Median(delays), Percentile(delays, 1.0));
    return 0;
}
}  // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int entries = argc > 1 ? QByteArray(argv[1]).toInt() : 1000000;
    const int runs = argc > 2 ? QByteArray(argv[2]).toInt() : 20;
    DeviceSimulator::Options options;
    options.address = kDevice;
    options.model = 50002;
    options.notify[0] = {0, 0};
    DeviceSimulator device(options);
    QTemporaryDir dir;
    if (!device.Start()) {
        std::fprintf(stderr, "cannot serve on %s\n", qPrintable(kDevice));
        return 1;
    }
    const Ran exported = RunInProcess({"export", "-a", kDevice, "-p", "admin"});
    if (exported.status != 0) {
        return 1;
    }
    const QString path = dir.filePath(QStringLiteral("journal.sqlite"));
    QString error;
    auto journal = Journal::Open(path, &error);
    if (!journal || Fill(*journal, exported.out, entries) != 0) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    journal.reset();
    std::printf("journal: %.0f MiB\n", double(FileBytes(path)) / (1 << 20));

    QRandomGenerator random(3);
    std::vector<double> at;
    qint64 applied = 0;
    const QString out = dir.filePath(QStringLiteral("at.xml"));
    for (int i = 0; i < runs; ++i) {
        const QDateTime when = kStart.addSecs(random.bounded(kDays * 86400));
        const QString serial = Device(static_cast<int>(random.bounded(kDevices))).deviceSerial;
        QElapsedTimer clock;
        clock.start();
        const Ran ran =
            RunInProcess({"history", "--at", when.toLocalTime().toString("yyyy-MM-ddTHH:mm:ss"),
                          "--device", serial, "-o", out, "--journal", path});
        // Before a device's first version there is none: status 5.
        if (ran.status == 0) {
            at.push_back(Millis(clock));
            const int said = ran.err.indexOf("), and ");
            applied += ran.err.mid(said + 7).split(' ').value(0).toLongLong();
        }
    }
    if (at.empty()) {
        return 1;
    }
    std::printf(
        "\nhistory --at, %d runs: median %.1f ms, worst %.1f ms (target under 200 ms); "
        "%lld journal entries applied on average\n",
        int(at.size()), Median(at), Percentile(at, 1.0), applied / qint64(at.size()));
    if (Storage(dir.filePath(QStringLiteral("storage.sqlite")), exported.out) != 0) {
        return 1;
    }
    return RevertDelay(device, dir.path(), qMax(5, runs / 4));
}
