// The window's monitoring end to end: the device's notifications in the alarm
// log, its backups at disconnect, its rows across a change of model, and the
// status board kept up to date by the pages and the session.

#include "../common/AppSession.h"
#include "CmdThread.h"
#include "Detection.h"
#include "StatusPage.h"
#include "UpdateThread.h"

#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QStatusBar>
#include <QTableView>

#include <unistd.h>
#include <csignal>
#include <cstdio>
#include <functional>

namespace {
using K = PageKey;

// What `run` writes to standard error.
QByteArray StandardError(const std::function<void()> &run)
{
    QTemporaryFile file;
    if (!file.open()) {
        return "no temporary file";
    }
    std::fflush(stderr);
    const int saved = ::dup(2);
    ::dup2(file.handle(), 2);
    run();
    std::fflush(stderr);
    ::dup2(saved, 2);
    ::close(saved);
    file.seek(0);
    return file.readAll();
}

// Whether process `pid` has a handler for signal `number`.
bool Catches(qint64 pid, int number)
{
    const QByteArray status = ReadFile(QStringLiteral("/proc/%1/status").arg(pid));
    const int at = status.indexOf("SigCgt:");
    const QByteArray mask = at < 0 ? QByteArray() : status.mid(at + 7).split('\n').value(0);
    return (mask.trimmed().toULongLong(nullptr, 16) >> (number - 1)) & 1;
}
}  // namespace

class TestMonitoring : public QObject, public AppSession
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup() { CloseWindow(); }

    void backupsAtDisconnect();
    void keptRowsKeepTheirDevice();
    void closeWithRowsNotSaved_data();
    void closeWithRowsNotSaved();
    void endedByTheDesktop();
    void boardFollowsSessionAndPages();
    void lostConnectionInTime_data();
    void lostConnectionInTime();

private:
    QAbstractItemModel *LogRows() const
    {
        return m_window->AlarmLog()->findChild<QTableView *>("tableWidgetAlarm")->model();
    }
    // The status bar's lasting word on rows not saved; empty when hidden.
    QString Unsaved() const
    {
        auto *label = m_window->statusBar()->findChild<QLabel *>("labelUnsavedRows");
        return !label ? QStringLiteral("no label") : label->isVisible() ? label->text() : QString();
    }
    QStringList Backups() const
    {
        return QDir(m_logs.path()).entryList({"backup_*.csv"}, QDir::Files, QDir::Name);
    }
    // A power supply fails: the device notifies this computer.
    void RaiseAlarm()
    {
        const int before = LogRows()->rowCount();
        m_device->Command("system 15 on");
        QTRY_COMPARE(LogRows()->rowCount(), before + 1);
        m_device->Command("system 15 off");
        QTRY_COMPARE(LogRows()->rowCount(), before + 2);
    }

    // With `blocked`, a file stands where the log directory was (its files
    // kept aside) and where the user's data directory would be: a folder
    // that fails, and its fallback too.
    void BlockDirectories(bool blocked)
    {
        const QString logs = m_logs.path();
        const QString aside = logs + ".aside";
        if (blocked && !QFileInfo(logs).isFile()) {
            QVERIFY(QDir().rename(logs, aside));
            WriteFile(logs, "a file where the log directory should be");
        } else if (!blocked && QFileInfo(logs).isFile()) {
            QVERIFY(QFile::remove(logs) && QDir().rename(aside, logs));
        }
        qputenv("XDG_DATA_HOME", blocked ? m_blocker.fileName().toLocal8Bit() : m_dataHome);
    }

    QTemporaryDir m_logs;
    QTemporaryDir m_elsewhere;
    QStringList m_chosen;  // the file dialogs' answers, in turn
    QTemporaryFile m_blocker;
    QByteArray m_dataHome = qgetenv("XDG_DATA_HOME");
    QByteArray m_serial;
};

void TestMonitoring::initTestCase()
{
    QVERIFY(StartSimulator());
    QVERIFY(m_blocker.open());
    m_logDirectory = m_logs.path();
    m_serial = m_device->WithModel(
        [](DeviceModel &m) { return QByteArray(reinterpret_cast<const char *>(m.serial), 8); });
}

void TestMonitoring::init()
{
    m_device->Command("system 15 off");
    const QByteArray serial = m_serial;
    m_device->WithModel([serial](DeviceModel &m) {
        std::copy(serial.begin(), serial.end(), m.serial);
        m.ip = 0x7F000001;
    });
    BlockDirectories(false);
    for (const QString &file : QDir(m_logs.path()).entryList(QDir::Files)) {
        QFile::remove(m_logs.filePath(file));
    }
    m_chosen.clear();
    m_logChooser = [this](QWidget *, const QString &) {
        return m_chosen.isEmpty() ? QString() : m_chosen.takeFirst();
    };
    OpenFreshWindow();
    // No auto-save at midnight in the middle of a test.
    m_window->AlarmLog()->OnSetAutoSaveTimeEnable(0);
}

// Disconnecting writes the rows to a backup of its own and empties the log;
// a session without rows leaves one too, and a second backup in the same
// minute gets a name of its own.
void TestMonitoring::backupsAtDisconnect()
{
    LogIn();
    RaiseAlarm();
    QCOMPARE(LogRows()->index(0, 3).data().toString(), QStringLiteral("PS1 Fail"));
    Disconnect();
    QCOMPARE(LogRows()->rowCount(), 0);
    QCOMPARE(Backups().size(), 1);
    const QByteArray content = ReadFile(m_logs.filePath(Backups()[0]));
    QVERIFY2(content.contains(",PS1 Fail,Asserted,") && content.contains(",PS1 Fail,Cleared,"),
             content.constData());

    LogIn();
    Disconnect();
    QCOMPARE(Backups().size(), 2);

    // Rows that come in after the close's backup, while the receiver still
    // runs, are written when the program quits.
    LogIn();
    m_window->close();
    QCOMPARE(Backups().size(), 3);
    RaiseAlarm();
    m_window->OnAboutToQuit();
    QCOMPARE(Backups().size(), 4);
    QCOMPARE(LogRows()->rowCount(), 0);
    m_window->OnAboutToQuit();  // offline and empty: nothing to keep
    QCOMPARE(Backups().size(), 4);
}

// A backup that cannot be written keeps the rows and says so; the rows then
// survive a login to a device of another model, which rebuilds every page
// but the log, and go to a file under their own device's preamble.
void TestMonitoring::keptRowsKeepTheirDevice()
{
    LogIn();
    RaiseAlarm();
    BlockDirectories(true);
    Disconnect();
    BlockDirectories(false);
    QCOMPARE(LogRows()->rowCount(), 2);
    const QString said = StatusLine();
    QVERIFY2(said.contains("could not be written") && said.contains("backup_"), qPrintable(said));
    QCOMPARE(Unsaved(), QStringLiteral("2 alarm rows not saved"));

    Alarm *log = m_window->AlarmLog();
    BaseWidget *board = m_window->CurrentPages().Find(K::Status);
    const QString serialA = log->DeviceInfo().productSN;
    m_device->Command("model 50000");
    m_device->WithModel([](DeviceModel &m) {
        m.serial[7] ^= 0x01;
        m.ip = 0x7F000009;
    });
    LogIn();
    QCOMPARE(m_window->ProductType(), 50000);
    QVERIFY(m_window->CurrentPages().Find(K::Status) != board);
    QCOMPARE(m_window->CurrentPages().Find(K::Status)->metaObject()->className(), "Status2x1");
    QCOMPARE(m_window->CurrentPages().Find(K::Alarm), log);
    QCOMPARE(LogRows()->rowCount(), 2);
    QCOMPARE(LogRows()->index(1, 4).data().toString(), QStringLiteral("Cleared"));
    // Neither the login's nor a page's message wipes the warning.
    m_window->statusBar()->showMessage("a page's message");
    RaiseAlarm();
    QCOMPARE(Unsaved(), QStringLiteral("4 alarm rows not saved"));
    Disconnect();
    QCOMPARE(Unsaved(), QString());

    // One file per device, the older rows first, each under its own device.
    const QStringList files = Backups();
    QCOMPARE(files.size(), 2);
    QVERIFY(files[1].startsWith(files[0].chopped(4) + "_2"));
    const QByteArray a = ReadFile(m_logs.filePath(files[0]));
    const QByteArray b = ReadFile(m_logs.filePath(files[1]));
    QVERIFY2(a.startsWith("Module Type,QVT 4x1 AGC\nProduct SN," + serialA.toLatin1() + "\n") &&
                 a.contains("IP Address,127.0.0.1\n") && a.contains("\n1,") && a.contains("\n2,") &&
                 !a.contains("\n3,"),
             a.constData());
    QVERIFY2(b.startsWith("Module Type,QVT Dual 2x1\nProduct SN,") &&
                 !b.contains(serialA.toLatin1()) && b.contains("IP Address,127.0.0.9\n") &&
                 b.contains("\n3,") && b.contains("\n4,") && !b.contains("\n1,"),
             b.constData());
    QCOMPARE(LogRows()->rowCount(), 0);
}

void TestMonitoring::closeWithRowsNotSaved_data()
{
    using B = QList<int>;  // the message box's buttons
    QTest::addColumn<B>("answers");
    QTest::addColumn<QStringList>("chosen");  // in m_elsewhere
    QTest::addColumn<bool>("closed");

    QTest::newRow("cancel") << B{QMessageBox::Cancel} << QStringList() << false;
    QTest::newRow("close anyway") << B{QMessageBox::Discard} << QStringList() << true;
    QTest::newRow("save elsewhere") << B{QMessageBox::Save} << QStringList{"kept.csv"} << true;
    QTest::newRow("dialog cancelled, then a file that fails, then a good one")
        << B{QMessageBox::Save, QMessageBox::Save, QMessageBox::Save}
        << QStringList{"", "no/such/dir.csv", "kept.csv"} << true;
}

// A backup at close that fails asks what becomes of the rows, naming the
// file and the reason, and the window stays until the operator decides.
void TestMonitoring::closeWithRowsNotSaved()
{
    QFETCH(QList<int>, answers);
    QFETCH(QStringList, chosen);
    QFETCH(bool, closed);
    for (const QString &name : chosen) {
        m_chosen << (name.isEmpty() ? name : m_elsewhere.filePath(name));
    }
    LogIn();
    RaiseAlarm();
    BlockDirectories(true);
    QList<ModalScript::Action> actions;
    for (int answer : answers) {
        actions << ModalScript::Button(QMessageBox::StandardButton(answer));
    }
    ModalScript script(actions);
    m_window->close();
    BlockDirectories(false);
    QVERIFY(script.Done());

    QCOMPARE(script.messages.size(), answers.size());
    const QRegularExpression named("could not be written to " +
                                   QRegularExpression::escape(m_logs.path()) +
                                   "/backup_[-_0-9]+\\.csv \\(.+\\)");
    QVERIFY2(named.match(script.messages[0]).hasMatch(), qPrintable(script.messages[0]));
    if (chosen.size() > 1) {
        QVERIFY2(script.messages[2].contains(m_elsewhere.filePath("no/such/dir.csv")),
                 qPrintable(script.messages[2]));
    }
    QCOMPARE(m_window->isVisible(), !closed);
    QCOMPARE(LogRows()->rowCount(), chosen.isEmpty() ? 2 : 0);
    QCOMPARE(Unsaved(), closed ? QString() : QStringLiteral("2 alarm rows not saved"));
    if (!closed) {
        // Clear gives the rows up: the warning goes, and new rows are not
        // counted against a failure that no longer holds any.
        m_window->AlarmLog()->OnClear();
        QCOMPARE(Unsaved(), QString());
        RaiseAlarm();
        QCOMPARE(Unsaved(), QString());
    }
    if (!chosen.isEmpty()) {
        const QByteArray kept = ReadFile(m_elsewhere.filePath("kept.csv"));
        QVERIFY2(kept.startsWith("Module Type,QVT 4x1 AGC\n") &&
                     kept.contains(",PS1 Fail,Asserted,") && kept.contains(",PS1 Fail,Cleared,"),
                 kept.constData());
    }
    QCOMPARE(Backups(), QStringList());
}

// A program that the desktop ends writes its backup without a question: in
// a fallback directory when the log directories fail, and says so on
// standard error. SIGTERM and SIGHUP end it through its event loop.
void TestMonitoring::endedByTheDesktop()
{
    LogIn();
    RaiseAlarm();
    BlockDirectories(true);
    const QByteArray home = qgetenv("HOME");
    qputenv("HOME", m_elsewhere.path().toLocal8Bit());
    ModalScript script({ModalScript::Reject()});
    const QByteArray said = StandardError([this] { m_window->OnAboutToQuit(); });
    qputenv("HOME", home);
    BlockDirectories(false);
    QVERIFY(!script.Done());
    const QStringList kept = QDir(m_elsewhere.path()).entryList({"backup_*.csv"}, QDir::Files);
    QCOMPARE(kept.size(), 1);
    QVERIFY(ReadFile(m_elsewhere.filePath(kept[0])).contains(",PS1 Fail,Cleared,"));
    QVERIFY2(
        said.contains("could not be written to " + m_logs.path().toLocal8Bit() + "/backup_") &&
            said.contains("2 rows were written to " + m_elsewhere.filePath(kept[0]).toLocal8Bit()),
        said.constData());
    QCOMPARE(Unsaved(), QString());
    m_window->close();  // the backup is made: no second one
    QVERIFY(!m_window->isVisible());
    QCOMPARE(Backups(), QStringList());

    for (int number : {SIGTERM, SIGHUP}) {
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        program.setProcessEnvironment(environment);
        program.start(QCoreApplication::applicationDirPath() + "/qvt-config", QStringList());
        QVERIFY(program.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(Catches(program.processId(), number), 10000);
        ::kill(static_cast<pid_t>(program.processId()), number);
        QVERIFY(program.waitForFinished(10000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
    }
}

// The board reloads at login, follows the device while shown, turns gray at
// disconnect, and learns a detection change from the page that wrote it.
void TestMonitoring::boardFollowsSessionAndPages()
{
    m_device->WithModel([](DeviceModel &m) {
        m.detection[0].lostEnable = 1;
        m.systemEnable = 0x1FFFF;
    });
    // A minute's pause after every poll: only the notification can wake the
    // board's next one.
    OpenWindow([](WindowOptions &options) { options.timings.pollPauseMs = 60000; });
    LogIn();
    auto *board = m_window->CurrentPages().Get<StatusPage>(K::Status);
    QVERIFY(board && board->metaObject()->className() == QByteArray("Status4x1"));
    Show(K::Status);
    QTRY_COMPARE(Colour(board, "labelIN1SignalLost"), QStringLiteral("green"));
    const quint64 polls = m_device->RequestsOfType(kMsgGetAlarmInfo);
    m_device->Command("system 15 on");
    QTRY_COMPARE(Colour(board, "labelPS1Fail"), QStringLiteral("yellow"));
    QVERIFY(m_device->RequestsOfType(kMsgGetAlarmInfo) > polls);
    Disconnect();
    QCOMPARE(Colour(board, "labelPS1Fail"), QStringLiteral("gray"));
    QCOMPARE(Colour(board, "labelIN1SignalLost"), QStringLiteral("gray"));
    m_device->Command("system 15 off");

    // Shown on the detection page, nothing polls the board: only the page's
    // own word can tell it that signal-lost detection is off now.
    LogIn();
    auto *detection = Show<Detection>(K::Detection1);
    const QVector<AlarmType> quiet(4, 0);
    const QVector<unsigned short> none(4, 0);
    board->OnNotifyStatusUpdate(quiet, none, none, 0);
    QCOMPARE(Colour(board, "labelIN1SignalLost"), QStringLiteral("green"));
    detection->findChild<QGroupBox *>("groupBoxBlackVideoLost")->setChecked(false);
    detection->findChild<QPushButton *>("pushButtonOk")->click();
    QCOMPARE(Colour(board, "labelIN1SignalLost"), QStringLiteral("green"));  // until a repaint
    board->OnNotifyStatusUpdate(quiet, none, none, 0);
    QCOMPARE(Colour(board, "labelIN1SignalLost"), QStringLiteral("gray"));
}

void TestMonitoring::lostConnectionInTime_data()
{
    QTest::addColumn<PageKey>("shown");
    QTest::newRow("General") << K::General;
    QTest::newRow("Status") << K::Status;
}

// Whatever page polls the device, its silence is logged and the board grays
// within 8 s of its last answer, with the device's real time-outs.
void TestMonitoring::lostConnectionInTime()
{
    QFETCH(PageKey, shown);
    OpenWindow(RealTimeOut);
    LogIn();
    auto *board = m_window->CurrentPages().Get<StatusPage>(K::Status);
    Show(shown);
    // Silent right after a probe's answer: the next probe is 3 s away.
    QSignalSpy probes(m_window->Monitor(), &UpdateThread::IsAlive);
    QVERIFY(probes.wait(5000));
    QVERIFY(probes.last().at(0).toBool());
    m_device->Command("offline 60");
    QElapsedTimer clock;
    clock.start();
    const int rows = LogRows()->rowCount();
    QTRY_VERIFY_WITH_TIMEOUT(LogRows()->rowCount() > rows, 15000);
    const qint64 logged = clock.elapsed();
    QCOMPARE(LogRows()->index(rows, 3).data().toString(), QStringLiteral("Connection Lost"));
    QCOMPARE(Colour(board, "labelPS1Fail"), QStringLiteral("gray"));
    qInfo("lost connection logged after %lld ms", logged);
    QVERIFY2(logged < 8000, qPrintable(QStringLiteral("%1 ms").arg(logged)));
    m_device->Command("offline 0");
}

QVT_APP_TEST_MAIN(TestMonitoring)

#include "tst_monitoring.moc"
