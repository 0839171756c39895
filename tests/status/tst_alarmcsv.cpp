#include "../common/Files.h"
#include "AlarmCsv.h"

#include <QTemporaryDir>
#include <QtTest>

#include <signal.h>
#include <sys/resource.h>

using AlarmCsv::Preamble;
using AlarmCsv::Row;

Q_DECLARE_METATYPE(Preamble)

namespace {
const QDateTime kNow(QDate(2026, 3, 4), QTime(5, 6, 7));
const QByteArray kHeader = "Number,Time,Input,Alarm Type,Alarm Status,Notes\n";

QByteArray Head(const QByteArray &type, const QByteArray &sn, const QByteArray &firmware,
                const QByteArray &fpga, const QByteArray &ip)
{
    return "Module Type," + type + "\nProduct SN," + sn + "\nFirmware Verison," + firmware +
           "\nFPGA Verison," + fpga + "\nIP Address," + ip + "\n \n \n" + kHeader;
}

}  // namespace

// The alarm log's file byte for byte, and writes that fail leaving nothing
// half-written behind.
class TestAlarmCsv : public QObject
{
    Q_OBJECT

private slots:
    void bytes_data();
    void bytes();
    void failedWrite_data();
    void failedWrite();
    void directoriesAndNames();
    void logDirectory_data();
    void logDirectory();

private:
    QTemporaryDir m_dir;
};

void TestAlarmCsv::bytes_data()
{
    QTest::addColumn<Preamble>("preamble");
    QTest::addColumn<QVector<Row>>("rows");
    QTest::addColumn<QByteArray>("expected");

    const Preamble device{"QVT 4x1 AGC", "AB00012345-00000042", "1.1.65", "20180523",
                          "192.168.1.20"};
    QTest::newRow("empty log") << Preamble() << QVector<Row>()
                               << Head("", "", "", "", "") +
                                      "1,2026-03-04 05:06:07,,,,Everything works fine\n";
    QTest::newRow("events and the device")
        << device
        << QVector<Row>{{"1", "2026-03-04 05:00:00", "Input 3", "Signal Lost", "Asserted", ""},
                        {"2", "2026-03-04 05:00:09", "", "Connection Lost", "Cleared", ""},
                        {"7", "", "", "", "",
                         "Version mismatch between the Config Tool and "
                         "the Firmware"}}
        << Head("QVT 4x1 AGC", "AB00012345-00000042", "1.1.65", "20180523", "192.168.1.20") +
               "1,2026-03-04 05:00:00,Input 3,Signal Lost,Asserted,\n"
               "2,2026-03-04 05:00:09,,Connection Lost,Cleared,\n"
               "7,,,,,Version mismatch between the Config Tool and the Firmware\n";
    QTest::newRow("comma, quote and line break")
        << Preamble{"QVT 4x1", "say \"hi\"", "a\nb", "", "1,2"}
        << QVector<Row>{{"1", "t", "A-Input 1", "Audio Lost", "Asserted", "Ch1, \"left\""},
                        {"2", "t", "x\r\ny", "", "", "plain"}}
        << Head("QVT 4x1", "\"say \"\"hi\"\"\"", "\"a\nb\"", "", "\"1,2\"") +
               "1,t,A-Input 1,Audio Lost,Asserted,\"Ch1, \"\"left\"\"\"\n"
               "2,t,\"x\r\ny\",,,plain\n";
    QTest::newRow("Latin-1 stays Latin-1")
        << Preamble() << QVector<Row>{{"1", "t", "", "", "", QStringLiteral("caf\u00e9")}}
        << Head("", "", "", "", "") + "1,t,,,,caf\xe9\n";
    // Appended, the file begins in Latin-1 and turns UTF-8 at the second row.
    QTest::newRow("Chinese as UTF-8 with a mark")
        << Preamble()
        << QVector<Row>{{"1", "t", "", "", "", QStringLiteral("caf\u00e9")},
                        {"2", "t", "", QStringLiteral("\u4fe1\u53f7\u4e22\u5931"),
                         QStringLiteral("caf\u00e9"), ""},
                        {"3", "t", "", "", "", QStringLiteral("caf\u00e9")}}
        << "\xEF\xBB\xBF" + Head("", "", "", "", "") +
               "1,t,,,,caf\xc3\xa9\n"
               "2,t,,\xe4\xbf\xa1\xe5\x8f\xb7\xe4\xb8\xa2\xe5\xa4\xb1,caf\xc3\xa9,\n"
               "3,t,,,,caf\xc3\xa9\n";
}

void TestAlarmCsv::bytes()
{
    QFETCH(Preamble, preamble);
    QFETCH(QVector<Row>, rows);
    QFETCH(QByteArray, expected);
    // Over an older, longer file: what is left is the new content only.
    const QString path = WriteFile(m_dir.filePath("log.csv"), QByteArray(4096, 'x'));
    QString error;
    QVERIFY(AlarmCsv::Write(path, preamble, rows, kNow, &error));
    QCOMPARE(ReadFile(path), expected);
    // The same rows appended one by one to a new file give the same bytes.
    const QString appended = m_dir.filePath(QTest::currentDataTag());
    for (const Row &row : rows) {
        QVERIFY2(AlarmCsv::AppendRow(appended, preamble, row, &error), qPrintable(error));
    }
    QCOMPARE(ReadFile(appended), rows.isEmpty() ? QByteArray() : expected);
}

void TestAlarmCsv::failedWrite_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("sizeLimit");  // bytes a file may grow to, 0 no limit

    WriteFile(m_dir.filePath("blocker"), "a file where a directory should be");
    QTest::newRow("directory that cannot exist") << m_dir.filePath("blocker/logs/log.csv") << 0;
    // As full a disk as a test can make without a mount: the kernel refuses
    // bytes beyond the limit (also for root, unlike permissions).
    QTest::newRow("no room for the rows") << m_dir.filePath("full/log.csv") << 40;
}

void TestAlarmCsv::failedWrite()
{
    QFETCH(QString, path);
    QFETCH(int, sizeLimit);
    const QDir folder = QFileInfo(path).dir();
    if (sizeLimit > 0) {
        QVERIFY(QDir().mkpath(folder.path()));
        WriteFile(path, "the older file");
    }
    const QStringList before = folder.entryList(QDir::Files | QDir::Hidden);

    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    if (sizeLimit > 0) {
        signal(SIGXFSZ, SIG_IGN);
        rlimit limited = saved;
        limited.rlim_cur = rlim_t(sizeLimit);
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    const Preamble preamble{"QVT 4x1", "", "", "", ""};
    const Row row{"1", "2026-03-04 05:00:00", "Input 1", "Video Black", "Asserted", ""};
    QString written, appended;
    const bool wrote = AlarmCsv::Write(path, preamble, QVector<Row>(20, row), kNow, &written);
    // The row fits in part: what went out is taken back.
    const bool added = AlarmCsv::AppendRow(path, preamble, row, &appended);
    setrlimit(RLIMIT_FSIZE, &saved);

    QVERIFY(!wrote && !added);
    for (const QString &error : {written, appended}) {
        QVERIFY2(!error.isEmpty() && error != "Unknown error", qPrintable(error));
    }
    QCOMPARE(folder.entryList(QDir::Files | QDir::Hidden), before);
    if (sizeLimit > 0) {
        QCOMPARE(ReadFile(path), QByteArray("the older file"));
    }
}

void TestAlarmCsv::directoriesAndNames()
{
    WriteFile(m_dir.filePath("blocker"), "a file where a directory should be");
    const QString blocked = m_dir.filePath("blocker/logs");
    const QString good = m_dir.filePath("user/logs");
    // Skipping a blocked candidate: logDirectory.
    QCOMPARE(AlarmCsv::ChooseDirectory({good + "/", blocked}), good);
    QCOMPARE(AlarmCsv::ChooseDirectory({blocked, QString()}), QString());
    QCOMPARE(QDir(good).entryList(QDir::Files | QDir::Hidden), QStringList());

    const QString stem = QStringLiteral("backup_2026-03-04_05-06");
    QCOMPARE(AlarmCsv::UniquePath(good, stem), good + "/" + stem + ".csv");
    WriteFile(good + "/" + stem + ".csv", "");
    WriteFile(good + "/" + stem + "_2.csv", "");
    QCOMPARE(AlarmCsv::UniquePath(good, stem), good + "/" + stem + "_3.csv");
}

void TestAlarmCsv::logDirectory_data()
{
    QTest::addColumn<bool>("installed");  // the install's marker beside the program
    QTest::addColumn<bool>("blocked");    // "<tree>/logs" cannot be a directory
    QTest::addColumn<QString>("preferred");
    QTest::addColumn<QString>("expected");  // relative to the case's directory

    QTest::newRow("build tree: beside the program") << false << false << ""
                                                    << "tree/logs";
    QTest::newRow("build tree, not writable: the user's") << false << true << ""
                                                          << "user/logs";
    // Writable or not (as root it always is), an installation is never tried.
    QTest::newRow("installed: the user's") << true << false << ""
                                           << "user/logs";
    QTest::newRow("installed, not writable: the user's") << true << true << ""
                                                         << "user/logs";
    QTest::newRow("build tree, a preferred one") << false << false << "mine"
                                                 << "mine";
    QTest::newRow("installed, a preferred one") << true << false << "mine"
                                                << "mine";
}

void TestAlarmCsv::logDirectory()
{
    QFETCH(bool, installed);
    QFETCH(bool, blocked);
    QFETCH(QString, preferred);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath("tree/bin"));
    const QString bin = dir.filePath("tree/bin");
    if (installed) {
        const QString marker = dir.filePath("tree/" QVT_INSTALLED_MARKER);
        QVERIFY(QDir().mkpath(QFileInfo(marker).path()));
        WriteFile(marker, "");
    }
    if (blocked) {
        WriteFile(dir.filePath("tree/logs"), "a file where the directory should be");
    }
    QCOMPARE(AlarmCsv::IsInstalled(bin), installed);
    const QString chosen = AlarmCsv::ChooseDirectory(AlarmCsv::LogDirectoryCandidates(
        bin, preferred.isEmpty() ? QString() : dir.filePath(preferred), dir.filePath("user")));
    QCOMPARE(chosen, dir.filePath(expected));
    // Nothing at all was made in an installation.
    QCOMPARE(QFileInfo::exists(dir.filePath("tree/logs")), blocked || expected == "tree/logs");
}

QTEST_GUILESS_MAIN(TestAlarmCsv)
#include "tst_alarmcsv.moc"
