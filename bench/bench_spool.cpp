// The change journal's spool. Not a test: run it by hand,
//   build/bin/bench_spool [runs [operations]]
// (default 200 10000) and keep docs/PERFORMANCE.md in step with what it
// prints.
//  1. What an Apply's operation (30 changes) costs its writer when the
//     journal takes it, and when the journal cannot be opened and the
//     operation goes to the spool, synced: the median and worst of `runs`.
//     Target: the spool adds under 5 ms.
//  2. `operations` operations of 10 changes kept in the spool, then moved by
//     one Flush into a PostgreSQL server of the bench's own (as
//     tests/journal does it; SQLite without the server). Target: under 10 s
//     for 10,000.

#include "../tests/journal/PostgresServer.h"
#include "BenchCommon.h"
#include "JournalWriter.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <vector>

namespace {
JournalOperation Operation(int changes, int n)
{
    JournalOperation op;
    op.context = LocalJournalContext(QStringLiteral("bench_spool"));
    op.context.deviceSerial = QStringLiteral("QV00012345-00000042");
    op.context.deviceAddress = QStringLiteral("10.1.0.10");
    op.operation = QStringLiteral("Signal I/O");
    for (int i = 0; i < changes; ++i) {
        op.changes.append({QStringLiteral("SignalIO/GroupA/Field%1").arg(i), QString::number(n),
                           QString::number(n + 1)});
    }
    return op;
}

// Milliseconds of each Submit of an Apply into `location`.
std::vector<double> Submits(const QString &location, const QString &spool, int runs)
{
    JournalWriter writer(location, {}, spool);
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer clock;
        clock.start();
        writer.Submit(Operation(30, i));
        ms.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    return ms;
}
}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(10, atoi(argv[1])) : 200;
    const int operations = argc > 2 ? std::max(100, atoi(argv[2])) : 10000;
    QTemporaryDir dir;
    qputenv("XDG_DATA_HOME", dir.filePath("data").toLocal8Bit());

    const std::vector<double> taken =
        Submits(dir.filePath("journal.sqlite"), dir.filePath("spool-a.sqlite"), runs);
    QFile blocker(dir.filePath("blocked"));
    blocker.open(QIODevice::WriteOnly);
    blocker.close();
    const std::vector<double> spooled =
        Submits(dir.filePath("blocked/journal.sqlite"), dir.filePath("spool-b.sqlite"), runs);
    std::printf("An Apply of 30 changes, %d runs:\n", runs);
    std::printf("  journal takes it      median %6.2f ms  worst %6.2f ms\n", Median(taken),
                Percentile(taken, 1));
    std::printf(
        "  to the spool, synced  median %6.2f ms  worst %6.2f ms   added %.2f ms, "
        "target < 5 ms: %s\n",
        Median(spooled), Percentile(spooled, 1), Median(spooled) - Median(taken),
        Median(spooled) - Median(taken) < 5 ? "met" : "MISSED");

    PostgresServer server;
    QString location = dir.filePath("moved.sqlite");
    QString problem;
    if (!PostgresServer::Programs().isEmpty() && server.Start(&problem) &&
        server.Sql("postgres", {"CREATE DATABASE moved"})) {
        location = server.Url("moved");
    } else {
        std::printf("(no PostgreSQL server: %s; into SQLite instead)\n", qPrintable(problem));
    }
    const QString spool = dir.filePath("spool-c.sqlite");
    {
        JournalSpool keep(spool);
        QVector<JournalOperation> batch;
        for (int i = 0; i < operations; ++i) {
            batch.append(Operation(10, i));
        }
        QString error;
        if (!keep.Keep(Journal::WhereOf(location), batch, &error)) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 1;
        }
    }
    JournalWriter writer(location, {}, spool);
    QElapsedTimer clock;
    clock.start();
    const bool moved = writer.Flush();
    const double seconds = double(clock.elapsed()) / 1000;
    QString error;
    const auto journal = Journal::Open(location, &error);
    const int entries = journal ? journal->History({}, &error).size() : -1;
    std::printf(
        "%d spooled operations (%d entries) moved into %s: %.2f s, %s; target < 10 s: "
        "%s\n",
        operations, entries, location.startsWith("postgresql") ? "PostgreSQL" : "SQLite", seconds,
        moved ? "all" : qPrintable(writer.LastError()), moved && seconds < 10 ? "met" : "MISSED");
    return 0;
}
