// The change journal at scale, in SQLite. Not a test: run it by hand,
//   build/bin/bench_journal [entries [runs]]
// (default 1000000 20) and keep docs/PERFORMANCE.md in step with what it
// prints.
//  1. Fills a new journal with `entries` entries: operations of 10 changes
//     over 50 devices and 60 days, 1,000 operations a transaction.
//  2. History of one device on one day, by serial and by address, and the
//     newest 100 of one device: the median and worst of `runs` queries, each
//     for another device and day picked at random. Target: under 100 ms.
//     Then the fields below one path ("SignalIO/GroupB/Section3/", about 1 %
//     of the entries) over every device: the field index's range.
//  3. --verify: every operation's hash checked. Target: under 10 s.
//  4. Record of an Apply's operation of 30 changes and of an import's of
//     250 (the 4x1 AGC model's file has 346 fields), one transaction each as
//     the tool writes them. Targets: under 5 ms and under 50 ms.

#include "BenchCommon.h"
#include "Journal.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstdio>
#include <vector>

namespace {
constexpr int kDevices = 50;
constexpr int kDays = 60;
constexpr int kPerOperation = 10;
const QDateTime kStart(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC);

JournalContext Device(int n)
{
    JournalContext context = LocalJournalContext(QStringLiteral("bench_journal"));
    context.deviceSerial = QStringLiteral("QV00012345-%1").arg(n, 8, 10, QLatin1Char('0'));
    context.deviceAddress = QStringLiteral("10.1.%1.%2").arg(n / 200).arg(n % 200 + 10);
    context.deviceModel = QStringLiteral("QVT 4x1 AGC");
    context.loginUser = QStringLiteral("admin");
    return context;
}

JournalOperation Operation(QRandomGenerator &random, const QDateTime &when, int device, int changes)
{
    JournalOperation op{
        when, Device(device), QStringLiteral("Signal I/O"), JournalSource::Tool, {}, {}, {}};
    for (int i = 0; i < changes; ++i) {
        const quint32 field = random.bounded(350);
        op.changes.append({QStringLiteral("SignalIO/Group%1/Section%2/Field%3")
                               .arg(QChar('A' + field % 4))
                               .arg(field / 40)
                               .arg(field),
                           QString::number(random.bounded(1000)),
                           QString::number(1000 + random.bounded(1000))});
    }
    return op;
}

double Millis(const QElapsedTimer &clock)
{
    return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

void Row(const char *what, const std::vector<double> &ms, const char *target)
{
    std::printf("%-40s %9.2f ms %9.2f ms   %s\n", what, Median(ms), Percentile(ms, 1.0), target);
}
}  // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int entries = argc > 1 ? QByteArray(argv[1]).toInt() : 1000000;
    const int runs = argc > 2 ? QByteArray(argv[2]).toInt() : 20;
    QTemporaryDir dir;
    QString error;
    auto journal = Journal::Open(dir.filePath(QStringLiteral("journal.sqlite")), &error);
    if (!journal) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    QRandomGenerator random(42);
    const int operations = entries / kPerOperation;
    const qint64 span = qint64(kDays) * 86400 * 1000;
    QElapsedTimer clock;
    clock.start();
    QVector<JournalOperation> batch;
    for (int i = 0; i < operations; ++i) {
        // In time order, as they are written.
        const QDateTime when = kStart.addMSecs(span * i / operations);
        batch.append(
            Operation(random, when, static_cast<int>(random.bounded(kDevices)), kPerOperation));
        if (batch.size() == 1000 || i == operations - 1) {
            if (!journal->RecordAll(batch, &error)) {
                std::fprintf(stderr, "%s\n", qPrintable(error));
                return 1;
            }
            batch.clear();
        }
    }
    const QString file = dir.filePath(QStringLiteral("journal.sqlite"));
    std::printf("filled %d entries (%d operations, %d devices, %d days) in %.1f s: %.0f MiB\n",
                entries, operations, kDevices, kDays, Millis(clock) / 1000,
                static_cast<double>(QFileInfo(file).size() +
                                    QFileInfo(file + QStringLiteral("-wal")).size()) /
                    (1 << 20));

    std::vector<double> bySerial, byAddress, newest, prefix;
    qint64 found = 0;
    for (int i = 0; i < runs; ++i) {
        const int device = static_cast<int>(random.bounded(kDevices));
        JournalFilter filter;
        filter.since = kStart.addDays(random.bounded(kDays));
        filter.until = filter.since.addDays(1);
        filter.device = Device(device).deviceSerial;
        clock.start();
        found += journal->History(filter).size();
        bySerial.push_back(Millis(clock));
        filter.device = Device(device).deviceAddress;
        clock.start();
        journal->History(filter);
        byAddress.push_back(Millis(clock));
        JournalFilter latest;
        latest.device = filter.device;
        latest.limit = 100;
        clock.start();
        journal->History(latest);
        newest.push_back(Millis(clock));
        JournalFilter below;
        below.field = QStringLiteral("SignalIO/Group%1/Section%2/")
                          .arg(QChar('A' + random.bounded(4)))
                          .arg(random.bounded(8));
        below.fieldPrefix = true;
        below.since = filter.since;
        below.until = filter.until;
        clock.start();
        journal->History(below);
        prefix.push_back(Millis(clock));
    }
    std::printf("\nHistory, %d runs (%lld entries a device and day on average)\n", runs,
                found / runs);
    std::printf("%-40s %12s %12s   %s\n", "", "median", "worst", "target");
    Row("one device by serial, one day", bySerial, "under 100 ms");
    Row("one device by address, one day", byAddress, "under 100 ms");
    Row("one device, newest 100", newest, "");
    Row("fields below a path, one day", prefix, "under 100 ms");

    JournalChain::Check check;
    clock.start();
    if (!journal->Verify(&check, &error) || !check.Intact()) {
        std::fprintf(stderr, "verify: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("\n--verify of %lld operations, %lld entries: %.2f s (target under 10 s)\n",
                check.operations, check.entries, Millis(clock) / 1000);

    std::vector<double> apply, import;
    const QDateTime now = kStart.addDays(kDays);
    for (int i = 0; i < 50; ++i) {
        const JournalOperation op = Operation(random, now.addSecs(i), 7, 30);
        clock.start();
        journal->Record(op, &error);
        apply.push_back(Millis(clock));
    }
    for (int i = 0; i < 20; ++i) {
        const JournalOperation op = Operation(random, now.addSecs(100 + i), 7, 250);
        clock.start();
        journal->Record(op, &error);
        import.push_back(Millis(clock));
    }
    std::printf("\nRecord, one transaction each\n");
    Row("an Apply, 30 changes (50 runs)", apply, "under 5 ms");
    Row("an import, 250 changes (20 runs)", import, "under 50 ms");
    if (!error.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    return 0;
}
