// The window's monitoring end to end: the device's notifications in the alarm
// log, its backups at disconnect, its rows across a change of model, and the
// status board kept up to date by the pages and the session.

#include "../common/AppSession.h"
#include "Detection.h"
#include "StatusPage.h"
#include "UpdateThread.h"

#include <QGroupBox>
#include <QLabel>
#include <QStatusBar>
#include <QTableWidget>

Q_DECLARE_METATYPE(PageKey)

namespace {
using K = PageKey;

QString Colour(QWidget *page, const char *lamp)
{
    auto *label = page->findChild<QLabel *>(QLatin1String(lamp));
    if (!label) {
        return QStringLiteral("no lamp %1").arg(QLatin1String(lamp));
    }
    const QString style = label->styleSheet();
    for (const char *colour : {"red", "yellow", "green", "gray"}) {
        if (style.contains(QStringLiteral("/%1.png").arg(QLatin1String(colour)))) {
            return QLatin1String(colour);
        }
    }
    return style;
}
}  // namespace

class TestMonitoring : public QObject, public AppSession
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(StartSimulator()); }
    void init();
    void cleanup() { CloseWindow(); }

    void backupsAtDisconnect();
    void rowsOutliveFailedWritesAndModels();
    void boardFollowsSessionAndPages();
    void lostConnectionInTime_data();
    void lostConnectionInTime();

private:
    QTableWidget *Table() const
    {
        return m_window->AlarmLog()->findChild<QTableWidget *>("tableWidgetAlarm");
    }
    QStringList Backups() const
    {
        return QDir(m_logs.path()).entryList({"backup_*.csv"}, QDir::Files, QDir::Name);
    }
    // A power supply fails: the device notifies this computer.
    void RaiseAlarm()
    {
        const int before = Table()->rowCount();
        m_device->Command("system 15 on");
        QTRY_COMPARE(Table()->rowCount(), before + 1);
        m_device->Command("system 15 off");
        QTRY_COMPARE(Table()->rowCount(), before + 2);
    }

    QTemporaryDir m_logs;
};

void TestMonitoring::init()
{
    m_device->Command("system 15 off");
    Alarm::SetPreferredLogDirectory(m_logs.path());
    for (const QString &file : QDir(m_logs.path()).entryList(QDir::Files)) {
        QFile::remove(m_logs.filePath(file));
    }
    OpenFreshWindow();
    // No auto-save at midnight in the middle of a test.
    m_window->AlarmLog()->OnSetAutoSaveTimeEnable(0);
}

// Disconnecting writes the rows to a backup of its own and empties the log;
// a second backup in the same minute gets a name of its own.
void TestMonitoring::backupsAtDisconnect()
{
    LogIn();
    RaiseAlarm();
    QCOMPARE(Table()->item(0, 3)->text(), QStringLiteral("PS1 Fail"));
    Disconnect();
    QCOMPARE(Table()->rowCount(), 0);
    QCOMPARE(Backups().size(), 1);
    const QByteArray content = ReadFile(m_logs.filePath(Backups()[0]));
    QVERIFY2(content.contains(",PS1 Fail,Asserted,") && content.contains(",PS1 Fail,Cleared,"),
             content.constData());

    LogIn();
    Disconnect();
    QCOMPARE(Backups().size(), 2);
}

// A backup that cannot be written keeps the rows and says so; the rows then
// survive a login to a device of another model, which rebuilds every page
// but the log.
void TestMonitoring::rowsOutliveFailedWritesAndModels()
{
    LogIn();
    RaiseAlarm();
    QTemporaryFile blocker;  // a file where the directories would have to be
    QVERIFY(blocker.open());
    Alarm::SetPreferredLogDirectory(blocker.fileName() + "/logs");
    const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", blocker.fileName().toLocal8Bit());
    Disconnect();
    qputenv("XDG_DATA_HOME", dataHome);
    Alarm::SetPreferredLogDirectory(m_logs.path());
    QCOMPARE(Table()->rowCount(), 2);
    const QString said = m_window->statusBar()->currentMessage();
    QVERIFY2(said.contains("could not be written") && said.contains("backup_"), qPrintable(said));

    Alarm *log = m_window->AlarmLog();
    BaseWidget *board = m_window->CurrentPages().Find(K::Status);
    m_device->Command("model 50000");
    LogIn();
    QCOMPARE(m_window->ProductType(), 50000);
    QVERIFY(m_window->CurrentPages().Find(K::Status) != board);
    QCOMPARE(m_window->CurrentPages().Find(K::Alarm), log);
    QCOMPARE(Table()->rowCount(), 2);
    QCOMPARE(Table()->item(1, 4)->text(), QStringLiteral("Cleared"));
}

// The board reloads at login, follows the device while shown, turns gray at
// disconnect, and learns a detection change from the page that wrote it.
void TestMonitoring::boardFollowsSessionAndPages()
{
    m_device->WithModel([](DeviceModel &m) {
        m.detection[0].lostEnable = 1;
        m.systemEnable = 0x1FFFF;
    });
    LogIn();
    auto *board = m_window->CurrentPages().Get<StatusPage>(K::Status);
    QVERIFY(board);
    Press(FindItem(m_window->Form().treeWidget, K::Status));
    QTRY_COMPARE(Colour(board, "labelIN1SignalLost"), QStringLiteral("green"));
    m_device->Command("system 15 on");
    QTRY_COMPARE(Colour(board, "labelPS1Fail"), QStringLiteral("yellow"));
    Disconnect();
    QCOMPARE(Colour(board, "labelPS1Fail"), QStringLiteral("gray"));
    QCOMPARE(Colour(board, "labelIN1SignalLost"), QStringLiteral("gray"));
    m_device->Command("system 15 off");

    // Shown on the detection page, nothing polls the board: only the page's
    // own word can tell it that signal-lost detection is off now.
    LogIn();
    auto *detection = m_window->CurrentPages().Get<Detection>(K::Detection1);
    Press(FindItem(m_window->Form().treeWidget, K::Detection1));
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
    LogIn();
    auto *board = m_window->CurrentPages().Get<StatusPage>(K::Status);
    Press(FindItem(m_window->Form().treeWidget, shown));
    m_client->SetReceiveTimeoutForTests(0);
    // Silent right after a probe's answer: the next probe is 3 s away.
    QSignalSpy probes(m_window->Monitor(), &UpdateThread::IsAlive);
    QVERIFY(probes.wait(5000));
    QVERIFY(probes.last().at(0).toBool());
    m_device->Command("offline 60");
    QElapsedTimer clock;
    clock.start();
    const int rows = Table()->rowCount();
    QTRY_VERIFY_WITH_TIMEOUT(Table()->rowCount() > rows, 15000);
    const qint64 logged = clock.elapsed();
    QCOMPARE(Table()->item(rows, 3)->text(), QStringLiteral("Connection Lost"));
    QCOMPARE(Colour(board, "labelPS1Fail"), QStringLiteral("gray"));
    qInfo("lost connection logged after %lld ms", logged);
    QVERIFY2(logged < 8000, qPrintable(QStringLiteral("%1 ms").arg(logged)));
    m_device->Command("offline 0");
}

QVT_APP_TEST_MAIN(TestMonitoring)

#include "tst_monitoring.moc"
