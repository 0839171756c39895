#include "../common/AppSession.h"
#include "NoticesServer.h"
#include "Status2x1.h"
#include "Status4x1.h"

#include <QLabel>

namespace {
// System lamps by bit, "-" where the model has none.
const QStringList kDualSystem =
    QStringLiteral(
        "GenlockLost ASystemClocking AGenlockSwitched AGPIRelayTriggered AGPI1Triggered "
        "AGPI2Triggered ARelayBypassed AOutputSwitched BSystemClocking BGenlockSwitched "
        "BGPIRelayTriggered BGPI1Triggered BGPI2Triggered BRelayBypassed "
        "BOutputSwitched PS1Fail PS2Fail")
        .split(' ');
const QStringList k4x1System =
    QStringLiteral(
        "GenlockLost SystemClocking GenlockSwitched GPIRelayTriggered GPI1Triggered "
        "GPI2Triggered RelayBypassed OutputSwitched - - - GPI3Triggered GPI4Triggered - "
        "- PS1Fail PS2Fail")
        .split(' ');
const char *const kVideo[] = {"SignalLost", "FormatError", "SyncFailed", "VideoBlack",
                              "VideoFrozen"};

// The lamps that show another colour (all of them for an empty one).
QStringList Besides(const QWidget *page, const QString &colour = QString())
{
    QStringList names;
    for (const QLabel *label : page->findChildren<QLabel *>()) {
        const QString name = label->objectName();
        if (label->styleSheet().contains(".png") && name != "labelLogo" &&
            Colour(page, name) != colour) {
            names << name;
        }
    }
    return names;
}

DetectionParam Detection(bool all)
{
    DetectionParam d;
    d.lostEnable = d.formatEnable = d.syncEnable = d.blackEnable = d.freezeEnable = all;
    d.audioLostChannels = d.audioSilentChannels = all ? 0xFFFF : 0;
    return d;
}

struct Live {
    QVector<AlarmType> video = QVector<AlarmType>(4);
    QVector<unsigned short> lost = QVector<unsigned short>(4), silent = QVector<unsigned short>(4);
    SystemAlarm system = 0;
};

// One lamp of the input rule; kind 0 video, 1 lost, 2 silent.
struct InputRow {
    const char *name;
    bool dual;
    int kind, input, bit;
    bool active, combined, enabled;
    const char *colour;
};
const InputRow kInputRows[] = {
    {"video, combined: red, detection off", false, 0, 0, 2, true, true, false, "red"},
    {"video, not combined: yellow", true, 0, 1, 4, true, false, true, "yellow"},
    {"video, quiet: green", false, 0, 3, 3, false, true, true, "green"},
    {"video, quiet, off: gray", true, 0, 2, 1, false, true, false, "gray"},
    {"lost, combined: red", true, 1, 2, 15, true, true, true, "red"},
    {"lost, not combined: yellow, detection off", false, 1, 0, 0, true, false, false, "yellow"},
    {"lost, quiet: green", true, 1, 3, 7, false, false, true, "green"},
    {"lost, quiet, off: gray", false, 1, 1, 9, false, true, false, "gray"},
    {"silent, combined: red", false, 2, 3, 0, true, true, true, "red"},
    {"silent, not combined: yellow", true, 2, 0, 11, true, false, true, "yellow"},
    {"silent, quiet: green", false, 2, 2, 3, false, false, true, "green"},
    {"silent ch3, quiet, off: gray beside green", true, 2, 1, 2, false, false, false, "gray"},
};
}  // namespace

// The lamp board built as the window builds it, with a client logged in to
// the simulator, its slots called as the worker and the window call them.
// The window's own board, painted by the polls: tst_monitoring.
class TestStatus : public QObject, public AppSession
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void inputColours_data();
    void inputColours();
    void systemLamps_data();
    void systemLamps();
    void reload_data();
    void reload();
    void configurationWaitsForRepaint();
    void ignoredUpdates();

private:
    std::unique_ptr<StatusPage> Board(bool dual)
    {
        const int model = dual ? 50000 : 50001;
        m_device->Command(QStringLiteral("model %1").arg(model));
        return dual ? std::unique_ptr<StatusPage>(new Status2x1(&m_session))
                    : std::unique_ptr<StatusPage>(new Status4x1(&m_session));
    }
    static void Configure(StatusPage *page, bool enabled, const QVector<alarmTrigger> &triggers)
    {
        for (int i = 0; i < 4; ++i) {
            page->OnDetectionChanged(i, Detection(enabled));
        }
        page->OnAlarmTriggerChanged(triggers);
        page->OnSystemAlarmChanged(enabled ? 0x1FFFF : 0);
    }
    static void Notify(StatusPage *page, const Live &live)
    {
        page->OnNotifyStatusUpdate(live.video, live.lost, live.silent, live.system);
    }

    // Logged in for every case but the one that closes it.
    void Online()
    {
        if (m_session.IsOffline()) {
            QCOMPARE(int(m_session.LogIn(kDevice, Session::kAdmin, QStringLiteral("admin"))),
                     int(DeviceSession::LoginOutcome::LoggedIn));
        }
    }

    Session m_session;
    CfgNetClient &m_direct = m_session.Client();
};

void TestStatus::initTestCase()
{
    QVERIFY(StartSimulator());
    Online();
}

// The device as it starts: no alarm, its own detection and combination.
void TestStatus::init()
{
    m_device->Command("fault clear");
    m_device->WithModel([](DeviceModel &m) {
        const DeviceModel fresh(m.productCode);
        std::copy(fresh.detection, fresh.detection + kInputCount, m.detection);
        std::copy(fresh.triggers, fresh.triggers + kInputCount, m.triggers);
        m.systemEnable = fresh.systemEnable;
        std::fill(m.rawVideo, m.rawVideo + kInputCount, 0u);
        std::fill(m.rawAudioLost, m.rawAudioLost + kInputCount, quint16(0));
        std::fill(m.rawAudioSilent, m.rawAudioSilent + kInputCount, quint16(0));
        m.rawSystem = 0;
        m.Update();
    });
    Online();
    m_session.Notices().Masks().Clear();
}

void TestStatus::inputColours_data()
{
    QTest::addColumn<int>("row");
    for (int i = 0; i < int(std::size(kInputRows)); ++i) {
        QTest::newRow(kInputRows[i].name) << i;
    }
}

// One lamp by the rule, every other lamp in the opposite background: a lamp
// read from the wrong bit, input or mask shows.
void TestStatus::inputColours()
{
    QFETCH(int, row);
    const InputRow &r = kInputRows[row];
    auto page = Board(r.dual);
    const bool others = QLatin1String(r.colour) == QLatin1String("gray");
    const QString in = QStringLiteral("labelIN%1").arg(r.input + 1);
    const QString lamp = r.kind == 0   ? in + kVideo[r.bit]
                         : r.kind == 1 ? in + QStringLiteral("LostCh%1").arg(r.bit + 1)
                                       : in + QStringLiteral("SilentCh%1").arg(r.bit + 1);
    const quint16 one = quint16(1u << r.bit);
    DetectionParam target = Detection(others);
    QVector<alarmTrigger> triggers(4);
    Live live;
    if (r.kind == 0) {
        quint8 *enables[] = {&target.lostEnable, &target.formatEnable, &target.syncEnable,
                             &target.blackEnable, &target.freezeEnable};
        *enables[r.bit] = r.enabled;
        triggers[r.input].VideoAlarmMask = r.combined ? one : 0;
        live.video[r.input] = r.active ? one : 0;
    } else {
        const bool lost = r.kind == 1;
        quint16 &channels = lost ? target.audioLostChannels : target.audioSilentChannels;
        channels = r.enabled ? channels | one : channels & ~one;
        alarmTrigger &t = triggers[r.input];
        (lost ? t.AudioLostAlarmMask : t.AudioSilentAlarmMask) = r.combined ? one : 0;
        (lost ? live.lost : live.silent)[r.input] = r.active ? one : 0;
    }
    Configure(page.get(), others, triggers);
    page->OnDetectionChanged(r.input, target);
    Notify(page.get(), live);
    QCOMPARE(Colour(page.get(), lamp), QString(r.colour));
    QCOMPARE(Besides(page.get(), others ? "green" : "gray"), QStringList{lamp});
}

void TestStatus::systemLamps_data()
{
    QTest::addColumn<bool>("dual");
    QTest::addColumn<int>("bit");
    QTest::addColumn<QStringList>("lamp");  // empty: the model ignores the bit
    for (bool dual : {true, false}) {
        for (int bit = 0; bit < kSystemAlarmBits; ++bit) {
            const QString name = (dual ? kDualSystem : k4x1System).at(bit);
            QTest::addRow("%s bit %d", dual ? "2x1" : "4x1", bit)
                << dual << bit << (name == "-" ? QStringList() : QStringList{"label" + name});
        }
    }
}

// Every bit on both models: active is yellow even with its enable clear and
// every combination set (never red); enabled and quiet is green.
void TestStatus::systemLamps()
{
    QFETCH(bool, dual);
    QFETCH(int, bit);
    QFETCH(QStringList, lamp);
    auto page = Board(dual);
    Configure(page.get(), false, QVector<alarmTrigger>(4, {0x1F, 0xFFFF, 0xFFFF, 0}));
    Live live;
    live.system = 1u << bit;
    Notify(page.get(), live);
    QCOMPARE(Besides(page.get(), "gray"), lamp);
    for (const QString &name : lamp) {
        QCOMPARE(Colour(page.get(), name), QStringLiteral("yellow"));
    }
    page->OnSystemAlarmChanged(1u << bit);
    Notify(page.get(), Live());
    QCOMPARE(Besides(page.get(), "gray"), lamp);
    for (const QString &name : lamp) {
        QCOMPARE(Colour(page.get(), name), QStringLiteral("green"));
    }
}

void TestStatus::reload_data()
{
    QTest::addColumn<bool>("dual");
    QTest::addColumn<bool>("combined");  // signal lost of input 2 in its combination
    QTest::newRow("2x1, combined") << true << true;
    QTest::newRow("4x1, not combined") << false << false;
}

// The reload reads the device: active alarms by the rules, the enables after
// them, and the audio masks handed to the notification receiver.
void TestStatus::reload()
{
    QFETCH(bool, dual);
    QFETCH(bool, combined);
    m_device->WithModel([combined](DeviceModel &m) {
        m.triggers[1].VideoAlarmMask = combined ? kAlarmSignalLost : kAlarmVideoBlack;
    });
    for (const char *command : {"alarm 2 signal-lost on", "audio-lost 2 0x0007",
                                "audio-silent 4 0x0001", "system 15 on"}) {
        m_device->Command(command);
    }
    auto page = Board(dual);
    StatusPage *board = page.get();
    const QString alarm = combined ? "red" : "yellow";
    const QStringList expected = {alarm,  "green",  "gray",   "yellow",
                                  "gray", "yellow", "yellow", "green"};
    QStringList shown;
    for (const char *name :
         {"labelIN2SignalLost", "labelIN2FormatError", "labelIN2SyncFailed", "labelIN2LostCh2",
          "labelIN2LostCh3", "labelIN4SilentCh1", "labelPS1Fail", "labelPS2Fail"}) {
        shown << Colour(board, name);
    }
    QCOMPARE(shown, expected);  // sync detection and lost channel 3 are off on the device
    QCOMPARE(m_session.Notices().Masks().Get(6, 1), quint16(0x0003));
    QCOMPARE(m_session.Notices().Masks().Get(7, 3), quint16(0x0001));

    // Signal lost off in the page's copy while the device's detection reads
    // are refused: gray though active; the marked lost channel keeps yellow.
    DetectionParam off;
    QCOMPARE(m_direct.GetDetectionParam(1, off), 0);
    off.lostEnable = 0;
    board->OnDetectionChanged(1, off);
    m_device->Command(QStringLiteral("fault reject %1 1").arg(kMsgGetDetectionParam));
    board->OnUpdateStatus(true);
    QCOMPARE(Colour(board, "labelIN2SignalLost"), QStringLiteral("gray"));
    QCOMPARE(Colour(board, "labelIN2LostCh2"), QStringLiteral("yellow"));
    Live live;
    QCOMPARE(m_direct.GetAlarmInfo({0, 1, 2, 3}, live.video, live.lost, live.silent, live.system),
             0);
    Notify(board, live);
    QCOMPARE(Colour(board, "labelIN2SignalLost"), alarm);

    board->OnUpdateStatus(false);
    QCOMPARE(Besides(board).size(), dual ? 165 : 160);
    QCOMPARE(board->LampCount(), Besides(board).size());
    QCOMPARE(Besides(board, "gray"), QStringList());
}

void TestStatus::configurationWaitsForRepaint()
{
    auto page = Board(false);
    QVector<alarmTrigger> triggers(4);
    triggers[0].VideoAlarmMask = kAlarmSignalLost;
    Configure(page.get(), true, triggers);
    Live live;
    live.video[0] = kAlarmSignalLost;
    Notify(page.get(), live);
    QCOMPARE(Colour(page.get(), "labelIN1SignalLost"), QStringLiteral("red"));
    QCOMPARE(Besides(page.get(), "green"), QStringList{"labelIN1SignalLost"});

    Configure(page.get(), false, QVector<alarmTrigger>(4));
    QCOMPARE(Colour(page.get(), "labelIN1SignalLost"), QStringLiteral("red"));
    QCOMPARE(Besides(page.get(), "green"), QStringList{"labelIN1SignalLost"});
    Notify(page.get(), live);
    QCOMPARE(Colour(page.get(), "labelIN1SignalLost"), QStringLiteral("yellow"));
    QCOMPARE(Besides(page.get(), "gray"), QStringList{"labelIN1SignalLost"});
}

// Offline, no device read and no repaint; an update with fewer than four
// inputs, or an input out of range, changes nothing.
void TestStatus::ignoredUpdates()
{
    m_session.Close();
    const quint64 requests = m_device->RequestsReceived();
    auto page = Board(true);
    QCOMPARE(m_device->RequestsReceived(), requests);
    Live live;
    live.video[3] = kAlarmVideoFrozen;
    Notify(page.get(), live);
    QCOMPARE(Besides(page.get(), "form"), QStringList());

    Online();
    QVector<alarmTrigger> triggers(4);
    triggers[3].VideoAlarmMask = kAlarmVideoFrozen;
    page->OnAlarmTriggerChanged(triggers);
    page->OnAlarmTriggerChanged(QVector<alarmTrigger>(2));
    page->OnDetectionChanged(4, Detection(true));
    page->OnDetectionChanged(-1, Detection(true));
    Live shortOne = live;
    shortOne.silent.resize(3);
    Notify(page.get(), shortOne);
    QCOMPARE(Besides(page.get(), "form"), QStringList());
    Notify(page.get(), live);
    QCOMPARE(Besides(page.get(), "gray"), QStringList{"labelIN4VideoFrozen"});
    QCOMPARE(Colour(page.get(), "labelIN4VideoFrozen"), QStringLiteral("red"));
}

QVT_APP_TEST_MAIN(TestStatus)

#include "tst_status.moc"
