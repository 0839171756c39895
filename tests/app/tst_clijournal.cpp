// qvt-cli's writes in the change journal, its history command and a revert,
// against the simulator.

#include "../common/CliRun.h"
#include "../common/SimulatorClient.h"
#include "../journal/PostgresServer.h"
#include "Cli.h"
#include "Journal.h"
#include "TextForms.h"

#include <QBuffer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlQuery>

namespace {
void SetDevice(DeviceModel &m, int value)
{
    m.fadingDuration[0] = 100 + value;    // Signal I/O, the first part
    m.gpiMode = value & 1;                // GPIO, a later one
    m.detection[3].freezeValue1 = value;  // Detection Input 4, the last
}
}  // namespace

class TestCliJournal : public QObject, public SimulatorClient
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void importJournaled();
    void importStopped();
    void history_data();
    void history();
    void revert();
    void verifyAndPrune();
    void unwritableJournal();
    void twoWritersAtOnce();
    void postgresLikeSqlite();

private:
    QStringList Device(const QString &command, const QString &address = QString()) const
    {
        return {command,     "-a",     address.isEmpty() ? kDevice : address, "-p", "admin",
                "--journal", m_journal};
    }
    // The device at `value`, a file of it at `saved`, the device then at `now`.
    void Prepare(int value, const QString &saved, int now);
    QVector<JournalEntry> Entries(const JournalFilter &filter = JournalFilter())
    {
        QString error;
        const auto journal = Journal::Open(m_journal, &error);
        return journal ? journal->History(filter, &error) : QVector<JournalEntry>();
    }

    QString m_journal;
    int m_round = 0;
};

void TestCliJournal::initTestCase()
{
    // The spool beside the default journal: this test's own.
    qputenv("XDG_DATA_HOME", m_files.filePath("data").toLocal8Bit());
    StartAndLogIn();
}

void TestCliJournal::init()
{
    m_device->Command("fault clear");
    m_journal = m_files.filePath(QStringLiteral("journal%1.sqlite").arg(++m_round));
}

void TestCliJournal::Prepare(int value, const QString &saved, int now)
{
    m_device->WithModel([value](DeviceModel &m) { SetDevice(m, value); });
    QCOMPARE(RunCli({"export", "-a", kDevice, "-p", "admin", "-o", saved}).status, 0);
    m_device->WithModel([now](DeviceModel &m) { SetDevice(m, now); });
}

// Each field an import changes is an entry with the device's value before,
// the file's after, and the device, program and user it was written by.
void TestCliJournal::importJournaled()
{
    const QString saved = m_files.filePath("saved.xml");
    Prepare(5, saved, 8);
    const Run run = RunCli(Device("import") << saved);
    QCOMPARE(run.status, 0);
    QVERIFY(run.out.startsWith("Signal I/O: written\n"));
    const QVector<JournalEntry> entries = Entries();
    QCOMPARE(entries.size(), 3);
    QMap<QString, QPair<QString, QString>> byField;
    for (const JournalEntry &e : entries) {
        QCOMPARE(e.operation, "import " + saved);
        QCOMPARE(e.change.result, JournalResult::Taken);
        QCOMPARE(e.context.program, QStringLiteral("qvt-cli"));
        QCOMPARE(e.context.deviceAddress, kDevice);
        QCOMPARE(e.context.deviceModel, QStringLiteral("QVT 4x1 AGC"));
        QCOMPARE(e.context.loginUser, QStringLiteral("admin"));
        QVERIFY(!e.context.deviceSerial.isEmpty());
        byField.insert(e.change.field, {e.change.before, e.change.after});
    }
    QCOMPARE(byField.value("Alarms/Settings/GroupA/Input4/VideoFreeze/Diff"),
             qMakePair(QStringLiteral("8"), QStringLiteral("5")));
}

// A refused part: the parts before it taken, its refused field with the
// device's answer, the parts after it not reached.
void TestCliJournal::importStopped()
{
    const QString saved = m_files.filePath("saved.xml");
    Prepare(5, saved, 8);
    m_device->Command("fault reject 33 1");
    const Run run = RunCli(Device("import") << saved);
    QCOMPARE(run.status, int(Cli::kDeviceFailed));
    QVERIFY2(run.out.contains("GPIO: failed\n"), run.out.constData());
    QMap<JournalResult, QStringList> byResult;
    for (const JournalEntry &e : Entries()) {
        byResult[e.change.result] << e.change.field;
        if (e.change.result == JournalResult::Refused) {
            QCOMPARE(e.change.resultCode, 1);
        }
    }
    QCOMPARE(byResult.value(JournalResult::Refused), QStringList{"GPIO/GPITriggerMode"});
    QVERIFY(byResult.value(JournalResult::Taken).first().startsWith("SignalIO/"));
    QCOMPARE(byResult.value(JournalResult::NotReached),
             QStringList{"Alarms/Settings/GroupA/Input4/VideoFreeze/Diff"});
}

void TestCliJournal::history_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("lines");  // of the two imports' six entries
    const QString today = QDate::currentDate().toString(Qt::ISODate);
    const QString tomorrow = QDate::currentDate().addDays(1).toString(Qt::ISODate);
    QTest::newRow("all") << QStringList{} << 0 << 6;
    QTest::newRow("one field") << QStringList{"--field", "GPIO/GPITriggerMode"} << 0 << 2;
    QTest::newRow("below a path") << QStringList{"--field", "Alarms/"} << 0 << 2;
    QTest::newRow("by address") << QStringList{"--device", "%D"} << 0 << 6;
    QTest::newRow("another device") << QStringList{"--device", "10.9.9.9"} << 0 << 0;
    QTest::newRow("until the end of today") << QStringList{"--until", today} << 0 << 6;
    QTest::newRow("since tomorrow") << QStringList{"--since", tomorrow} << 0 << 0;
    QTest::newRow("since a time") << QStringList{"--since", today + "T00:00"} << 0 << 6;
    QTest::newRow("json") << QStringList{"--json"} << 0 << 6;
    QTest::newRow("bad date") << QStringList{"--since", "7.12.2026"} << 2 << 0;
    QTest::newRow("a date and a bad time") << QStringList{"--until", today + "T25:00"} << 2 << 0;
}

// Newest first, one line or JSON object per entry, filtered.
void TestCliJournal::history()
{
    QFETCH(QStringList, options);
    QFETCH(int, status);
    QFETCH(int, lines);
    const QString saved = m_files.filePath("saved.xml");
    Prepare(5, saved, 8);
    QCOMPARE(RunCli(Device("import") << saved).status, 0);
    m_device->WithModel([](DeviceModel &m) { SetDevice(m, 10); });
    QCOMPARE(RunCli(Device("import") << saved).status, 0);
    options.replaceInStrings("%D", kDevice);
    const Run run = RunCli(QStringList{"history", "--journal", m_journal} + options);
    QCOMPARE(run.status, status);
    if (status != 0) {
        QVERIFY2(run.err.contains("YYYY-MM-DD"), run.err.constData());
        return;
    }
    const QList<QByteArray> out =
        run.out.isEmpty() ? QList<QByteArray>() : run.out.trimmed().split('\n');
    QCOMPARE(out.size(), lines);
    if (lines == 0) {
        return;
    }
    if (options.contains("--json")) {
        const QJsonObject first = QJsonDocument::fromJson(out.first()).object();
        QCOMPARE(first["operation"].toString(), "import " + saved);
        QCOMPARE(first["before"].toString(), QStringLiteral("110"));
        QCOMPARE(first["after"].toString(), QStringLiteral("105"));
        QCOMPARE(first["result"].toString(), QStringLiteral("taken"));
        QCOMPARE(first["operation_id"].toInt(), 2);
    } else {
        // The second import first: its device held 10.
        QVERIFY2(out.first().contains("  #2  ") &&
                     out.first().endsWith(" -> 5  taken") == options.contains("Alarms/"),
                 out.first().constData());
        QVERIFY2(out.last().contains("  #1  "), out.last().constData());
    }
}

// --verify names an operation edited by hand and exits 1, and pruning is
// refused until the edit is undone; then it asks, and what is left verifies.
void TestCliJournal::verifyAndPrune()
{
    const QString saved = m_files.filePath("saved.xml");
    Prepare(5, saved, 8);
    QCOMPARE(RunCli(Device("import") << saved).status, 0);
    m_device->WithModel([](DeviceModel &m) { SetDevice(m, 10); });
    QCOMPARE(RunCli(Device("import") << saved).status, 0);
    const QStringList history{"history", "--journal", m_journal};
    Run run = RunCli(history + QStringList{"--verify"});
    QCOMPARE(run.status, 0);
    QVERIFY2(run.out.contains(": intact: 2 operations, 6 entries; the newest, #2, has the hash "),
             run.out.constData());

    const auto edit = [this](const char *sql) {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "edit");
        db.setDatabaseName(m_journal);
        QVERIFY(db.open() && QSqlQuery(db).exec(sql));
        db.close();
    };
    edit("UPDATE journal_operation SET os_user = 'someone' WHERE id = 1");
    QSqlDatabase::removeDatabase("edit");
    run = RunCli(history + QStringList{"--verify"});
    QCOMPARE(run.status, 1);
    QVERIFY2(run.err.contains("operation #1 does not match its hash"), run.err.constData());
    const QString tomorrow = QDate::currentDate().addDays(1).toString(Qt::ISODate);
    QCOMPARE(RunCli(history + QStringList{"--prune-before", tomorrow, "--yes"}).status, 1);
    QCOMPARE(Entries().size(), 6);

    edit(qPrintable("UPDATE journal_operation SET os_user = '" + LocalJournalContext().osUser +
                    "' WHERE id = 1"));
    QSqlDatabase::removeDatabase("edit");
    run = RunCli(history + QStringList{"--prune-before", tomorrow}, "n\n");
    QCOMPARE(run.status, 0);
    QVERIFY2(run.err.contains("delete operations #2 and older: 2 operations, 6 entries"),
             run.err.constData());
    QCOMPARE(Entries().size(), 6);
    run = RunCli(history + QStringList{"--prune-before", tomorrow}, "y\n");
    QCOMPARE(run.status, 0);
    QVERIFY(Entries().isEmpty());
    m_device->WithModel([](DeviceModel &m) { SetDevice(m, 10); });
    QCOMPARE(RunCli(Device("import") << saved).status, 0);
    run = RunCli(history + QStringList{"--verify"});
    QVERIFY2(run.status == 0 && run.out.contains("pruned") && run.out.contains("the newest, #3"),
             run.out.constData());
}

// A revert writes back what the operation found, and is an operation too.
void TestCliJournal::revert()
{
    const QString saved = m_files.filePath("saved.xml");
    Prepare(5, saved, 8);
    QCOMPARE(RunCli(Device("import") << saved).status, 0);
    Run run = RunCli(Device("history") << "--revert"
                                       << "1",
                     "n\n");
    QCOMPARE(run.status, 0);
    QVERIFY2(run.out.contains("Alarms/Settings/GroupA/Input4/VideoFreeze/Diff: 5 -> 8\n"),
             run.out.constData());
    QVERIFY(run.err.contains("nothing was written"));
    run = RunCli({"history", "--revert", "1", "--yes", "-p", "admin", "--journal", m_journal});
    QCOMPARE(run.status, 0);
    int value = 0;
    m_device->WithModel([&value](DeviceModel &m) { value = m.detection[3].freezeValue1; });
    QCOMPARE(value, 8);
    JournalFilter filter;
    filter.operationId = 2;
    const QVector<JournalEntry> reverted = Entries(filter);
    QCOMPARE(reverted.size(), 3);
    QCOMPARE(reverted.first().operation, QStringLiteral("revert 1"));
    run = RunCli(Device("history") << "--revert"
                                   << "1"
                                   << "--yes");
    QCOMPARE(run.status, 0);
    QVERIFY(run.err.contains("nothing to write"));

    // The dialogs' fields are no part of the parameter file.
    JournalOperation dialog;
    dialog.context.deviceAddress = kDevice;
    m_device->WithModel(
        [&dialog](DeviceModel &m) { dialog.context.deviceSerial = SerialNumberText(m.serial); });
    dialog.operation = QStringLiteral("Network");
    dialog.changes = {{"Network/IP", kDevice, "10.1.1.1"}, PasswordChange("admin")};
    QString error;
    qint64 id = 0;
    QVERIFY(Journal::Open(m_journal, &error)->Record(dialog, &error, &id));
    run = RunCli(Device("history") << "--revert" << QString::number(id) << "--yes");
    QCOMPARE(run.status, 0);
    QVERIFY2(run.err.contains("Network/IP cannot be reverted") &&
                 run.err.contains("Password/admin cannot be reverted"),
             run.err.constData());

    // A later import changed what reverting "revert 1" would write: each
    // such change is listed and nothing is written without --force.
    const QString nine = m_files.filePath("nine.xml");
    Prepare(9, nine, 8);
    QCOMPARE(RunCli(Device("import") << nine).status, 0);
    const qint64 later = id + 1;
    run = RunCli(Device("history") << "--revert"
                                   << "2"
                                   << "--yes");
    QCOMPARE(run.status, int(Cli::kUsage));
    QVERIFY2(run.out.contains(QStringLiteral("Alarms/Settings/GroupA/Input4/VideoFreeze/Diff: "
                                             "changed since by #%1 (8 -> 9)\n")
                                  .arg(later)
                                  .toUtf8()),
             run.out.constData());
    m_device->WithModel([&value](DeviceModel &m) { value = m.detection[3].freezeValue1; });
    QCOMPARE(value, 9);
    run = RunCli(Device("history") << "--revert"
                                   << "2"
                                   << "--yes"
                                   << "--force");
    QCOMPARE(run.status, 0);
    m_device->WithModel([&value](DeviceModel &m) { value = m.detection[3].freezeValue1; });
    QCOMPARE(value, 5);

    // An operation of another unit at this address is not reverted here.
    JournalOperation other = dialog;
    other.context.deviceSerial = QStringLiteral("QV00099999-00000042");
    other.operation = QStringLiteral("Detection");
    other.changes = {{"Alarms/Settings/GroupA/Input4/VideoFreeze/Diff", "7", "5"}};
    QVERIFY(Journal::Open(m_journal, &error)->Record(other, &error, &id));
    run = RunCli(Device("history") << "--revert" << QString::number(id) << "--yes");
    QCOMPARE(run.status, int(Cli::kBadFile));
    m_device->WithModel([&value](DeviceModel &m) { value = m.detection[3].freezeValue1; });
    QCOMPARE(value, 5);
}

// The device is written all the same, and its status is the exit status.
void TestCliJournal::unwritableJournal()
{
    const QString plain = m_files.filePath("plain");
    QFile file(plain);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    const QString saved = m_files.filePath("saved.xml");
    Prepare(5, saved, 8);
    m_journal = plain + "/journal.sqlite";
    const qint64 before = QDateTime::currentMSecsSinceEpoch();
    Run run = RunCli(Device("import") << saved);
    const qint64 after = QDateTime::currentMSecsSinceEpoch();
    QCOMPARE(run.status, int(Cli::kSpooled));
    const QString spool = m_files.filePath("data/qvt-config/journal-spool.sqlite");
    QVERIFY2(run.err.endsWith("qvt-cli: the device was changed; the journal entry waits in the "
                              "spool " +
                              spool.toUtf8() + "\n"),
             run.err.constData());
    // A device that refused keeps its own status; its entry waits too.
    m_device->WithModel([](DeviceModel &m) { SetDevice(m, 8); });
    m_device->Command("fault reject 33 1");
    run = RunCli(Device("import") << saved);
    QCOMPARE(run.status, int(Cli::kDeviceFailed));
    QVERIFY2(run.err.contains("the change journal was not written"), run.err.constData());
    QTest::qWait(1100);  // so that a time taken at the move would show

    // The journal is back: the next program that reaches it moves both in.
    QVERIFY(QFile::remove(plain) && QDir().mkdir(plain));
    run = RunCli({"history", "--journal", m_journal});
    QCOMPARE(run.status, 0);
    const QVector<JournalEntry> entries = Entries();
    QSet<qint64> operations;
    for (const JournalEntry &e : entries) {
        operations << e.operationId;
    }
    QCOMPARE(operations.size(), 2);
    const JournalEntry &first = entries.constLast();  // newest first
    QVERIFY(first.when.toMSecsSinceEpoch() >= before && first.when.toMSecsSinceEpoch() <= after);
    QVERIFY(run.out.contains(first.when.toLocalTime().toString("yyyy-MM-dd HH:mm:ss").toUtf8()));
}

// Two programs importing at once into one file: each gets all its entries.
void TestCliJournal::twoWritersAtOnce()
{
    DeviceSimulator::Options options;
    options.address = TestAddress();
    options.notify[0] = {0, 0};
    DeviceSimulator other(options);
    QVERIFY(other.Start());
    const QString saved = m_files.filePath("saved.xml");
    Prepare(5, saved, 8);
    other.WithModel([](DeviceModel &m) { SetDevice(m, 8); });
    QProcess first, second;
    const QString program = QCoreApplication::applicationDirPath() + "/../bin/qvt-cli";
    first.start(program, Device("import") << saved);
    second.start(program, Device("import", options.address) << saved);
    QVERIFY(first.waitForFinished(20000) && second.waitForFinished(20000));
    QCOMPARE(first.exitCode(), 0);
    QCOMPARE(second.exitCode(), 0);
    QVERIFY(!first.readAllStandardError().contains("journal"));
    JournalFilter filter;
    filter.device = kDevice;
    QCOMPARE(Entries(filter).size(), 3);
    filter.device = options.address;
    QCOMPARE(Entries(filter).size(), 3);
}

// The same import gives the same entries in SQLite and on a PostgreSQL server.
void TestCliJournal::postgresLikeSqlite()
{
    QVT_POSTGRES_SERVER(server, "journal");
    QString error;
    const QString saved = m_files.filePath("saved.xml");
    QVector<QVector<FieldChange>> changes;
    for (const QString &journal : {m_journal, server.Url("journal")}) {
        Prepare(5, saved, 8);
        m_journal = journal;
        QCOMPARE(RunCli(Device("import") << saved).status, 0);
        QVector<FieldChange> found;
        for (const JournalEntry &e : Entries()) {
            QCOMPARE(e.operation, "import " + saved);
            found << e.change;
        }
        changes << found;
    }
    QCOMPARE(changes[0].size(), 3);
    QCOMPARE(changes[1], changes[0]);
}

QTEST_GUILESS_MAIN(TestCliJournal)

#include "tst_clijournal.moc"
