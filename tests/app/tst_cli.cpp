// qvt-cli against the simulator, beside the window whose files it must match,
// and the simulator's twin of a parameter file.

#include "../common/AppSession.h"
#include "../common/CliRun.h"
#include "Cli.h"
#include "ParamsFile.h"

#include <QBuffer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

namespace {
// One run of the program itself, whose standard error has only its own lines.
Run RunProgram(const QStringList &arguments)
{
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("QT_LOGGING_RULES");  // the link's debug lines as a user gets them
    program.setProcessEnvironment(environment);
    program.start(QCoreApplication::applicationDirPath() + "/qvt-cli", arguments);
    const bool ended =
        program.waitForFinished(20000) && program.exitStatus() == QProcess::NormalExit;
    return {ended ? program.exitCode() : -1, program.readAllStandardOutput(),
            program.readAllStandardError()};
}
}  // namespace

class TestCli : public QObject, public AppSession
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // The imports' journal is the test's, not the user's.
        qputenv("QVT_JOURNAL", m_files.filePath("journal.sqlite").toLocal8Bit());
        QVERIFY(StartSimulator());
    }
    void init() { OpenFreshWindow(); }
    void cleanup() { CloseWindow(); }

    void exportMatchesTheWindow_data();
    void exportMatchesTheWindow();
    void diffAndImport();
    void exitStatuses_data();
    void exitStatuses();
    void statusJson();
    void monitor();
    void twin();

private:
    QStringList Device(const QString &command, const QString &password = "admin") const
    {
        return {command, "--address", kDevice, "--password", password};
    }

    QTemporaryDir m_files;
};

void TestCli::exportMatchesTheWindow_data()
{
    QTest::addColumn<int>("model");
    QTest::newRow("dual 2x1") << 50000;
    QTest::newRow("4x1") << 50001;
    QTest::newRow("4x1 AGC") << 50002;
}

// For the same device state, the command line and the window's Export write
// the same bytes.
void TestCli::exportMatchesTheWindow()
{
    QFETCH(int, model);
    m_device->Command(QStringLiteral("model %1").arg(model));
    m_device->WithModel([](DeviceModel &m) {
        m.detection[3].audioSilentThreshold = -47;
        m.triggers[2].AudioLostAlarmMask = 0x8001;
        m.systemEnable = 0x10F0F;
    });
    LogIn();
    QCOMPARE(Export(m_files.filePath("window.xml")), QStringList{"The export is done."});
    const QByteArray windowFile = ReadFile(m_files.filePath("window.xml"));
    QVERIFY(windowFile.contains("<Threshold>-47</Threshold>"));
    const QString cliFile = m_files.filePath("cli.xml");
    const Run run = RunCli(Device("export") << "-o" << cliFile);
    QCOMPARE(run.status, 0);
    QCOMPARE(ReadFile(cliFile), windowFile);
    QCOMPARE(RunCli({"export", kDevice, "-p", "admin", "-o", "-"}).out, windowFile);
}

// A diff names exactly what changed on the device; an import of the saved
// file puts it back, page by page, and the diff is empty again.
void TestCli::diffAndImport()
{
    m_device->WithModel([](DeviceModel &m) { m.detection[1].freezeValue1 = 5; });
    const QString saved = m_files.filePath("saved.xml");
    QCOMPARE(RunCli(Device("export") << "-o" << saved).status, 0);
    QCOMPARE(RunCli(Device("diff") << saved).status, int(Cli::kOk));
    m_device->WithModel([](DeviceModel &m) { m.detection[1].freezeValue1 = 17; });
    Run diff = RunCli(Device("diff") << saved);
    QCOMPARE(diff.status, int(Cli::kDifferent));
    QCOMPARE(diff.out, QByteArray("Alarms/Settings/GroupA/Input2/VideoFreeze/Diff: 5 -> 17\n"));

    const Run import = RunCli({"import", kDevice, "-", "-p", "admin"}, ReadFile(saved));
    QCOMPARE(import.status, 0);
    const QList<QByteArray> lines = import.out.trimmed().split('\n');
    QCOMPARE(lines.size(), ParamParts(50002).size());
    QCOMPARE(lines.first(), QByteArray("Signal I/O: written"));
    QCOMPARE(lines.last(), QByteArray("Detection Input 4: written"));
    diff = RunCli({"diff", kDevice, saved, "-p", "admin"});
    QCOMPARE(diff.status, int(Cli::kOk));
    QCOMPARE(diff.out, QByteArray());
    QCOMPARE(RunCli({"diff", saved, saved}).status, int(Cli::kOk));
}

void TestCli::exitStatuses_data()
{
    QTest::addColumn<QString>("console");
    QTest::addColumn<QStringList>("arguments");  // %D the device, %F a 4x1 AGC file
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("said");
    const QStringList device = {"--address", "%D", "--password", "admin"};
    QTest::newRow("unknown option") << "" << QStringList{"export", "--bogus"} << 2 << "bogus";
    QTest::newRow("no address") << "" << QStringList{"status", "--password", "admin"} << 2
                                << "address is needed";
    QTest::newRow("a file where the address goes")
        << "" << QStringList{"export", "%F", "--password", "admin"} << 2 << "give it with -o";
    QTest::newRow("wrong password")
        << "" << QStringList{"status", "--address", "%D", "--password", "x"} << 4 << "refused";
    QTest::newRow("update mode") << "update-mode on" << QStringList{"status"} + device << 5
                                 << "update mode";
    QTest::newRow("file of another model")
        << "model 50001" << QStringList{"import"} + device + QStringList{"%F"} << 6 << "mismatched";
    QTest::newRow("file failing the check")
        << "" << QStringList{"import"} + device + QStringList{"%F-"} << 6
        << "nothing was written: configure/GPIO/GPITriggerMode: missing";
    QTest::newRow("write refused")
        << "fault reject 33 1" << QStringList{"import"} + device + QStringList{"%F"} << 7
        << "qvt-cli: SetGPIOTriggerMode: Failed\n";
    QTest::newRow("read refused") << "fault reject 26 1" << QStringList{"monitor"} + device << 7
                                  << "qvt-cli: GetNetParam: Failed\n";
    QTest::newRow("files differ") << "" << QStringList{"diff", "%F", "%F-"} << 1 << "";
    QTest::newRow("device unreachable")
        << "offline 6" << QStringList{"status"} + device << 3 << "does not answer";
}

// Every exit status from its real cause, through the program: on standard
// error, its own messages only.
void TestCli::exitStatuses()
{
    QFETCH(QString, console);
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, said);
    const QString file = m_files.filePath("good.xml");
    QCOMPARE(RunCli(Device("export") << "-o" << file).status, 0);
    QByteArray lacking = ReadFile(file);
    lacking.replace("<GPITriggerMode>0</GPITriggerMode>", "");
    WriteFile(file + "-", lacking);
    for (QString &argument : arguments) {
        argument.replace("%D", kDevice).replace("%F", file);
    }
    const quint64 setsBefore = m_device->RequestsOfType(kMsgSetGPIOTriggerMode);
    if (!console.isEmpty()) {
        m_device->Command(console);
    }
    const Run run = RunProgram(arguments);
    QCOMPARE(run.status, status);
    QVERIFY2(run.err.contains(said.toUtf8()), run.err.constData());
    for (const QByteArray &line : run.err.split('\n')) {
        QVERIFY2(line.isEmpty() || line.startsWith("qvt-cli: "), run.err.constData());
    }
    if (status == Cli::kBadFile) {
        QCOMPARE(m_device->RequestsOfType(kMsgSetGPIOTriggerMode), setsBefore);  // nothing written
    }
}

// The status as JSON names the identity, the inputs and a raised alarm.
void TestCli::statusJson()
{
    m_device->Command("system 16 on");
    m_device->Command("signal 2 none");
    const Run run = RunCli(Device("status") << "--json");
    m_device->Command("system 16 off");
    m_device->Command("signal 2 1080i50");
    QCOMPARE(run.status, 0);
    QJsonParseError error;
    const QJsonObject status = QJsonDocument::fromJson(run.out, &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(status["model"].toString(), QStringLiteral("QVT 4x1 AGC"));
    QCOMPARE(status["address"].toString(), kDevice);
    const QJsonArray inputs = status["inputs"].toArray();
    QCOMPARE(inputs.size(), 4);
    QCOMPARE(inputs[1].toObject()["present"].toBool(), false);
    QCOMPARE(inputs[0].toObject()["standard"].toString(), QStringLiteral("1080i50"));
    QVERIFY(status["alarms"].toArray().contains(QJsonObject{{"input", ""}, {"alarm", "PS2 Fail"}}));
}

// The monitor prints a row per notification and appends it to a log file;
// --count 3 ends at the third, also with more queued behind it.
void TestCli::monitor()
{
    const QString csv = m_files.filePath("monitor.csv");
    m_device->WithModel([](DeviceModel &m) { m.systemEnable = 0x1FFFF; });
    QTimer::singleShot(300, this, [this] {
        m_device->Command("system 15 on");
        m_device->Command("system 15 off");
        m_device->Command("flood 5 1000000");
    });
    QTimer::singleShot(10000, this, [] { Cli::RequestStop(); });  // if they never come
    const Run run = RunCli(Device("monitor") << "--port" << QString::number(kNotifyPort) << "--csv"
                                             << csv << "--count"
                                             << "3");
    QCOMPARE(run.status, 0);
    const QList<QByteArray> lines = run.out.trimmed().split('\n');
    QVERIFY2(lines.size() == 3, run.out.constData());
    QVERIFY2(lines[0].startsWith("1,") && lines[0].endsWith(",,PS1 Fail,Asserted,"), lines[0]);
    QVERIFY2(lines[1].startsWith("2,") && lines[1].endsWith(",,PS1 Fail,Cleared,"), lines[1]);
    QVERIFY2(lines[2].startsWith("3,"), lines[2]);
    const QByteArray file = ReadFile(csv);
    QVERIFY2(file.startsWith("Module Type,QVT 4x1 AGC\n") &&
                 file.endsWith("Number,Time,Input,Alarm Type,Alarm Status,Notes\n" +
                               run.out.trimmed() + "\n"),
             file.constData());
}

// qvt-devsim --load answers every read with the file's values (an export
// from it gives the file back), and --save and the console's save write the
// file it loaded.
void TestCli::twin()
{
    m_device->Command("model 50000");
    m_device->WithModel([](DeviceModel &m) {
        m.detection[2].blackRegionRight = 1234;
        m.gpoMode = 0;
        m.relayManual[1] = 1;
    });
    const QString file = m_files.filePath("dual.xml");
    QCOMPARE(RunCli(Device("export") << "-o" << file).status, 0);
    const QString program = QCoreApplication::applicationDirPath() + "/qvt-devsim";
    const QString address = TestAddress();

    QProcess once;
    const QString saved = m_files.filePath("saved.xml");
    once.start(program, {"--address", address, "--load", file, "--save", saved});
    QVERIFY(once.waitForFinished(20000));
    QCOMPARE(once.exitCode(), 0);
    QCOMPARE(ReadFile(saved), ReadFile(file));

    QProcess twin;
    twin.start(program, {"--address", address, "--load", file});
    QVERIFY(twin.waitForReadyRead(20000));
    const Run run = RunCli({"export", "--address", address, "--password", "admin"});
    QCOMPARE(run.status, 0);
    QCOMPARE(run.out, ReadFile(file));
    const QString consoleSaved = m_files.filePath("console.xml");
    twin.write(("save " + consoleSaved + "\nquit\n").toUtf8());
    QVERIFY(twin.waitForFinished(20000));
    QVERIFY2(twin.readAll().contains("ok saved"), "the console's save");
    QCOMPARE(ReadFile(consoleSaved), ReadFile(file));
}

QVT_APP_TEST_MAIN(TestCli)

#include "tst_cli.moc"
