#include "../common/AppSession.h"
#include "CmdThread.h"
#include "DeviceTables.h"
#include "ParamsFile.h"
#include "SignalIOPage.h"
#include "SignalIOParams.h"

#include <QGroupBox>
#include <QLabel>
#include <QSpinBox>

namespace {
// What the signal I/O pages own on the device.
struct Owned {
    QVector<int> line, pixel, mode, follow;
    int fading, duration, duplication, aux;
};

// As one list, which QCOMPARE shows when it differs.
QVector<int> Flat(const Owned &o)
{
    return o.line + o.pixel + o.mode + o.follow +
           QVector<int>{o.fading, o.duration, o.duplication, o.aux};
}
}  // namespace

// The signal I/O pages against the simulator, on each model and group: what
// refresh shows, what Apply leaves on the device, a refused write, the re-read
// after a phase alignment, and the page's part of the parameter file.
class TestSignalIO : public QObject, public AppSession
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(StartSimulator()); }
    void init() { OpenFreshWindow(); }
    void cleanup() { CloseWindow(); }

    void refreshAndApply_data() { Pages(); }
    void refreshAndApply();
    void phaseAlignRereads_data() { Pages(); }
    void phaseAlignRereads();

private:
    static void Pages()
    {
        QTest::addColumn<int>("model");
        QTest::addColumn<PageKey>("key");
        QTest::addColumn<int>("group");
        QTest::addColumn<int>("refused");  // a write of Apply's, each page another
        QTest::addColumn<int>("unsent");   // the write after it
        QTest::addColumn<QString>("name");
        QTest::newRow("dual, group A")
            << 50000 << PageKey::SignalIOA << 0 << int(kMsgSetPhaseAutoAlign) << int(kMsgAlignPhase)
            << "SetPhaseAutoAlign";
        QTest::newRow("dual, group B") << 50000 << PageKey::SignalIOB << 1 << int(kMsgSetPhase)
                                       << int(kMsgSetPhaseAutoAlign) << "SetPhase";
        QTest::newRow("4x1") << 50001 << PageKey::SignalIO << 0 << int(kMsgAlignPhase)
                             << int(kMsgSetAudioEffect) << "AlignPhase";
        QTest::newRow("4x1 AGC") << 50002 << PageKey::SignalIO << 0 << int(kMsgSetAudioEffect)
                                 << int(kMsgSetAUXOutputSelect) << "SetAudioEffect";
    }

    SignalIOPage *ShowOn(int model, PageKey key)
    {
        m_device->Command(QStringLiteral("model %1").arg(model));
        LogIn();
        return Show<SignalIOPage>(key);
    }
    Owned Device() const
    {
        return m_device->WithModel([](DeviceModel &m) {
            return Owned{{m.delayLine[0], m.delayLine[1]},
                         {m.delayPixel[0], m.delayPixel[1]},
                         {m.clockingMode[0], m.clockingMode[1]},
                         {m.followGenlock[0], m.followGenlock[1]},
                         m.fadingEnable[0],
                         int(m.fadingDuration[0]),
                         m.duplication,
                         m.aux};
        });
    }
    void SetDevice(const Owned &o)
    {
        m_device->WithModel([o](DeviceModel &m) {
            for (int g = 0; g < 2; ++g) {
                m.delayLine[g] = quint16(o.line[g]);
                m.delayPixel[g] = quint16(o.pixel[g]);
                m.clockingMode[g] = quint8(o.mode[g]);
                m.followGenlock[g] = quint8(o.follow[g]);
            }
            m.fadingEnable[0] = quint8(o.fading);
            m.fadingDuration[0] = quint32(o.duration);
            m.duplication = quint8(o.duplication);
            m.aux = quint8(o.aux);
        });
    }

    const Owned kStart = {{100, 200}, {300, 400}, {1, 0}, {0, 1}, 1, 500, 2, 4};
};

// What refresh shows and what Apply leaves on the device; a refused write
// stops Apply there, says so, resets the trigger and shows what the device
// holds.
void TestSignalIO::refreshAndApply()
{
    QFETCH(int, model);
    QFETCH(PageKey, key);
    QFETCH(int, group);
    QFETCH(int, refused);
    QFETCH(int, unsent);
    QFETCH(QString, name);
    const bool dual = model == 50000;
    const Owned start = kStart;
    SetDevice(start);
    m_device->WithModel([](DeviceModel &m) { m.present[1] = m.present[3] = false; });
    SignalIOPage *page = ShowOn(model, key);
    QVERIFY(page);

    auto *line = Child<QSpinBox>(page, "spinBoxGenlockPhaseLine");
    auto *pixel = Child<QSpinBox>(page, "spinBoxGenlockPhasePixel");
    auto *mode = Child<QComboBox>(page, "comboBoxClockingMode");
    auto *follow = Child<QComboBox>(page, "comboBoxPhaseAlignFollow");
    QCOMPARE(line->value(), start.line[group]);
    QCOMPARE(pixel->value(), start.pixel[group]);
    QCOMPARE(mode->currentIndex(), start.mode[group]);
    QCOMPARE(follow->currentIndex(), start.follow[group]);
    QCOMPARE(Child<QLabel>(page, "labelIn1Standard")->text(), VideoStandardName(9, "SDI"));
    QCOMPARE(Child<QLabel>(page, "labelIn2Standard")->text(), QStringLiteral("Not Present"));
    QCOMPARE(Child<QLabel>(page, "labelIn1Phase")->text(), QStringLiteral("0,0"));
    if (!dual) {
        QVERIFY(Child<QGroupBox>(page, "groupBoxAudioFading")->isChecked());
        QCOMPARE(Child<QSpinBox>(page, "spinBoxAudioFading")->value(), 500);
        QCOMPARE(Child<QComboBox>(page, "comboBoxAudioDuplication")->currentIndex(), 2);
        QCOMPARE(Child<QComboBox>(page, "comboBoxAuxSource")->currentIndex(), 4);
        Child<QGroupBox>(page, "groupBoxAudioFading")->setChecked(false);
        Child<QSpinBox>(page, "spinBoxAudioFading")->setValue(1010);
        Child<QComboBox>(page, "comboBoxAudioDuplication")->setCurrentIndex(3);
        Child<QComboBox>(page, "comboBoxAuxSource")->setCurrentIndex(1);
    }

    line->setValue(555);
    pixel->setValue(666);
    mode->setCurrentIndex(1 - start.mode[group]);
    auto *apply = Child<QPushButton>(page, "pushButtonApply");
    apply->click();
    QCOMPARE(StatusLine(), QStringLiteral("Applied to the device."));
    Owned expected = start;
    expected.line[group] = 555;
    expected.pixel[group] = 666;
    expected.mode[group] = 1 - start.mode[group];
    if (!dual) {
        // One group on the 4x1 models: element 1 goes out as 0.
        expected.line[1] = expected.pixel[1] = expected.mode[1] = expected.follow[1] = 0;
        expected.fading = 0;
        expected.duration = 1010;
        expected.duplication = 3;
        expected.aux = 1;
    }
    QCOMPARE(Flat(Device()), Flat(expected));

    m_device->Command(QStringLiteral("fault reject %1 1").arg(refused));
    const quint64 before = m_device->RequestsOfType(quint16(unsent));
    auto *trigger = Child<QComboBox>(page, "comboBoxPhaseAlignTrigger");
    line->setValue(1000);
    trigger->setCurrentIndex(1);
    apply->click();
    QCOMPARE(StatusLine(), "Apply failed: " + name + ": Failed");
    QCOMPARE(m_device->RequestsOfType(quint16(unsent)), before);
    QCOMPARE(trigger->currentIndex(), 0);
    QCOMPARE(line->value(), Device().line[group]);
}

// A notification that the genlock came back with alignment following it:
// the inputs are shown, and the delay the device aligned to is read a little
// later.
void TestSignalIO::phaseAlignRereads()
{
    QFETCH(int, model);
    QFETCH(PageKey, key);
    QFETCH(int, group);
    OpenWindow([](WindowOptions &options) { options.alignSettleMs = 20; });
    SignalIOPage *page = ShowOn(model, key);
    QVERIFY(page);
    m_device->WithModel([group](DeviceModel &m) { m.delayLine[group] = 777; });

    QVector<SignalIOInfo> info(4);
    for (int i = 0; i < 4; ++i) {
        info[i].present = i % 2 ? 0 : 1;  // the second input of each group is absent
        info[i].standard = 9;
        info[i].phaseState = PhaseState(2 + i % 2);  // 2 is not synced; 3 is
        info[i].phaseLine = quint16(10 + i);
        info[i].phasePixel = quint16(20 + i);
    }
    const int first = model == 50000 ? 2 * group : 0;
    emit m_window->Worker()->NotifySignalIOUpdate(info, {true, false}, true);
    QCOMPARE(Child<QLabel>(page, "labelIn1Phase")->text(),
             QStringLiteral("%1,%2").arg(10 + first).arg(20 + first));
    QCOMPARE(Child<QLabel>(page, "labelIn1Locked")->text(), QStringLiteral("No"));
    QCOMPARE(Child<QLabel>(page, "labelIn2Locked")->text(), QStringLiteral("Yes"));
    QCOMPARE(Child<QLabel>(page, "labelIn2Standard")->text(), QStringLiteral("Not Present"));
    QCOMPARE(Child<QLabel>(page, "labelSysClockLock")->text(),
             group == 0 ? QStringLiteral("Yes") : QStringLiteral("No"));
    QTRY_COMPARE(Child<QSpinBox>(page, "spinBoxGenlockPhaseLine")->value(), 777);
}

QVT_APP_TEST_MAIN(TestSignalIO)

#include "tst_signalio.moc"
