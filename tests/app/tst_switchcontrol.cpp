#include "../common/AppSession.h"
#include "SwitchControlPage.h"

#include <QLabel>

namespace {
// The device's switch control values, both elements of each array.
struct Held {
    quint8 pgm[2], method[2], manual[2], protect[2];
};

// As one list, which QCOMPARE shows when it differs.
QVector<int> Flat(const Held &h)
{
    return {h.pgm[0],    h.pgm[1],    h.method[0],  h.method[1],
            h.manual[0], h.manual[1], h.protect[0], h.protect[1]};
}
}  // namespace

// The switch control pages against the simulator: what a refresh shows, what
// an Apply leaves on the device, where a refused write stops. Their part of
// the parameter file: tst_params, tst_switchcontrol_params.
class TestSwitchControl : public QObject, public AppSession
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(StartSimulator()); }
    void init() { OpenFreshWindow(); }
    void cleanup() { CloseWindow(); }

    void refreshAndApply_data();
    void refreshAndApply();
    void statusTexts_data();
    void statusTexts();

private:
    Held Device()
    {
        return m_device->WithModel([](DeviceModel &m) {
            Held h;
            for (int g = 0; g < 2; ++g) {
                h.pgm[g] = m.pgm[g];
                h.method[g] = m.returnMethod[g];
                h.manual[g] = m.relayManual[g];
                h.protect[g] = m.bypassProtect[g];
            }
            return h;
        });
    }
    void Hold(const Held &h)
    {
        m_device->WithModel([h](DeviceModel &m) {
            for (int g = 0; g < 2; ++g) {
                m.pgm[g] = h.pgm[g];
                m.returnMethod[g] = h.method[g];
                m.relayManual[g] = h.manual[g];
                m.bypassProtect[g] = h.protect[g];
            }
        });
    }
    int Writes()
    {
        int n = 0;
        for (quint16 type : {kMsgSetPGMOutputSelect, kMsgSetAutoSwitchMethod, kMsgSetRelayControl,
                             kMsgManualReturn}) {
            n += int(m_device->RequestsOfType(type));
        }
        return n;
    }
};

void TestSwitchControl::refreshAndApply_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<PageKey>("key");
    QTest::addColumn<int>("group");
    QTest::newRow("dual, group A") << 50000 << PageKey::SwitchControlA << 0;
    QTest::newRow("dual, group B") << 50000 << PageKey::SwitchControlB << 1;
    QTest::newRow("4x1") << 50001 << PageKey::SwitchControl << 0;
    QTest::newRow("4x1 AGC") << 50002 << PageKey::SwitchControl << 0;
}

void TestSwitchControl::refreshAndApply()
{
    QFETCH(int, model);
    QFETCH(PageKey, key);
    QFETCH(int, group);
    const bool dual = model == 50000;
    m_device->Command(QStringLiteral("model %1").arg(model));
    LogIn();
    // Each element differs from the other, so a page that reads or writes the
    // wrong one shows.
    const Held before = {{quint8(1 - group), quint8(group)},
                         {quint8(2 - group), quint8(1 + group)},
                         {quint8(1 - group), quint8(group)},
                         {quint8(group), quint8(1 - group)}};
    Hold(before);
    BaseWidget *page = Show(key);
    QVERIFY(page);
    auto *manualSwitch = Child<QComboBox>(page, "comboBoxManualSwitch");
    auto *returnMode = Child<QComboBox>(page, "comboBoxReturnMode");
    auto *returnClear = Child<QComboBox>(page, "comboBoxReturnClear");
    auto *manualCtrl = Child<QComboBox>(page, "comboBoxManualCtrl");
    auto *bypass = Child<QComboBox>(page, "comboBoxBypassProtect");
    auto *apply = Child<QPushButton>(page, dual ? "pushButtonApply" : "pushButton");
    QVERIFY(apply);
    QCOMPARE(manualSwitch->count(), dual ? 3 : 5);
    // Element `group`: selection 0 is "In 1", method 2 "Non-reset", manual
    // control 1 "Bypass", protect 0 "Disabled" for group A; the other way for B.
    const Held &h = before;
    QCOMPARE(manualSwitch->currentIndex(), h.pgm[group] + 1);
    QCOMPARE(returnMode->currentIndex(), h.method[group] == 1 ? 0 : 1);
    QCOMPARE(returnClear->isEnabled(), h.method[group] == 2);
    QCOMPARE(manualCtrl->currentIndex(), int(h.manual[group]));
    QCOMPARE(bypass->currentIndex(), h.protect[group] == 0 ? 1 : 0);

    // "Disabled", Non-reset with its clear, the relay the other way round.
    manualSwitch->setCurrentIndex(0);
    returnMode->setCurrentIndex(1);
    QVERIFY(returnClear->isEnabled());
    returnClear->setCurrentIndex(1);
    manualCtrl->setCurrentIndex(1 - manualCtrl->currentIndex());
    bypass->setCurrentIndex(1 - bypass->currentIndex());
    const quint64 returns = m_device->RequestsOfType(kMsgManualReturn);
    apply->click();
    QCOMPARE(StatusLine(), QStringLiteral("Applied to the device."));
    Held after = before;
    const int other = 1 - group;
    for (int g = 0; g < 2; ++g) {
        if (dual && g == other) {
            continue;  // sent back as read
        }
        after.pgm[g] = 255;
        after.method[g] = 2;
        after.manual[g] = 1 - before.manual[group];
        after.protect[g] = 1 - before.protect[group];
    }
    QCOMPARE(Flat(Device()), Flat(after));
    QCOMPARE(m_device->RequestsOfType(kMsgManualReturn), returns + 1);
    QCOMPARE(m_device->LastRequest(kMsgManualReturn).at(Frame::kHeaderSize), char(group));
    QCOMPARE(returnClear->currentIndex(), 0);

    // Refused at the return method: the selection is written, nothing after
    // it is sent, the clear is not kept armed, and the page shows the device.
    m_device->Command("fault reject 48 1");
    const int writes = Writes();
    const quint64 relays = m_device->RequestsOfType(kMsgSetRelayControl);
    manualSwitch->setCurrentIndex(2);
    returnClear->setCurrentIndex(1);
    apply->click();
    QCOMPARE(StatusLine(), QStringLiteral("Apply failed: SetAutoSwitchMethod: Failed"));
    QCOMPARE(Writes() - writes, 2);
    QCOMPARE(m_device->RequestsOfType(kMsgSetRelayControl), relays);
    QCOMPARE(returnClear->currentIndex(), 0);
    QCOMPARE(Device().pgm[group], quint8(1));
    QCOMPARE(manualSwitch->currentIndex(), 2);
    QCOMPARE(returnMode->currentIndex(), 1);
    if (dual) {
        // A group page reads both arrays before its first write: a refused
        // read leaves the device as it was.
        m_device->Command("fault clear");
        m_device->Command("fault reject 49 1");
        const int unread = Writes();
        apply->click();
        QCOMPARE(StatusLine(), QStringLiteral("Apply failed: GetAutoSwitchMethod: Failed"));
        QCOMPARE(Writes(), unread);
    }
}

void TestSwitchControl::statusTexts_data()
{
    QTest::addColumn<int>("firstBit");
    QTest::addColumn<int>("inputs");
    QTest::addColumn<int>("gpi");
    QTest::addColumn<int>("gpo");
    QTest::addColumn<int>("manualSelect");
    QTest::addColumn<bool>("cleared");
    QTest::addColumn<QString>("gpiTexts");
    QTest::addColumn<QString>("activeInput");
    QTest::addColumn<QString>("event");
    const auto row = [](const char *name, int firstBit, int inputs, int gpi, int gpo, int select,
                        bool cleared, const char *gpiTexts, const char *active, const char *event) {
        QTest::newRow(name) << firstBit << inputs << gpi << gpo << select << cleared
                            << QString(gpiTexts) << QString(active) << QString(event);
    };
    row("dual A: input and relay", 0, 2, 0x00, 0x05, 255, false, "No,No,No", "In 1,Relay On",
        "Alarm Automatic");
    row("dual A: group B's GPI and GPO not its own", 0, 2, 0x38, 0x30, 1, false, "No,No,No", "",
        "Manual");
    row("dual A: its GPI 2", 0, 2, 0x02, 0x02, 255, false, "No,Yes,No", "In 2", "GPI");
    row("dual B: both inputs", 3, 2, 0x00, 0x18, 255, true, "No,No,No", "In 1,In 2",
        "Alarm Non-reset");
    row("dual B: its GPI relay, not group A's", 3, 2, 0x27, 0x27, 255, false, "No,No,Yes",
        "Relay On", "GPI");
    row("dual B: group A's GPI only", 3, 2, 0x07, 0x01, 255, false, "No,No,No", "",
        "Alarm Automatic");
    row("4x1: input 4 and relay", 0, 4, 0x08, 0x18, 255, false, "No,No,No,Yes,No", "In 4,Relay On",
        "GPI");
    row("4x1: bit 5 is no point", 0, 4, 0x20, 0x21, 2, false, "No,No,No,No,No", "In 1", "Manual");
}

void TestSwitchControl::statusTexts()
{
    QFETCH(int, firstBit);
    QFETCH(int, inputs);
    QFETCH(int, gpi);
    QFETCH(int, gpo);
    QFETCH(int, manualSelect);
    QFETCH(bool, cleared);
    QFETCH(QString, gpiTexts);
    QFETCH(QString, activeInput);
    QFETCH(QString, event);
    const SwitchControlPage::Bits bits{firstBit, inputs};
    QCOMPARE(SwitchControlPage::GpiTexts(quint8(gpi), bits).join(','), gpiTexts);
    QCOMPARE(SwitchControlPage::ActiveInputText(quint8(gpo), bits), activeInput);
    QCOMPARE(SwitchControlPage::SwitchingEventText(quint8(gpi), bits, manualSelect, cleared),
             event);
}

QVT_APP_TEST_MAIN(TestSwitchControl)

#include "tst_switchcontrol.moc"
