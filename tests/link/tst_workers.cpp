#include "CmdThread.h"
#include "UpdateThread.h"

#include <QElapsedTimer>
#include "../common/QueuedSpy.h"
#include "../common/SimulatorClient.h"

#include <QtTest>

#include <atomic>
#include <functional>

namespace {
// A part of the file as the import sees it: answers with a fixed result
// (kBadFile: it is refused before anything is written), counts its writes,
// and runs `during` (on the worker thread) while it writes.
constexpr int kBadFile = 1;

// The worker's reads, as the data rows name them.
enum Read {
    SwitchControlRead,
    AgcRead,
    GenlockRead,
    SignalIORead,
    GpioRead,
    StatusRead,
    RegionLimitsRead
};
void (CmdThread::*const kReads[])() = {&CmdThread::PollSwitchControl, &CmdThread::PollAgc,
                                       &CmdThread::PollGenlock,       &CmdThread::PollSignalIO,
                                       &CmdThread::PollGpio,          &CmdThread::PollStatus,
                                       &CmdThread::PollRegionLimits};
const PagePoll kGenlock = {&CmdThread::PollGenlock, 3000};
const PagePoll kGpio = {&CmdThread::PollGpio, 3000};

class FakePage final : public ImportTarget
{
public:
    explicit FakePage(int result, std::function<void()> during = {})
        : m_result(result), m_during(std::move(during))
    {}
    int PrepareImport() override { return m_result == kBadFile ? -1 : 0; }
    int ImportParameters() override
    {
        ++calls;
        if (m_during) {
            m_during();
        }
        return m_result;
    }
    std::atomic<int> calls{0};

private:
    int m_result;
    std::function<void()> m_during;
};
}  // namespace

class TestWorkers : public QObject, public SimulatorClient
{
    Q_OBJECT

private slots:
    void initTestCase() { StartAndLogIn(); }
    void init();
    void cleanup();
    void polls_data();
    void polls();
    void noCommandSendsNothing();
    void statusSurvivesRejectedDetection();
    void phaseAlignEdge();
    void importStartsAtOnce_data();
    void importStartsAtOnce();
    void importEnds_data();
    void importEnds();
    void stopIsPrompt();
    void liveness();

private:
    std::unique_ptr<CmdThread> m_worker;
};

void TestWorkers::init()
{
    m_device->Command("fault clear");
    m_worker = std::make_unique<CmdThread>(&m_client, 30);
}

void TestWorkers::cleanup()
{
    m_worker.reset();  // stops and waits
}

void TestWorkers::polls_data()
{
    QTest::addColumn<int>("read");  // a Read
    QTest::addColumn<QString>("console");
    QTest::addColumn<QString>("expected");  // the first emission's arguments
    const auto row = [](const char *name, Read read, const char *console, const char *first) {
        QTest::newRow(name) << int(read) << QString(console) << QString(first);
    };
    row("switch control", SwitchControlRead, "gpi 0x02", "2 2");
    row("AGC", AgcRead, "levels in 3 33", "in3=33 out3=24");
    row("genlock", GenlockRead, "genlock NTSC", "16 true");
    row("genlock gone", GenlockRead, "genlock none", "2147483647 false");
    row("signal I/O", SignalIORead, "signal 3 none",
        "9/3/1 9/3/1 2147483647/0/0 9/3/1 locked=1 align=0");
    row("GPIO", GpioRead, "gpi 0x10", "0 1 16 17");
    row("status", StatusRead, "alarm 1 video-black on", "8,0,0,0 system=0x80");
    row("region limits", RegionLimitsRead, "signal 2 720p50", "9,19,9,9");
}

// The signal that carries each read's results.
std::unique_ptr<QueuedSpy> SpyFor(CmdThread *worker, int read)
{
    switch (read) {
        case SwitchControlRead:
            return std::make_unique<QueuedSpy>(worker, &CmdThread::NotifySwitchControlUpdate);
        case AgcRead:
            return std::make_unique<QueuedSpy>(worker, &CmdThread::NotifyAGCUpdate);
        case GenlockRead:
            return std::make_unique<QueuedSpy>(worker, &CmdThread::NotifyGenLockUpdate);
        case SignalIORead:
            return std::make_unique<QueuedSpy>(worker, &CmdThread::NotifySignalIOUpdate);
        case GpioRead:
            return std::make_unique<QueuedSpy>(worker, &CmdThread::NotifyGPIOUpdate);
        case StatusRead:
            return std::make_unique<QueuedSpy>(worker, &CmdThread::NotifyStatusUpdate);
        default:
            return std::make_unique<QueuedSpy>(worker, &CmdThread::SendRegionMaxValue);
    }
}

QString Describe(int read, const QList<QVariant> &a)
{
    switch (read) {
        case SwitchControlRead:
            return QStringLiteral("%1 %2")
                .arg(a[0].value<unsigned char>())
                .arg(a[1].value<unsigned char>());
        case AgcRead: {
            const auto in = a[0].value<QVector<unsigned short>>();
            const auto out = a[1].value<QVector<unsigned short>>();
            return QStringLiteral("in3=%1 out3=%2").arg(in.value(2)).arg(out.value(2));
        }
        case GenlockRead:
            return QStringLiteral("%1 %2")
                .arg(a[0].value<VideoStandard>())
                .arg(a[1].toBool() ? "true" : "false");
        case SignalIORead: {
            QStringList parts;
            for (const SignalIOInfo &info : a[0].value<QVector<SignalIOInfo>>()) {
                parts << QStringLiteral("%1/%2/%3")
                             .arg(info.standard)
                             .arg(int(info.phaseState))
                             .arg(info.present);
            }
            parts << QStringLiteral("locked=%1").arg(a[1].value<QVector<bool>>().value(0));
            parts << QStringLiteral("align=%1").arg(a[2].toBool());
            return parts.join(' ');
        }
        case GpioRead:
            return QStringLiteral("%1 %2 %3 %4")
                .arg(int(a[0].value<GPIOTriggerMode>()))
                .arg(int(a[1].value<GPIOTriggerMode>()))
                .arg(a[2].value<unsigned char>())
                .arg(a[3].value<unsigned char>());
        case StatusRead: {
            QStringList video;
            for (AlarmType v : a[0].value<QVector<AlarmType>>()) {
                video << QString::number(v);
            }
            return QStringLiteral("%1 system=0x%2")
                .arg(video.join(','))
                .arg(a[3].value<SystemAlarm>(), 0, 16);
        }
        default: {
            QStringList standards;
            for (VideoStandard s : a[0].value<QVector<VideoStandard>>()) {
                standards << QString::number(s);
            }
            return standards.join(',');
        }
    }
}

// Each read polls the device and hands over what the device holds.
void TestWorkers::polls()
{
    QFETCH(int, read);
    QFETCH(QString, console);
    QFETCH(QString, expected);
    QCOMPARE(m_device->Command(console), QStringLiteral("ok"));
    std::unique_ptr<QueuedSpy> spied = SpyFor(m_worker.get(), read);
    QueuedSpy &spy = *spied;
    m_worker->SetPoll({kReads[read], 500});
    m_worker->Start();
    QVERIFY(spy.wait(3000));
    QCOMPARE(Describe(read, spy.first()), expected);
    QVERIFY(spy.wait(3000));  // and again, after the pause

    // Put the device back as it was.
    const QStringList undo = {"gpi 0",
                              "levels in 3 20",
                              "genlock PAL",
                              "signal 3 1080i50",
                              "alarm 1 video-black off",
                              "signal 2 1080i50"};
    for (const QString &line : undo) {
        m_device->Command(line);
    }
}

void TestWorkers::noCommandSendsNothing()
{
    m_worker->Start();
    const quint64 before = m_device->RequestsReceived();
    QTest::qWait(300);
    QCOMPARE(m_device->RequestsReceived(), before);
}

// A device that refuses the detection settings still gets its alarm state,
// enables and combinations polled.
void TestWorkers::statusSurvivesRejectedDetection()
{
    QCOMPARE(m_device->Command("fault reject 36 1"), QStringLiteral("ok"));
    QueuedSpy detection(m_worker.get(), &CmdThread::SendDetectionInfo);
    QueuedSpy enables(m_worker.get(), &CmdThread::SendSystemAlarmInfo);
    QueuedSpy triggers(m_worker.get(), &CmdThread::SendAlarmTriggerInfo);
    QueuedSpy status(m_worker.get(), &CmdThread::NotifyStatusUpdate);
    m_worker->SetPoll({&CmdThread::PollStatus, 1000});
    m_worker->Start();
    QVERIFY(status.wait(3000));
    QVERIFY(status.wait(3000));
    QCOMPARE(detection.count(), 0);
    QVERIFY(enables.count() >= 2);
    QVERIFY(triggers.count() >= 2);
    QCOMPARE(triggers.first()[0].value<QVector<alarmTrigger>>().size(), 4);
    QCOMPARE(enables.first()[0].value<SystemAlarm>(), 0x1FFFFu);

    m_device->Command("fault clear");
    QTRY_COMPARE_WITH_TIMEOUT(detection.count() >= 4, true, 3000);
    QCOMPARE(detection.first()[0].toInt(), 0);
}

// Phase alignment is asked for once when the genlock reference comes back
// while alignment follows it: true on the first poll after the command is
// set (the remembered state starts as "lost"), then false until the
// reference has gone and come back.
void TestWorkers::phaseAlignEdge()
{
    QCOMPARE(m_client.SetPhaseAutoAlign({1, 0}), 0);
    QueuedSpy spy(m_worker.get(), &CmdThread::NotifySignalIOUpdate);
    auto align = [&spy](int i) { return spy.at(i)[2].toBool(); };
    m_worker->SetPoll({&CmdThread::PollSignalIO, 3000});
    m_worker->Start();
    QTRY_VERIFY_WITH_TIMEOUT(spy.count() >= 2, 3000);
    QCOMPARE(align(0), true);
    QCOMPARE(align(1), false);

    m_device->Command("genlock none");
    const int lostAt = spy.count() + 1;  // the poll after this one surely saw it
    QTRY_VERIFY_WITH_TIMEOUT(spy.count() > lostAt, 3000);
    QCOMPARE(align(lostAt), false);
    m_device->Command("genlock PAL");
    const int backAt = spy.count() + 1;
    QTRY_VERIFY_WITH_TIMEOUT(spy.count() > backAt + 1, 3000);
    int trues = 0;
    for (int i = lostAt; i < spy.count(); ++i) {
        trues += align(i) ? 1 : 0;
    }
    QCOMPARE(trues, 1);
    QCOMPARE(align(spy.count() - 1), false);

    // Without follow-genlock nothing is asked for.
    QCOMPARE(m_client.SetPhaseAutoAlign({0, 0}), 0);
    m_worker->SetPoll({&CmdThread::PollSignalIO, 3000});
    const int from = spy.count() + 1;
    QTRY_VERIFY_WITH_TIMEOUT(spy.count() > from + 1, 3000);
    for (int i = from; i < spy.count(); ++i) {
        QCOMPARE(align(i), false);
    }
}

void TestWorkers::importStartsAtOnce_data()
{
    QTest::addColumn<bool>("pageChanges");
    QTest::newRow("alone") << false;
    QTest::newRow("the page changes meanwhile") << true;
}

// An import starts at once, in the middle of a 3-second poll pause, and the
// page polls set meanwhile (a page leaving sends none, the next one its own)
// neither cancel it nor are undone by it.
void TestWorkers::importStartsAtOnce()
{
    QFETCH(bool, pageChanges);
    m_worker = std::make_unique<CmdThread>(&m_client);  // the real pauses
    QElapsedTimer clock;
    std::atomic<qint64> startedAfter{-1};
    FakePage first(0, [&] { startedAfter = clock.elapsed(); }), second(0);
    m_worker->SetImportParts({&first, &second});
    QueuedSpy polls(m_worker.get(), &CmdThread::NotifyGenLockUpdate);
    QueuedSpy finished(m_worker.get(), &CmdThread::NotifyImportFinish);
    m_worker->SetPoll(kGenlock);
    m_worker->Start();
    QVERIFY(polls.wait(3000));
    clock.start();
    m_worker->RequestImport();
    if (pageChanges) {
        m_worker->SetPoll({});
        m_worker->SetPoll(kGpio);
    }
    QVERIFY(finished.wait(2000));
    QCOMPARE(finished.first()[0].toInt(), 0);
    QVERIFY2(startedAfter >= 0 && startedAfter < 100, qPrintable(QString::number(startedAfter)));
    QCOMPARE(first.calls + second.calls, 2);
    QVERIFY(m_worker->CurrentPoll() == (pageChanges ? kGpio : kGenlock));
}

void TestWorkers::importEnds_data()
{
    QTest::addColumn<QVector<int>>("results");  // each page's own result
    QTest::addColumn<QString>("duringSecond");  // what happens while page 2 imports
    QTest::addColumn<QVector<int>>("reports");  // NotifyImportFinish, in order
    QTest::addColumn<int>("pagesCalled");
    QTest::newRow("every page imported") << QVector<int>{0, 0, 0} << "" << QVector<int>{0} << 3;
    QTest::newRow("page 2 fails") << QVector<int>{0, -1, 0} << "" << QVector<int>{-1} << 2;
    QTest::newRow("stopped during page 2")
        << QVector<int>{0, 0, 0, 0} << "stop" << QVector<int>{kImportStopped} << 2;
    QTest::newRow("page 2 fails as the session ends")
        << QVector<int>{0, -1, 0} << "stop" << QVector<int>{kImportStopped} << 2;
    QTest::newRow("asked for again, then stopped")
        << QVector<int>{0, 0, 0} << "import, stop" << QVector<int>{kImportStopped, kImportStopped}
        << 2;
    QTest::newRow("asked for after the stop")
        << QVector<int>{0} << "stopped first" << QVector<int>{kImportStopped} << 0;
    QTest::newRow("page 3's part of the file refused: nothing written")
        << QVector<int>{0, 0, kBadFile} << "" << QVector<int>{-1} << 0;
}

// Every import request ends in exactly one report: 0 (each page followed by a
// pause for the device), -1 when a page failed (the rest are skipped), or
// kImportStopped when Stop came first, between pages or before the import began.
void TestWorkers::importEnds()
{
    QFETCH(QVector<int>, results);
    QFETCH(QString, duringSecond);
    QFETCH(QVector<int>, reports);
    QFETCH(int, pagesCalled);
    const std::function<void()> during = [this, duringSecond] {
        if (duringSecond.startsWith("import")) {
            m_worker->RequestImport();
        }
        if (duringSecond.endsWith("stop")) {
            m_worker->Stop();
        }
    };
    std::vector<std::unique_ptr<FakePage>> pages;
    QList<ImportTarget *> targets;
    for (int k = 0; k < results.size(); ++k) {
        pages.push_back(
            std::make_unique<FakePage>(results[k], k == 1 ? during : std::function<void()>()));
        targets << pages.back().get();
    }
    m_worker->SetImportParts(targets);
    QueuedSpy finished(m_worker.get(), &CmdThread::NotifyImportFinish);
    m_worker->Start();
    if (duringSecond == QLatin1String("stopped first")) {
        m_worker->Stop();
    }
    QElapsedTimer clock;
    clock.start();
    m_worker->RequestImport();
    QVERIFY(QTest::qWaitFor([&] { return finished.count() >= reports.size(); }, 3000));
    if (reports == QVector<int>{0}) {
        QVERIFY(clock.elapsed() >= 100 * pagesCalled);  // 100 ms after each page
    }
    m_worker->Stop();
    QVERIFY(m_worker->Join(3000));
    QTest::qWait(20);  // a second report, queued or not, would be here by now
    QCOMPARE(finished.count(), reports.size());
    for (int i = 0; i < reports.size(); ++i) {
        QCOMPARE(finished.at(i)[0].toInt(), reports[i]);
    }
    int called = 0;
    for (const auto &page : pages) {
        called += page->calls;
    }
    QCOMPARE(called, pagesCalled);
}

// Stopping does not wait out a 3-second pause.
void TestWorkers::stopIsPrompt()
{
    m_worker = std::make_unique<CmdThread>(&m_client);  // the real pauses
    QueuedSpy spy(m_worker.get(), &CmdThread::NotifyGenLockUpdate);
    m_worker->SetPoll({&CmdThread::PollGenlock, 3000});
    m_worker->Start();
    QVERIFY(spy.wait(3000));
    QElapsedTimer clock;
    clock.start();
    m_worker->Stop();
    QVERIFY(m_worker->Join(2000));
    QVERIFY2(clock.elapsed() < 500, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(spy.count(), 1);  // the 3-second pause was still running
}

// The probe's reports: alive, in update mode, silent. (An expired login is
// renewed inside the client before any caller sees it: tst_client.)
void TestWorkers::liveness()
{
    CfgNetClient client(150);  // silence is seen within a second
    LogIn(client, kDevice);
    UpdateThread monitor(&client, 50);
    QueuedSpy spy(&monitor, &UpdateThread::IsAlive);
    monitor.Start();
    QVERIFY(spy.wait(3000));
    QCOMPARE(spy.last(), (QList<QVariant>{true, 1}));

    m_device->Command("update-mode on");
    QTRY_COMPARE_WITH_TIMEOUT(spy.last(), (QList<QVariant>{true, 0}), 3000);
    m_device->Command("update-mode off");
    QTRY_COMPARE_WITH_TIMEOUT(spy.last(), (QList<QVariant>{true, 1}), 3000);

    m_device->Command("offline 30");
    QTRY_COMPARE_WITH_TIMEOUT(spy.last(), (QList<QVariant>{false, 255}), 3000);
    m_device->Command("offline 0");
    QTRY_COMPARE_WITH_TIMEOUT(spy.last(), (QList<QVariant>{true, 1}), 3000);
    monitor.Stop();
    QVERIFY(monitor.Join(1000));
}

QTEST_GUILESS_MAIN(TestWorkers)
#include "tst_workers.moc"
