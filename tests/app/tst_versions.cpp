// Whole versions of a device's parameters in the journal, the file of any
// time, restore, and changes that the service reverts unless confirmed:
// qvt-cli and qvt-monitord against the simulator, sharing one journal.

#include "../common/CliRun.h"
#include "../common/ServiceInProcess.h"
#include "../common/SimulatorClient.h"
#include "../journal/PostgresServer.h"
#include "Journal.h"
#include "StationMonitor.h"
#include "TextForms.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <mutex>

namespace {
// A field on each of three pages the import writes.
void SetDevice(DeviceModel &m, int value)
{
    m.fadingDuration[0] = 100 + value;  // Signal I/O
    m.gpiMode = value & 1;              // GPIO
    m.detection[3].freezeValue1 = value;
}
const QString kFreeze = QStringLiteral("Alarms/Settings/GroupA/Input4/VideoFreeze/Diff");

// The second now running, once it is over: a time the command line names
// (to the second, all of it) that holds everything done so far and nothing
// done after.
QDateTime NextSecond()
{
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    const qint64 next = (now / 1000 + 1) * 1000;
    QTest::qWait(int(next - now) + 5);  // nothing to await but the clock
    return QDateTime::fromMSecsSinceEpoch(next - 1000);
}

QString Arg(const QDateTime &at)
{
    return at.toLocalTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
}
}  // namespace

class TestVersions : public QObject, public SimulatorClient
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void versionsOnChange();
    void atLikeExport_data();
    void atLikeExport();
    void diffAndRestore();
    void confirmRefused_data();
    void confirmRefused();
    void confirmedOrReverted();
    void claimOnce();

private:
    void AtLikeExport();
    QStringList Device(const QString &command, const QString &journal = QString()) const
    {
        return {command,
                "-a",
                kDevice,
                "-p",
                "admin",
                "--journal",
                journal.isEmpty() ? m_journal : journal};
    }
    // A file of the device at `value`, the device then at `now`.
    QString Saved(int value, int now)
    {
        const QString file = m_files.filePath(QStringLiteral("saved%1.xml").arg(value));
        m_device->WithModel([value](DeviceModel &m) { SetDevice(m, value); });
        Run run = RunCli({"export", "-a", kDevice, "-p", "admin", "-o", file});
        m_device->WithModel([now](DeviceModel &m) { SetDevice(m, now); });
        return run.status == 0 ? file : QString();
    }
    QByteArray Export() { return RunCli({"export", "-a", kDevice, "-p", "admin"}).out; }
    int Freeze()
    {
        int value = 0;
        m_device->WithModel([&value](DeviceModel &m) { value = m.detection[3].freezeValue1; });
        return value;
    }
    QString Serial()
    {
        QString serial;
        m_device->WithModel([&serial](DeviceModel &m) { serial = SerialNumberText(m.serial); });
        return serial;
    }
    qint64 Metric(const char *name)
    {
        const QByteArray series = QByteArray(name) + "{device=\"studio\"} ";
        const QByteArray metrics = m_monitor->Metrics();
        const int at = metrics.indexOf('\n' + series);
        return at < 0 ? -1 : metrics.mid(at + series.size() + 1).split('\n')[0].toLongLong();
    }

    QString m_service;  // the journal the service shares
    QString m_journal;  // this case's
    int m_round = 0;
    ServiceInProcess m_monitor;
};

void TestVersions::initTestCase()
{
    qputenv("XDG_DATA_HOME", m_files.filePath("data").toLocal8Bit());
    StartAndLogIn();
    m_service = m_files.filePath("station.sqlite");
    MonitorConfig config;
    config.devices.append({"studio", kDevice, kMonitorAdmin, "admin"});
    config.listenAddress = LoopbackText(TestLoopback());
    config.listenPort = 0;
    config.notifyPort = FreeUdpPort();
    config.logsDir = m_files.filePath("logs");
    config.pollSeconds = 0.2;
    config.downAfterSeconds = 3;
    config.snapshotMinutes = 0.01;
    config.journal = m_service;
    config.journalSpool = m_files.filePath("spool.sqlite");
    const QString error = m_monitor.Start(config);
    QVERIFY2(error.isEmpty(), qPrintable(error));
}

void TestVersions::cleanupTestCase()
{
    m_monitor.Reset();
}

void TestVersions::init()
{
    m_journal = m_files.filePath(QStringLiteral("journal%1.sqlite").arg(++m_round));
}

// The service stores the first snapshot whole, then only the time it was
// seen again while unchanged, and a new version once the device changed.
void TestVersions::versionsOnChange()
{
    QString error;
    const auto journal = Journal::Open(m_service, &error);
    QVERIFY2(journal, qPrintable(error));
    const auto newest = [&] {
        JournalVersion version;
        bool found = false;
        journal->VersionAt(Serial(), QDateTime::currentDateTimeUtc(), &version, &found, &error);
        return version;
    };
    QTRY_VERIFY_WITH_TIMEOUT(newest().id > 0, 15000);
    const JournalVersion first = newest();
    QTRY_VERIFY_WITH_TIMEOUT(newest().seen > first.seen.addMSecs(1500), 15000);
    qint64 versions = 0, bytes = 0;
    QVERIFY(journal->VersionSizes(&versions, &bytes, &error));
    QCOMPARE(versions, 1);
    QCOMPARE(newest().id, first.id);
    QCOMPARE(newest().file, Export());

    m_device->WithModel([](DeviceModel &m) { ++m.detection[3].freezeValue1; });
    QTRY_VERIFY_WITH_TIMEOUT(newest().id != first.id, 15000);
    QCOMPARE(newest().file, Export());
    QVERIFY(journal->VersionSizes(&versions, &bytes, &error));
    QCOMPARE(versions, 2);
    // The change itself is the snapshot's entry, found outside the tool.
    JournalFilter filter;
    filter.field = kFreeze;
    const QVector<JournalEntry> found = journal->History(filter, &error);
    QVERIFY(!found.isEmpty());
    QCOMPARE(found[0].source, JournalSource::Outside);
}

void TestVersions::atLikeExport_data()
{
    QTest::addColumn<bool>("postgres");
    QTest::newRow("SQLite") << false;
    QTest::newRow("PostgreSQL") << true;
}

// The file of a time, from a version and the entries after it, is the
// export of that time byte for byte; before any version there is none.
void TestVersions::atLikeExport()
{
    QFETCH(bool, postgres);
    if (postgres) {
        QVT_POSTGRES_SERVER(server, "journal");
        m_journal = server.Url("journal");
        AtLikeExport();
    } else {
        AtLikeExport();
    }
}

void TestVersions::AtLikeExport()
{
    const QString saved = Saved(5, 8);
    QCOMPARE(RunCli(Device("import") << saved).status, 0);  // leaves a version
    const QDateTime first = NextSecond();
    const QByteArray thenExport = Export();
    NextSecond();
    // A page written by the window: journaled, and no version of its own.
    JournalOperation page;
    page.context = LocalJournalContext(QStringLiteral("qvt-config"));
    page.context.deviceSerial = Serial();
    page.context.deviceAddress = kDevice;
    page.operation = QStringLiteral("Detection");
    page.changes = {{kFreeze, "5", "11"}};
    QString error;
    QVERIFY(Journal::Open(m_journal, &error)->Record(page, &error));
    m_device->WithModel([](DeviceModel &m) { m.detection[3].freezeValue1 = 11; });
    const QDateTime second = NextSecond();
    const QByteArray nowExport = Export();
    QVERIFY(thenExport != nowExport);

    const QString file = m_files.filePath("at.xml");
    for (const auto &[at, expected, applied] :
         {std::make_tuple(first, thenExport, 0), std::make_tuple(second, nowExport, 1)}) {
        const Run run = RunCli(
            {"history", "--at", Arg(at), "--device", Serial(), "-o", file, "--journal", m_journal});
        QCOMPARE(run.status, 0);
        QVERIFY2(run.err.contains(
                     QStringLiteral("and %1 journal entries after it").arg(applied).toUtf8()),
                 run.err.constData());
        QFile written(file);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll(), expected);
    }
    const Run none =
        RunCli({"history", "--at", "2001-01-01", "--device", kDevice, "--journal", m_journal});
    QCOMPARE(none.status, int(Cli::kNothingThen));
    QVERIFY(none.out.isEmpty());
}

// The fields between two times, and now; restore asks, skips what only a
// dialog sets, writes only the pages that hold the fields and journals it.
void TestVersions::diffAndRestore()
{
    const QString saved = Saved(5, 8);
    QCOMPARE(RunCli(Device("import") << saved).status, 0);
    const QDateTime then = NextSecond();
    JournalOperation dialog;
    dialog.context = LocalJournalContext(QStringLiteral("qvt-config"));
    dialog.context.deviceSerial = Serial();
    dialog.context.deviceAddress = kDevice;
    dialog.operation = QStringLiteral("Network Property");
    dialog.changes = {{"Network/IPAddress", "127.0.0.1", "127.0.0.2"}};
    QString error;
    QVERIFY(Journal::Open(m_journal, &error)->Record(dialog, &error));
    // GPI mode is 5 & 1 both times: its page is not written back.
    QCOMPARE(RunCli(Device("import") << Saved(7, 7)).status, 0);
    const QDateTime later = NextSecond();

    Run run = RunCli(
        {"history", "--diff", Arg(then), Arg(later), "--device", kDevice, "--journal", m_journal});
    QCOMPARE(run.status, int(Cli::kDifferent));
    QVERIFY2(run.out.contains(kFreeze.toUtf8() + ": 5 -> 7\n"), run.out.constData());
    QCOMPARE(run.out.count('\n'), 2);
    m_device->WithModel([](DeviceModel &m) { m.detection[3].freezeValue1 = 9; });
    run = RunCli(Device("history") << "--diff" << Arg(then) << "--json"
                                   << "--device" << kDevice);
    QCOMPARE(run.status, int(Cli::kDifferent));
    QStringList now;
    for (const QByteArray &line : run.out.trimmed().split('\n')) {
        const QJsonObject o = QJsonDocument::fromJson(line).object();
        now << QStringLiteral("%1: %2 -> %3")
                   .arg(o.value("field").toString(), o.value("before").toString(),
                        o.value("after").toString());
    }
    QVERIFY2(now.size() == 2 && now.contains(kFreeze + ": 5 -> 9"), qPrintable(now.join(", ")));

    const QByteArray before = Export();
    run = RunCli(Device("restore") << "--to" << Arg(then), "n\n");
    QCOMPARE(run.status, 0);
    QVERIFY2(run.err.contains("Network/IPAddress changed since " +
                              then.toString("yyyy-MM-dd HH:mm:ss").toUtf8() +
                              " and is not restored (set it in its dialog): skipped\n") &&
                 run.err.contains("write these 2 values to") &&
                 run.err.endsWith("nothing was written\n"),
             run.err.constData());
    QCOMPARE(run.out.count('\n'), 2);
    QCOMPARE(Export(), before);
    run = RunCli(Device("restore") << "--to" << Arg(then), "y\n");
    QCOMPARE(run.status, 0);
    // Signal I/O and Detection hold the fields: GPIO is not written.
    QVERIFY2(run.out.contains("Signal I/O: written\n") && !run.out.contains("GPIO"),
             run.out.constData());
    QCOMPARE(Freeze(), 5);
    JournalFilter filter;
    filter.device = kDevice;
    const QVector<JournalEntry> entries = Journal::Open(m_journal, &error)->History(filter);
    QCOMPARE(entries[0].operation, "restore to " + then.toString("yyyy-MM-dd HH:mm:ss"));
    int restored = 0;
    for (const JournalEntry &e : entries) {
        restored += e.operationId == entries[0].operationId;
    }
    QCOMPARE(restored, 2);
    run = RunCli(Device("restore") << "--to" << Arg(then) << "--yes");
    QCOMPARE(run.status, 0);
    QVERIFY2(run.err.contains("nothing to write"), run.err.constData());
}

void TestVersions::confirmRefused_data()
{
    QTest::addColumn<QString>("watcher");  // "", "guest" or "admin"
    QTest::addColumn<QString>("minutes");
    QTest::addColumn<QString>("says");
    QTest::newRow("no service") << ""
                                << "1"
                                << "no qvt-monitord sharing";
    QTest::newRow("service as guest") << "guest"
                                      << "1"
                                      << "watches " + kDevice + " as guest";
    QTest::newRow("no minutes") << "admin"
                                << "0"
                                << "--confirm-within 0: up to 1440 minutes";
    QTest::newRow("a day and more") << "admin"
                                    << "1441"
                                    << "up to 1440 minutes";
}

// Without a service that could undo it, a change to confirm is not made.
void TestVersions::confirmRefused()
{
    QFETCH(QString, watcher);
    QFETCH(QString, minutes);
    QFETCH(QString, says);
    QString error;
    if (!watcher.isEmpty()) {
        QVERIFY(Journal::Open(m_journal, &error)
                    ->Watch({Serial()}, QStringLiteral("mcr-pc"), watcher == "admin", &error));
    }
    const QString saved = Saved(5, 8);
    for (const char *command : {"import", "restore"}) {
        QStringList arguments = Device(command) << "--confirm-within" << minutes;
        arguments << (qstrcmp(command, "import") == 0 ? QStringList{saved}
                                                      : QStringList{"--to", "2030-01-01"});
        const Run run = RunCli(arguments);
        QCOMPARE(run.status, int(Cli::kUsage));
        QVERIFY2(run.err.contains(says.toUtf8()), run.err.constData());
        QCOMPARE(Freeze(), 8);
    }
}

// Confirmed, a change stays; not confirmed, the service reverts it after
// its deadline, all but a field someone changed again meanwhile, which it
// names; history, the journal and the metrics say what happened.
void TestVersions::confirmedOrReverted()
{
    m_journal = m_service;
    QString error;
    const auto journal = Journal::Open(m_service, &error);
    QString computer;
    bool canRevert = false;
    QDateTime seen;
    QTRY_VERIFY_WITH_TIMEOUT(
        journal->Watcher(Serial(), &computer, &canRevert, &seen, &error) && seen.isValid(), 15000);
    QVERIFY(canRevert);
    const QString five = Saved(5, 8), six = Saved(6, 5);
    const auto operation = [](const Run &run) {
        const int at = run.out.indexOf("qvt-cli confirm ");
        return at < 0 ? 0 : run.out.mid(at + 16).trimmed().toLongLong();
    };
    // 5 stays, confirmed; 6 is left unconfirmed, and its freeze value is
    // someone else's by the time its deadline passes.
    m_device->WithModel([](DeviceModel &m) { SetDevice(m, 8); });
    Run run = RunCli(Device("import") << "--confirm-within"
                                      << "0.05" << five);
    QCOMPARE(run.status, 0);
    const qint64 confirmed = operation(run);
    QVERIFY2(confirmed > 0, run.out.constData());
    run = RunCli({"confirm", QString::number(confirmed), "--journal", m_service});
    QCOMPARE(run.status, 0);
    QCOMPARE(run.out, QStringLiteral("operation %1 confirmed: it stays\n").arg(confirmed).toUtf8());
    run = RunCli(Device("import") << "--confirm-within"
                                  << "0.1" << six);
    QCOMPARE(run.status, 0);
    const qint64 unconfirmed = operation(run);
    m_device->WithModel([](DeviceModel &m) { m.detection[3].freezeValue1 = 42; });
    run = RunCli({"history", "--device", kDevice, "--journal", m_service});
    QVERIFY2(run.err.contains(QStringLiteral("operation %1 on %2 awaits confirmation until")
                                  .arg(unconfirmed)
                                  .arg(kDevice)
                                  .toUtf8()),
             run.err.constData());
    QTRY_COMPARE_WITH_TIMEOUT(Metric("qvt_pending_confirmations"), 1, 5000);

    QTRY_COMPARE_WITH_TIMEOUT(Metric("qvt_confirmations_reverted_total"), 1, 20000);
    QTRY_COMPARE_WITH_TIMEOUT(Metric("qvt_pending_confirmations"), 0, 5000);
    int fading = 0, gpi = 0;
    m_device->WithModel([&](DeviceModel &m) {
        fading = m.fadingDuration[0];
        gpi = m.gpiMode;
    });
    QCOMPARE(fading, 105);  // 6's undone, 5's kept
    QCOMPARE(gpi, 1);
    QCOMPARE(Freeze(), 42);
    QVERIFY(
        m_monitor.Said()
            .filter(QStringLiteral("not reverted, changed again since: %1 (now 42)").arg(kFreeze))
            .size() == 1);
    QStringList reverted;
    JournalFilter filter;
    filter.device = kDevice;
    for (const JournalEntry &e : journal->History(filter)) {
        if (e.operation == QStringLiteral("not confirmed: revert of #%1").arg(unconfirmed)) {
            reverted << e.change.field;
            QCOMPARE(e.context.program, QStringLiteral("qvt-monitord"));
        }
    }
    QCOMPARE(reverted.size(), 2);
    QVERIFY(!reverted.contains(kFreeze));
    run = RunCli({"history", "--device", kDevice, "--journal", m_service});
    QVERIFY(run.out.contains("(confirmed by "));
    QVERIFY(run.out.contains("(not confirmed: reverted as #"));
    run = RunCli({"confirm", QString::number(unconfirmed), "--journal", m_service});
    QCOMPARE(run.status, int(Cli::kUsage));
    QVERIFY2(run.err.contains("is reverted already"), run.err.constData());
    // Operations that had to be confirmed are pruned like any other.
    run =
        RunCli({"history", "--prune-before", QDate::currentDate().addDays(1).toString(Qt::ISODate),
                "--yes", "--journal", m_service});
    QVERIFY2(run.status == 0, run.err.constData());
    QVERIFY(journal->Confirmations(true, &error).isEmpty());
}

// A due confirmation is claimed once: a second service, or a confirm that
// comes after the claim, does nothing; a released claim can be taken again.
void TestVersions::claimOnce()
{
    QString error;
    const auto journal = Journal::Open(m_journal, &error);
    JournalOperation op;
    op.context = LocalJournalContext(QStringLiteral("qvt-cli"));
    op.context.deviceSerial = Serial();
    op.operation = QStringLiteral("import x.xml");
    op.changes = {{kFreeze, "1", "2"}};
    qint64 id = 0;
    QVERIFY(journal->Record(op, &error, &id));
    JournalConfirmation c;
    c.operationId = id;
    c.deviceSerial = Serial();
    c.deadline = QDateTime::currentDateTimeUtc().addSecs(60);
    QVERIFY(journal->AddConfirmation(c, &error));
    bool claimed = false, settled = false;
    QVERIFY(journal->ClaimRevert(id, "a", 120000, &claimed, &error) && claimed);
    QVERIFY(journal->ClaimRevert(id, "b", 120000, &claimed, &error) && !claimed);
    c.state = ConfirmState::Confirmed;
    QVERIFY(journal->Settle(c, &settled, &error) && !settled);
    c.state = ConfirmState::Pending;  // a's revert could not be done
    QVERIFY(journal->Settle(c, &settled, &error) && settled);
    QVERIFY(journal->ClaimRevert(id, "b", 120000, &claimed, &error) && claimed);
    QCOMPARE(journal->Confirmations(false, &error).value(0).state, ConfirmState::Reverting);
}

QTEST_GUILESS_MAIN(TestVersions)

#include "tst_versions.moc"
