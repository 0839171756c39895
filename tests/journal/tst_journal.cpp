#include "../common/Files.h"
#include "../common/JoiningThread.h"
#include "JournalCsv.h"
#include "JournalDiff.h"
#include "JournalSchema.h"
#include "JournalWriter.h"
#include "PostgresServer.h"
#include "XmlDocument.h"

#include <QRandomGenerator>
#include <QTextStream>

Q_DECLARE_METATYPE(JournalFilter)

namespace {
const char kHelper[] = "--write-journal";
const char kReader[] = "--read-journal";

// As a reader process: what Open says, then how many entries OpenToRead
// gives, one line each.
int ReadJournal(const QString &path)
{
    QString error;
    QTextStream out(stdout);
    out << (Journal::Open(path, &error) ? QStringLiteral("writable") : error) << '\n';
    const auto journal = Journal::OpenToRead(path, &error);
    out << (journal ? QString::number(journal->History({}, &error).size()) : error) << '\n';
    return 0;
}
const QString kFading = "SignalIO/GroupA/QuietSwitching/AudioFadingDuration";

JournalContext Device(int n)
{
    return {"mcr-pc",
            "operator",
            "qvt-config",
            "1.1.65",
            "QV00012345-0000004" + QString::number(n),
            "127.0.0.9" + QString::number(n),
            n == 2 ? "QVT 4x1 AGC" : "QVT Dual 2x1",
            "admin"};
}

QDateTime At(int day, int hour)
{
    return QDateTime(QDate(2026, 3, day), QTime(hour, 0), Qt::UTC);
}

JournalOperation Op(const QDateTime &when, int device, const QString &operation,
                    const QVector<FieldChange> &changes, JournalSource source = JournalSource::Tool)
{
    return {when, Device(device), operation, source, changes, {}, {}};
}

// Two devices over three days; the last operation changes nothing. The
// fourth was found outside the tool by the service on another computer.
QVector<JournalOperation> Samples()
{
    JournalOperation outside =
        Op(At(3, 9), 2, "snapshot",
           {{kFading, "800", "300"}, {"SignalIO/GroupA/Label", QString(), "a, \"b\"\n\u4e2d"}},
           JournalSource::Outside);
    outside.context.computer = outside.context.osUser = outside.context.loginUser = "";
    outside.context.program = "qvt-monitord";
    outside.changedAfter = At(3, 8).addMSecs(250);
    outside.detectedBy = "mon-pc";
    return {Op(At(1, 10).toOffsetFromUtc(3600), 2, "Signal I/O",
               {{kFading, "500", "800"}, {"SignalIO/GroupA/QuietSwitching/IsEnable", "1", "0"}}),
            Op(At(2, 12), 3, "import a.xml",
               {{"SwitchControl/GroupA/SwitchMechanism/FailoverReturnMode", "1", "2"},
                {"SwitchControl/GroupA/SwitchMechanism/ManualSwitch", "255", "1",
                 JournalResult::Refused, 3},
                {"AGC/GroupA/Enable", "5", "5"},
                {"AGC/GroupA/TargetLevel", "-20", "-18", JournalResult::NotReached}}),
            Op(At(3, 8), 2, "Network",
               {{"Network/IP", "127.0.0.92", "127.0.0.95"}, PasswordChange("admin")}),
            outside, Op(At(3, 10), 3, "GPIO", {{"GPIO/Out1", "1", "1"}})};
}

QStringList Fields(const QVector<JournalEntry> &entries)
{
    QStringList fields;
    for (const JournalEntry &e : entries) {
        fields << e.change.field;
    }
    return fields;
}

// Every value of each entry, nulls told from empty texts.
QStringList Described(const QVector<JournalEntry> &entries)
{
    QStringList lines;
    for (const JournalEntry &e : entries) {
        const JournalContext &c = e.context;
        const FieldChange &f = e.change;
        lines << (QStringList() << QString::number(e.operationId) << e.when.toString(Qt::ISODate)
                                << QString::number(e.utcOffsetSeconds) << c.computer << c.osUser
                                << c.program << c.programVersion << c.deviceSerial
                                << c.deviceAddress << c.deviceModel << c.loginUser << e.operation
                                << SourceText(e.source) << f.field
                                << (f.before.isNull() ? "<null>" : f.before) << f.after
                                << ResultText(f.result) << QString::number(f.resultCode)
                                << e.changedAfter.toString(Qt::ISODateWithMs) << e.detectedBy)
                     .join('|');
    }
    return lines;
}

// `count` operations of 5 changes for the device `serial`; false at the first failure.
bool WriteOperations(const QString &location, const QString &serial, int count)
{
    QString error;
    const auto journal = Journal::Open(location, &error);
    JournalOperation op = Op({}, 2, "Signal I/O",
                             {{"F/1", "0", "1"},
                              {"F/2", "0", "1"},
                              {"F/3", "0", "1"},
                              {"F/4", "0", "1"},
                              {"F/5", "0", "1"}});
    op.context.deviceSerial = serial;
    for (int i = 0; journal && i < count && journal->Record(op, &error); ++i) {
    }
    if (!error.isEmpty()) {
        qWarning("%s", qPrintable(error));
    }
    return error.isEmpty();
}

// Runs `statements` on a connection of its own, as another program would;
// the last one's first value, or -1.
qint64 Raw(const QString &path, const QStringList &statements)
{
    qint64 value = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "raw");
        db.setDatabaseName(path);
        QSqlQuery query(db);
        for (const QString &sql : statements) {
            value = db.open() && query.exec(sql) && query.next() ? query.value(0).toLongLong() : -1;
        }
    }
    QSqlDatabase::removeDatabase("raw");
    return value;
}
}  // namespace

// The journal in SQLite and, on a server of the test's own, PostgreSQL: the
// same history for every filter, transactions, concurrent writers, refused
// databases, the pending queue, migration; the fields of a file and the CSV.
class TestJournal : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void postgres();
    void history_data();
    void history();
    void storedValues();
    void allOrNothing_data();
    void allOrNothing();
    void concurrent_data();
    void concurrent();
    void refused_data();
    void refused();
    void unwritableKeepsPending();
    void spoolOutlivesWriter();
    void migration();
    void newerVersion();
    void tamper_data();
    void tamper();
    void prune_data();
    void prune();
    void auditor();
    void flattenAndChanges();
    void cleanupTestCase();

private:
    QTemporaryDir m_dir;
    std::unique_ptr<Journal> m_sqlite, m_postgres;
    std::unique_ptr<PostgresServer> m_server;
    QElapsedTimer m_serverTime;
};

void TestJournal::initTestCase()
{
    // The spool beside the default journal: this test's own.
    qputenv("XDG_DATA_HOME", m_dir.filePath("data").toLocal8Bit());
    QString error;
    m_sqlite = Journal::Open(m_dir.filePath("journal.sqlite"), &error);
    QVERIFY2(m_sqlite, qPrintable(error));
    if (!PostgresServer::Programs().isEmpty()) {
        m_serverTime.start();
        m_server = std::make_unique<PostgresServer>();
        QVERIFY2(m_server->Start(&error), qPrintable(error));
        QVERIFY(m_server->Sql("postgres", {"CREATE DATABASE journal", "CREATE DATABASE other"}));
        m_postgres = Journal::Open(m_server->Url("journal"), &error);
        QVERIFY2(m_postgres, qPrintable(error));
    }
    for (Journal *journal : {m_sqlite.get(), m_postgres.get()}) {
        for (int i = 0; journal && i < Samples().size(); ++i) {
            qint64 id = -1;
            QVERIFY2(journal->Record(Samples()[i], &error, &id), qPrintable(error));
            QCOMPARE(id, i < 4 ? i + 1 : 0);
        }
    }
}

void TestJournal::postgres()
{
    if (!m_server) {
        // QSKIP with one argument trips clang's -Wpedantic.
        QTest::qSkip("PostgreSQL is not installed (Debian package postgresql)", __FILE__, __LINE__);
        return;
    }
    QVERIFY(m_postgres->IsPostgres());
    QCOMPARE(m_postgres->Where(), QString(m_server->Url("journal")).remove(":secret"));
}

void TestJournal::history_data()
{
    QTest::addColumn<JournalFilter>("filter");
    QTest::addColumn<QStringList>("fields");
    const QStringList drift{kFading, "SignalIO/GroupA/Label"},
        network{"Network/IP", "Password/admin"},
        import{"SwitchControl/GroupA/SwitchMechanism/FailoverReturnMode",
               "SwitchControl/GroupA/SwitchMechanism/ManualSwitch", "AGC/GroupA/TargetLevel"},
        apply{kFading, "SignalIO/GroupA/QuietSwitching/IsEnable"};
    JournalFilter f;
    QTest::newRow("everything") << f << drift + network + import + apply;
    f.device = Device(2).deviceSerial;
    QTest::newRow("device by serial") << f << drift + network + apply;
    f.device = Device(3).deviceAddress;
    QTest::newRow("device by address") << f << import;
    f = {};
    f.since = At(3, 0);
    f.until = At(4, 0);
    QTest::newRow("one day") << f << drift + network;
    f = {};
    f.field = kFading;
    QTest::newRow("field") << f << QStringList{kFading, kFading};
    f.field = "SignalIO/";
    f.fieldPrefix = true;
    QTest::newRow("field prefix") << f << drift + apply;
    f.device = Device(2).deviceAddress;
    f.until = At(3, 9);
    QTest::newRow("device, until, prefix") << f << apply;
    f = {};
    f.operationId = 2;
    QTest::newRow("operation") << f << import;
    f = {};
    f.limit = 3;
    QTest::newRow("limit") << f << drift + network.mid(0, 1);
}

void TestJournal::history()
{
    QFETCH(JournalFilter, filter);
    QFETCH(QStringList, fields);
    QString error;
    const QVector<JournalEntry> entries = m_sqlite->History(filter, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(Fields(entries), fields);
    if (m_postgres) {
        QCOMPARE(Described(m_postgres->History(filter, &error)), Described(entries));
        QVERIFY2(error.isEmpty(), qPrintable(error));
    }
}

void TestJournal::storedValues()
{
    const QVector<JournalEntry> all = m_sqlite->History({});
    const QStringList lines = Described(all);
    QCOMPARE(lines.size(), 9);
    // The local offset is TZ's +02:00 unless the time came with its own.
    const QString device2 =
        "|mcr-pc|operator|qvt-config|1.1.65|QV00012345-00000042|127.0.0.92|"
        "QVT 4x1 AGC|admin|";
    // A change found outside the tool: nobody's, between two snapshots.
    QCOMPARE(lines[1],
             "4|2026-03-03T09:00:00Z|7200|||qvt-monitord|1.1.65|QV00012345-00000042|"
             "127.0.0.92|QVT 4x1 AGC||snapshot|outside|SignalIO/GroupA/Label|<null>|"
             "a, \"b\"\n\u4e2d|taken|0|2026-03-03T08:00:00.250Z|mon-pc");
    QCOMPARE(lines[3], "3|2026-03-03T08:00:00Z|7200" + device2 +
                           "Network|tool|Password/admin|<null>|changed|taken|0||");
    QVERIFY(
        lines[5].endsWith("|QVT Dual 2x1|admin|import a.xml|tool|"
                          "SwitchControl/GroupA/SwitchMechanism/ManualSwitch|255|1|refused|3||"));
    QVERIFY(lines[6].endsWith("|AGC/GroupA/TargetLevel|-20|-18|not reached|0||"));
    QVERIFY(lines[8].startsWith("1|2026-03-01T10:00:00Z|3600|"));

    // The alarm log's CSV rules: quoted cells, and a Chinese character turns it UTF-8.
    const QByteArray csv = HistoryCsv(all.mid(1, 1));
    QVERIFY(csv.startsWith("\xEF\xBB\xBFTime (UTC),UTC Offset,Computer,"));
    QVERIFY(csv.endsWith(QString("\n2026-03-03 09:00:00.000,+02:00,,,qvt-monitord,1.1.65,"
                                 "QV00012345-00000042,127.0.0.92,QVT 4x1 AGC,,snapshot,outside,"
                                 "SignalIO/GroupA/Label,,\"a, \"\"b\"\"\n\u4e2d\",taken,,4,"
                                 "2026-03-03 08:00:00.250,mon-pc\n")
                             .toUtf8()));
}

void TestJournal::allOrNothing_data()
{
    QTest::addColumn<bool>("postgres");
    QTest::addColumn<QString>("third");
    QTest::newRow("SQLite, empty field name") << false << QString("");
    QTest::newRow("SQLite, null field name") << false << QString();
    if (m_server) {
        QTest::newRow("PostgreSQL, empty field name") << true << QString("");
    }
}

void TestJournal::allOrNothing()
{
    QFETCH(bool, postgres);
    QFETCH(QString, third);
    Journal &journal = postgres ? *m_postgres : *m_sqlite;
    JournalOperation op =
        Op({}, 2, "Signal I/O",
           {{"A/1", "0", "1"}, {"A/2", "0", "1"}, {third, "0", "1"}, {"A/4", "0", "1"}});
    const int entries = journal.History({}).size();
    QString error;
    QVERIFY(!journal.Record(op, &error));
    QVERIFY2(error.contains(journal.Where()), qPrintable(error));
    QCOMPARE(journal.History({}).size(), entries);
    op.changes.removeAt(2);
    QVERIFY2(journal.Record(op, &error), qPrintable(error));
    QCOMPARE(journal.History({}).size(), entries + 3);
}

void TestJournal::concurrent_data()
{
    QTest::addColumn<QString>("location");
    QTest::addColumn<bool>("processes");
    // New files: the two writers also race to create the tables.
    QTest::newRow("SQLite, two threads") << m_dir.filePath("threads.sqlite") << false;
    QTest::newRow("SQLite, two processes") << m_dir.filePath("processes.sqlite") << true;
    if (m_server) {
        QTest::newRow("PostgreSQL, two threads") << m_server->Url("journal") << false;
    }
}

void TestJournal::concurrent()
{
    QFETCH(QString, location);
    QFETCH(bool, processes);
    constexpr int kCount = 100;
    if (processes) {
        QProcess a, b;
        for (QProcess *p : {&a, &b}) {
            p->setProcessChannelMode(QProcess::ForwardedChannels);
            p->start(QCoreApplication::applicationFilePath(),
                     {kHelper, location, p == &a ? "A" : "B", QString::number(kCount)});
        }
        QVERIFY(a.waitForFinished(60000) && b.waitForFinished(60000));
        QVERIFY(a.exitCode() == 0 && b.exitCode() == 0);
    } else {
        bool a = false, b = false;
        {
            JoiningThread first([&] { a = WriteOperations(location, "A", kCount); });
            JoiningThread second([&] { b = WriteOperations(location, "B", kCount); });
        }
        QVERIFY(a && b);
    }
    QString error;
    const auto journal = Journal::Open(location, &error);
    QVERIFY2(journal, qPrintable(error));
    for (const QString serial : {"A", "B"}) {
        JournalFilter f;
        f.device = serial;
        QCOMPARE(journal->History(f).size(), kCount * 5);
    }
    // One chain through both writers' operations.
    JournalChain::Check check;
    QVERIFY2(journal->Verify(&check, &error), qPrintable(error));
    QVERIFY(check.Intact());
}

void TestJournal::refused_data()
{
    QTest::addColumn<QString>("location");
    QTest::addColumn<QString>("reason");
    QByteArray noise(8192, '\0');
    QRandomGenerator::global()->fillRange(reinterpret_cast<quint32 *>(noise.data()), 2048);
    QTest::newRow("random bytes") << WriteFile(m_dir.filePath("noise"), noise)
                                  << "cannot be read as a journal";
    const QString foreign = m_dir.filePath("foreign.sqlite");
    Raw(foreign, {"CREATE TABLE customers (id INTEGER PRIMARY KEY, name TEXT)",
                  "INSERT INTO customers (name) VALUES ('studio')"});
    QTest::newRow("another application's") << foreign << "another application's tables (customers)";
    const QString named = m_dir.filePath("named.sqlite");
    Raw(named, {"CREATE TABLE journal_schema (application TEXT, version INTEGER)",
                "INSERT INTO journal_schema VALUES ('another tool', 1)"});
    QTest::newRow("another's schema table") << named << "another application's tables";
    const QString newer = m_dir.filePath("newer.sqlite");
    QString error;
    QVERIFY(Journal::Open(newer, &error));
    Raw(newer, {"UPDATE journal_schema SET version = 7"});
    QTest::newRow("a newer version") << newer
                                     << QString("of version 7, newer than this program's %1")
                                            .arg(JournalSchema::CurrentVersion());
    if (m_server) {
        QVERIFY(m_server->Sql("other", {"CREATE TABLE customers (id integer)"}));
        QTest::newRow("PostgreSQL, another application's")
            << m_server->Url("other") << "another application's tables (customers)";
    }
}

void TestJournal::refused()
{
    QFETCH(QString, location);
    QFETCH(QString, reason);
    const QByteArray bytes = ReadFile(location);
    QString error;
    QVERIFY(!Journal::Open(location, &error));
    QVERIFY2(error.contains(location.remove(":secret")) && error.contains(reason),
             qPrintable(error));
    QCOMPARE(ReadFile(location), bytes);
}

void TestJournal::unwritableKeepsPending()
{
    // Root writes anywhere: a directory that is a regular file stops it.
    const QString parent = WriteFile(m_dir.filePath("plain"), "x");
    const QString path = parent + "/journal.sqlite";
    QStringList problems;
    JournalWriter writer(path, [&](const QString &why, int) { problems << why; });
    const QVector<JournalOperation> ops = Samples();
    QVERIFY(!writer.Submit(ops[0]));
    QVERIFY(!writer.Submit(ops[1]));
    QCOMPARE(writer.Pending(), 2);
    QCOMPARE(problems.size(), 2);
    QVERIFY2(problems[0].contains(path), qPrintable(problems[0]));
    JournalOperation nameless = ops[2];
    nameless.changes[0].field.clear();
    QVERIFY(!writer.Submit(nameless));
    QCOMPARE(writer.Pending(), 2);  // refused outright: it would hold up those after it

    QVERIFY(QFile::remove(parent) && QDir().mkpath(parent));
    QVERIFY2(writer.Flush(), qPrintable(writer.LastError()));
    QCOMPARE(writer.Pending(), 0);
    QVERIFY(writer.Submit(ops[2]));
    JournalFilter samples;
    samples.until = At(4, 0);
    QCOMPARE(Described(writer.Current()->History({})),
             Described(m_sqlite->History(samples)).mid(2, 7));

    // An operation without a time that waited is stamped when it was
    // submitted (its device write had just ended), not when it was written.
    const QString later = WriteFile(m_dir.filePath("later"), "x");
    JournalWriter late(later + "/journal.sqlite");
    JournalOperation untimed = ops[0];
    untimed.when = QDateTime();
    const qint64 submitted = QDateTime::currentMSecsSinceEpoch();
    QVERIFY(!late.Submit(untimed));
    QTest::qWait(1200);
    QVERIFY(QFile::remove(later) && QDir().mkpath(later));
    QVERIFY2(late.Flush(), qPrintable(late.LastError()));
    const QVector<JournalEntry> entries = late.Current()->History({});
    QVERIFY(!entries.isEmpty());
    QVERIFY(std::abs(entries[0].when.toMSecsSinceEpoch() - submitted) < 500);
}

// The station's server stops after the writer opened it: the operation that
// fails goes to the spool, not lost with the writer; another writer (another
// program) moves it in, in order, with its own time, once the server is back.
void TestJournal::spoolOutlivesWriter()
{
    QVT_POSTGRES_SERVER(server, "spooled");
    QString error;
    const QString spool = m_dir.filePath("outlives-spool.sqlite");
    const QVector<JournalOperation> ops = Samples();
    {
        JournalWriter first(server.Url("spooled"), {}, spool);
        QVERIFY2(first.Submit(ops[0]), qPrintable(first.LastError()));
        server.Stop();
        QVERIFY(!first.Submit(ops[1]));
        QCOMPARE(first.Spooled(), 1);
    }
    QVERIFY2(server.Restart(&error), qPrintable(error));
    JournalWriter second(server.Url("spooled"), {}, spool);
    QVERIFY2(second.Submit(ops[2]), qPrintable(second.LastError()));
    QCOMPARE(second.Pending(), 0);
    // Each operation once, at its own time.
    QSet<QString> stored, submitted;
    for (const JournalEntry &e : second.Current()->History({})) {
        stored << QString::number(e.operationId) + ' ' + e.operation + ' ' +
                      QString::number(e.when.toMSecsSinceEpoch());
    }
    for (int i = 0; i < 3; ++i) {
        submitted << QString::number(i + 1) + ' ' + ops[i].operation + ' ' +
                         QString::number(ops[i].when.toMSecsSinceEpoch());
    }
    QCOMPARE(stored, submitted);
}

// A version-1 journal as the previous version wrote it: read as it is where
// it cannot be migrated, then migrated with the same entries, the outside
// change's who moved to the computer that found it, every operation hashed.
void TestJournal::migration()
{
    const QString path = m_dir.filePath("v1.sqlite");
    QVERIFY(QFile::copy(QFINDTESTDATA("data/journal-v1.sqlite"), path));
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));
    QString error;
    QStringList before;
    JournalChain::Check check;
    {
        const auto reader = Journal::OpenToRead(path, &error);
        QVERIFY2(reader, qPrintable(error));
        before = Described(reader->History({}));
        QVERIFY(!reader->Verify(&check, &error));
        QVERIFY2(error.contains("version 1"), qPrintable(error));
    }
    QCOMPARE(before.size(), 9);
    QCOMPARE(Raw(path, {"SELECT version FROM journal_schema"}), 1);
    // Read as it is, the finder of an outside change is version 1's who;
    // migrated, that who is gone.
    for (int i : {0, 1}) {
        QVERIFY(before[i].endsWith("|mcr-pc"));
        before[i].replace("|mcr-pc|operator|", "|||").replace("|admin|snapshot|", "||snapshot|");
    }
    const auto journal = Journal::Open(path, &error);
    QVERIFY2(journal, qPrintable(error));
    QCOMPARE(Raw(path, {"SELECT version FROM journal_schema"}), 3);
    QCOMPARE(Raw(path, {"SELECT COUNT(*) FROM journal_version"}), 0);
    QCOMPARE(Described(journal->History({})), before);
    QVERIFY2(journal->Verify(&check, &error), qPrintable(error));
    QVERIFY(check.Intact());
    QCOMPARE(check.operations, 4);
    QCOMPARE(check.entries, 9);
    QVERIFY2(journal->Record(Samples()[0], &error), qPrintable(error));
    QVERIFY(journal->Verify(&check, &error) && check.Intact() && check.newestId == 5);
    // A version-1 program that still has it open adds no unhashed operation.
    const char *const olderInsert =
        "INSERT INTO journal_operation (at_ms, utc_offset, computer, os_user, program, "
        "program_version, device_serial, device_address, device_model, login_user, operation, "
        "source) VALUES (1772528400000, 7200, 'mon-pc', 'qvt', 'qvt-monitord', '1.1.65', 'S', "
        "'127.0.0.92', 'QVT 4x1 AGC', 'admin', 'snapshot', 'outside')";
    Raw(path, {olderInsert});
    QCOMPARE(Raw(path, {"SELECT count(*) FROM journal_operation"}), 5);

    // The same on the server: version 1's tables and rows, then migrated.
    if (!m_server) {
        return;
    }
    QVERIFY(m_server->Sql("postgres", {"CREATE DATABASE older"}));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QPSQL", "older");
        const QUrl url(m_server->Url("older"));
        db.setHostName(url.host());
        db.setPort(url.port());
        db.setUserName(url.userName());
        db.setPassword(url.password());
        db.setDatabaseName("older");
        QVERIFY(db.open());
        QVERIFY2(
            JournalSchema::Prepare(db, JournalSchema::Backend::Postgres,
                                   JournalSchema::Steps(JournalSchema::Backend::Postgres).mid(0, 1),
                                   "older", &error),
            qPrintable(error));
    }
    QSqlDatabase::removeDatabase("older");
    QStringList rows{olderInsert};
    for (int i = 0; i < 700; ++i) {  // more than one statement's worth of hashes
        rows << QString(
                    "INSERT INTO journal_entry (operation_id, field, old_value, new_value, "
                    "result, result_code) VALUES (1, 'A/%1', NULL, '', 'taken', 0)")
                    .arg(i + 1);
    }
    for (int i = 0; i < 600; ++i) {
        rows << QString(olderInsert).replace("'outside'", "'tool'");
    }
    QVERIFY(m_server->Sql("older", rows));
    const auto server = Journal::Open(m_server->Url("older"), &error);
    QVERIFY2(server, qPrintable(error));
    JournalFilter first;
    first.field = "A/1";
    QCOMPARE(Described(server->History(first)),
             QStringList{"1|2026-03-03T09:00:00Z|7200|||qvt-monitord|1.1.65|S|127.0.0.92|"
                         "QVT 4x1 AGC||snapshot|outside|A/1|<null>||taken|0||mon-pc"});
    QVERIFY2(server->Record(Samples()[0], &error), qPrintable(error));
    QVERIFY(server->Verify(&check, &error) && check.Intact() && check.operations == 602);
    QVERIFY(!m_server->Sql("older", {olderInsert}));
}

// One version newer than this program: never written as if it were this
// one's (the operation waits in the spool), read as far as this version can.
void TestJournal::newerVersion()
{
    const QString path = m_dir.filePath("newer-by-one.sqlite");
    QVERIFY(WriteOperations(path, "A", 1));
    auto steps = JournalSchema::Steps(JournalSchema::Backend::Sqlite);
    const int next = JournalSchema::CurrentVersion() + 1;
    steps.append({next, {"ALTER TABLE journal_entry ADD COLUMN note TEXT"}});
    QString error;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "next");
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QVERIFY2(JournalSchema::Prepare(db, JournalSchema::Backend::Sqlite, steps, path, &error),
                 qPrintable(error));
        QCOMPARE(JournalSchema::StoredVersion(db), next);
    }
    QSqlDatabase::removeDatabase("next");
    QVERIFY(!Journal::Open(path, &error));
    QVERIFY2(error.contains(QString("is a journal of version %1, newer than this program's %2")
                                .arg(next)
                                .arg(next - 1)),
             qPrintable(error));
    JournalWriter writer(path, {}, m_dir.filePath("newer-spool.sqlite"));
    QVERIFY(!writer.Submit(Samples()[0]));
    QCOMPARE(writer.Spooled(), 1);
    const auto reader = Journal::OpenToRead(path, &error);
    QVERIFY2(reader, qPrintable(error));
    QCOMPARE(reader->History({}, &error).size(), 5);
    QVERIFY(!reader->Record(Samples()[0], &error));
    // Its hashes may cover more than this version knows: not judged.
    JournalChain::Check check;
    QVERIFY(!reader->Verify(&check, &error));
    QVERIFY2(error.contains(QString("version %1: its hashes may cover more").arg(next)),
             qPrintable(error));
    QCOMPARE(Raw(path, {"SELECT count(*) FROM journal_entry"}), 5);
}

// A hand's edit, on either database, named by --verify: the first operation
// whose content or place changed, and entries left without their operation.
void TestJournal::tamper_data()
{
    QTest::addColumn<bool>("postgres");
    QTest::addColumn<QStringList>("edit");
    QTest::addColumn<qint64>("firstBroken");
    QTest::addColumn<qint64>("orphans");
    const QVector<std::tuple<const char *, QStringList, qint64, qint64>> rows{
        {"intact", {}, 0, 0},
        {"value edited", {"UPDATE journal_entry SET new_value = '900' WHERE id = 4"}, 2, 0},
        {"os_user edited", {"UPDATE journal_operation SET os_user = 'x' WHERE id = 3"}, 3, 0},
        {"null made empty",
         {"UPDATE journal_entry SET old_value = '' WHERE old_value IS NULL"},
         3,
         0},
        {"entry deleted", {"DELETE FROM journal_entry WHERE id = 1"}, 1, 0},
        {"entry moved", {"UPDATE journal_entry SET operation_id = 1 WHERE id = 3"}, 1, 0},
        {"operation deleted",
         {"DELETE FROM journal_entry WHERE operation_id = 2",
          "DELETE FROM journal_operation WHERE id = 2"},
         3,
         0},
        {"operation renumbered",
         {"UPDATE journal_entry SET operation_id = 9 WHERE operation_id = 1",
          "UPDATE journal_operation SET id = 9 WHERE id = 1"},
         2,
         0},
        {"hash rewritten", {"UPDATE journal_operation SET hash = 'ab' WHERE id = 2"}, 2, 0},
        {"entries orphaned", {"DELETE FROM journal_operation WHERE id = 4"}, 0, 2},
    };
    for (const bool postgres : {false, true}) {
        for (const auto &row : rows) {
            // PostgreSQL always enforces the foreign keys.
            if (postgres && (!m_server || std::get<3>(row) > 0 ||
                             QByteArray(std::get<0>(row)).contains("renumbered"))) {
                continue;
            }
            QTest::addRow("%s, %s", postgres ? "PostgreSQL" : "SQLite", std::get<0>(row))
                << postgres << std::get<1>(row) << std::get<2>(row) << std::get<3>(row);
        }
    }
}

void TestJournal::tamper()
{
    QFETCH(bool, postgres);
    QFETCH(QStringList, edit);
    QFETCH(qint64, firstBroken);
    QFETCH(qint64, orphans);
    static int count = 0;
    const QString name = QString("tamper%1").arg(++count);
    const QString location = postgres ? m_server->Url(name) : m_dir.filePath(name + ".sqlite");
    QVERIFY(!postgres || m_server->Sql("postgres", {"CREATE DATABASE " + name}));
    QString error;
    {
        const auto journal = Journal::Open(location, &error);
        QVERIFY2(journal && journal->RecordAll(Samples(), &error), qPrintable(error));
    }
    // As someone with the database's password and a shell would.
    QVERIFY(postgres ? m_server->Sql(name, edit) : (Raw(location, edit), true));
    const auto journal = Journal::OpenToRead(location, &error);
    JournalChain::Check check;
    QVERIFY2(journal && journal->Verify(&check, &error), qPrintable(error));
    QCOMPARE(check.firstBroken, firstBroken);
    QCOMPARE(check.orphans, orphans);
    // Operation 4's hash was not rewritten, so the newest is still the one
    // written, unless the newest itself went.
    if (firstBroken != 0 || orphans != 0) {
        const auto writer = Journal::Open(location, &error);
        JournalChain::Prune pruned;
        QVERIFY(!writer->Prune(At(5, 0), 9, &pruned, &error));
        QVERIFY2(error.contains("nothing is pruned"), qPrintable(error));
    }
}

// Pruning deletes the oldest operations up to the first one at or after the
// date, leaves the rest verifiable, and numbers go on; an older operation
// recorded late (moved in from a spool) stays, as the chain runs by number.
void TestJournal::prune_data()
{
    QTest::addColumn<bool>("postgres");
    QTest::newRow("SQLite") << false;
    if (m_server) {
        QTest::newRow("PostgreSQL") << true;
    }
}

void TestJournal::prune()
{
    QFETCH(bool, postgres);
    const QString location = postgres ? m_server->Url("pruned") : m_dir.filePath("pruned.sqlite");
    QVERIFY(!postgres || m_server->Sql("postgres", {"CREATE DATABASE pruned"}));
    QString error;
    const auto journal = Journal::Open(location, &error);
    QVERIFY2(journal, qPrintable(error));
    QVector<JournalOperation> ops = Samples();
    ops.append(Op(At(1, 12), 3, "moved in late", {{"GPIO/Out1", "0", "1"}}));
    QVERIFY2(journal->RecordAll(ops, &error), qPrintable(error));  // numbers 1-5

    JournalChain::Prune pruned;
    QVERIFY2(journal->Prune(At(3, 0), 0, &pruned, &error), qPrintable(error));
    QCOMPARE(pruned.operations, 2);
    QCOMPARE(pruned.entries, 5);
    QCOMPARE(pruned.olderKept, 1);
    QCOMPARE(journal->History({}).size(), 10);  // only counted
    QVERIFY2(journal->Prune(At(3, 0), pruned.lastId, &pruned, &error), qPrintable(error));
    QCOMPARE(pruned.lastId, 2);
    QCOMPARE(journal->History({}).size(), 5);
    JournalChain::Check check;
    QVERIFY(journal->Verify(&check, &error));
    QVERIFY(check.Intact());
    QCOMPARE(check.anchorId, 2);
    QCOMPARE(check.prunedBefore, At(3, 0));
    QCOMPARE(check.operations, 3);

    // Never past what was counted (and shown): one recorded meanwhile stays.
    QVERIFY(journal->Prune(At(9, 0), 0, &pruned, &error) && pruned.lastId == 5);
    qint64 id = 0;
    QVERIFY2(journal->Record(Samples()[0], &error, &id), qPrintable(error));
    QVERIFY(journal->Prune(At(9, 0), pruned.lastId, &pruned, &error) && pruned.operations == 3);
    QCOMPARE(Fields(journal->History({})).size(), 2);

    // Everything pruned: the next operation goes on from the anchor.
    QVERIFY(journal->Prune(At(9, 0), id, &pruned, &error) && pruned.operations == 1);
    QVERIFY(journal->History({}).isEmpty());
    QVERIFY2(journal->Record(Samples()[2], &error, &id), qPrintable(error));
    QCOMPARE(id, 7);
    QVERIFY(journal->Verify(&check, &error) && check.Intact() && check.operations == 1);
    QCOMPARE(journal->History({}).constFirst().id, 13);
}

// A user who may read the journal's file but not write it (another user's
// file, mode 0644): the history opens read-only. Run as another account
// when the test runs as root, who may write anything.
void TestJournal::auditor()
{
    QTemporaryDir place;  // 0700 of this user: opened up below
    const QString path = place.filePath("journal.sqlite");
    QVERIFY(WriteOperations(path, "A", 2));
    QVERIFY(!QFile::exists(path + "-wal"));  // every connection closed
    const QString program = place.filePath("reader");
    QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), program));
    QStringList command = {program, kReader, path};
    if (::getuid() == 0) {
        const passwd *nobody = ::getpwnam("nobody");
        QVERIFY(nobody);
        command = QStringList{"setpriv",
                              "--reuid",
                              QString::number(nobody->pw_uid),
                              "--regid",
                              QString::number(nobody->pw_gid),
                              "--clear-groups",
                              "--"} +
                  command;
        QVERIFY(QFile::setPermissions(place.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                        QFile::ExeOwner | QFile::ReadOther |
                                                        QFile::ExeOther));
    } else {
        QVERIFY(QFile::setPermissions(place.path(), QFile::ReadOwner | QFile::ExeOwner));
    }
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadOther));
    QProcess reader;
    reader.start(command.takeFirst(), command);
    QVERIFY(reader.waitForFinished(20000));
    const QList<QByteArray> lines = reader.readAllStandardOutput().split('\n');
    QVERIFY2(reader.exitCode() == 0 && lines.size() >= 2,
             reader.readAllStandardError().constData());
    QVERIFY2(lines[0] != "writable", lines[0].constData());
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    QCOMPARE(lines[1], QByteArray::number(Raw(path, {"SELECT count(*) FROM journal_entry"})));
    QFile::setPermissions(place.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void TestJournal::flattenAndChanges()
{
    XmlDocument doc;
    QVERIFY(
        doc.LoadContent("<configure><ModuleType>50002</ModuleType><SignalIO><GroupA>"
                        "<Input>1</Input><Input>2</Input><Input><Mode>3</Mode></Input>"
                        "<Empty/></GroupA></SignalIO></configure>"));
    const QMap<QString, QString> before = FlattenDocument(doc);
    QCOMPARE(before, (QMap<QString, QString>{{"ModuleType", "50002"},
                                             {"SignalIO/GroupA/Input", "1"},
                                             {"SignalIO/GroupA/Input[2]", "2"},
                                             {"SignalIO/GroupA/Input[3]/Mode", "3"},
                                             {"SignalIO/GroupA/Empty", ""}}));
    QVERIFY(!before.value("SignalIO/GroupA/Empty").isNull());
    QMap<QString, QString> after = before;
    after.remove("ModuleType");
    after.insert("New", "x");
    after.insert("SignalIO/GroupA/Input[2]", "5");
    QCOMPARE(Changes(before, after),
             (QVector<FieldChange>{{"ModuleType", "50002", QString()},
                                   {"New", QString(), "x"},
                                   {"SignalIO/GroupA/Input[2]", "2", "5"}}));
    QVERIFY(Changes(before, before).isEmpty());
}

void TestJournal::cleanupTestCase()
{
    m_postgres.reset();
    if (m_server) {
        m_server->Stop();
        qInfo("PostgreSQL: %lld ms from its start to its stop", m_serverTime.elapsed());
    }
}

int main(int argc, char *argv[])
{
    qputenv("TZ", "XST-2");  // a fixed local offset, +02:00, without time zone data
    QCoreApplication app(argc, argv);
    if (argc == 5 && qstrcmp(argv[1], kHelper) == 0) {
        return WriteOperations(argv[2], argv[3], QByteArray(argv[4]).toInt()) ? 0 : 1;
    }
    if (argc == 3 && qstrcmp(argv[1], kReader) == 0) {
        return ReadJournal(QString::fromLocal8Bit(argv[2]));
    }
    TestJournal test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_journal.moc"
