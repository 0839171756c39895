#include "../common/AppSession.h"
#include "BaseWidget.h"
#include "CmdThread.h"
#include "ConfigMessages.h"
#include "DeviceTables.h"
#include "GPIO.h"
#include "GenlockWidget.h"
#include "PageList.h"
#include "ParamsFile.h"
#include "Trigger.h"

#include <QCheckBox>
#include <QLabel>
#include <QScrollArea>
#include <QSpinBox>
#include <QStatusBar>
#include <QTableWidget>

#include <functional>
#include <map>

namespace {
using K = PageKey;

// Every item, branches too, from the top down.
QList<QTreeWidgetItem *> Items(QTreeWidget *tree)
{
    QList<QTreeWidgetItem *> items;
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        items << *it;
    }
    return items;
}

// Every parameter the device holds, by name: what an Apply may change. On the
// 4x1 models the second group's entries are left out: their Sets carry it
// as unused.
using Params = QMap<QString, qint64>;
Params ParamsOf(const DeviceModel &m)
{
    Params p;
    // A field of a record by its offset in the device's block.
    const auto record = [&p](const QString &name) {
        return [&p, name](int offset, int, const auto &field) {
            p[QStringLiteral("%1@%2").arg(name).arg(offset, 2, 10, QLatin1Char('0'))] =
                qint64(field);
        };
    };
    for (int i = 0; i < kInputCount; ++i) {
        DetectionParam::Fields(m.detection[i], record(QStringLiteral("detection[%1]").arg(i)));
        const alarmTrigger &t = m.triggers[i];
        const QString at = QStringLiteral("triggers[%1].").arg(i);
        p[at + "video"] = t.VideoAlarmMask;
        p[at + "lost"] = t.AudioLostAlarmMask;
        p[at + "silent"] = t.AudioSilentAlarmMask;
        p[at + "combination"] = t.TriggerCombination;
    }
    AGCPayload agc{m.agc};
    AGCPayload::Fields(agc, record(QStringLiteral("agc")));
    for (int g = 0; g < m.GroupCount(); ++g) {
        const QList<QPair<const char *, qint64>> group = {{"fadingEnable", m.fadingEnable[g]},
                                                          {"fadingDuration", m.fadingDuration[g]},
                                                          {"pgm", m.pgm[g]},
                                                          {"relayManual", m.relayManual[g]},
                                                          {"bypassProtect", m.bypassProtect[g]},
                                                          {"returnMethod", m.returnMethod[g]},
                                                          {"delayLine", m.delayLine[g]},
                                                          {"delayPixel", m.delayPixel[g]},
                                                          {"clockingMode", m.clockingMode[g]},
                                                          {"followGenlock", m.followGenlock[g]}};
        for (const auto &field : group) {
            p[QStringLiteral("%1[%2]").arg(QLatin1String(field.first)).arg(g)] = field.second;
        }
    }
    p["systemEnable"] = m.systemEnable;
    p["duplication"] = m.duplication;
    p["aux"] = m.aux;
    p["gpiMode"] = m.gpiMode;
    p["gpoMode"] = m.gpoMode;
    return p;
}

// Values the pages' controls cannot show, in every field that has such a
// value the device takes back: out of a box's range, a code without an item,
// flags without a box. The rest hold values other than the defaults.
void Unusual(DeviceModel &m, int seed = 0)
{
    for (int i = 0; i < kInputCount; ++i) {
        DetectionParam &d = m.detection[i];
        // The enables are flags on the wire, both ways: 0 or 1 only.
        d.lostEnable = d.formatEnable = d.syncEnable = d.blackEnable = d.freezeEnable = 1;
        for (quint32 *time :
             {&d.lostTriggerTime, &d.lostClearTime, &d.formatTriggerTime, &d.formatClearTime,
              &d.syncTriggerTime, &d.syncClearTime, &d.blackTriggerTime, &d.blackClearTime,
              &d.freezeTriggerTime, &d.freezeClearTime, &d.audioLostTriggerTime,
              &d.audioLostClearTime, &d.audioSilentTriggerTime, &d.audioSilentClearTime}) {
            *time = 1000u + quint32(i + seed);  // the boxes stop at 600
        }
        d.blackValue1 = quint16(900 + seed);  // thresholds stop at 876
        d.blackValue2 = 950;
        d.blackValue3 = 0;  // degrees and the difference start at 1
        d.freezeValue1 = 0;
        d.freezeValue2 = 0;
        d.blackRegionEnable = d.freezeRegionEnable = 1;
        d.blackRegionInvert = d.freezeRegionInvert = 1;
        d.blackRegionLeft = d.freezeRegionLeft = 100;  // inside the frame: shown as they are
        d.blackRegionRight = d.freezeRegionRight = 200;
        d.blackRegionTop = d.freezeRegionTop = 50;
        d.blackRegionBottom = d.freezeRegionBottom = 60;
        d.audioLostChannels = quint16(0xA5A5 ^ seed);
        d.audioSilentChannels = quint16(0x5A5A ^ seed);
        d.audioSilentThreshold = 0;  // the box stops at -40
        m.triggers[i] = {0xFFFFFFF5u ^ (quint32(seed) << 8), 0x1234, 0x4321, 255};  // 5-31: no row
    }
    m.systemEnable =
        (0xFFFE0000u ^ (quint32(seed) << 20)) | 0xA5A5;  // bits 17-31, and 8, 10, 13 on the 4x1
    for (int g = 0; g < kGroupCount; ++g) {
        m.delayLine[g] = quint16(60000 + seed);  // the boxes stop at 1125 and 2749
        m.delayPixel[g] = 60001;
        m.clockingMode[g] = 1;  // 255 is the empty value, any other refused
        m.followGenlock[g] = 7;
        m.fadingEnable[g] = 1;
        m.fadingDuration[g] = 0;  // the box starts at 10
        m.pgm[g] = 1;
        m.returnMethod[g] = 255;
        m.relayManual[g] = 1;
        m.bypassProtect[g] = 0;
    }
    m.duplication = quint8(3 - seed);
    m.aux = 255;
    m.gpiMode = m.gpoMode = 255;
    AGCParam &a = m.agc;
    a.gainControlMode = 1;
    a.manualGain = 33;
    for (int k = 0; k < kAudioChannels; ++k) {
        a.channelMode[k] = quint32(k % 3);
    }
    a.loudnessSource = 5;
    a.targetLevel = 0;       // -40 to -12 dBFS
    a.upperThreshold = 200;  // 0 to 6
    a.lowerThreshold = 201;
    a.gainRatio = quint8(7 + seed);
    a.noiseThreshold = 0;          // -63 to -40 dBFS
    a.outputLimitThreshold = 200;  // -40 to 0 dBFS
    a.frequencyCompensation = 1;   // flags on the wire
    a.stereoMode = 0;
}

QStringList Changed(const Params &before, const Params &after)
{
    QStringList changed;
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        if (after.value(it.key()) != it.value()) {
            changed << QStringLiteral("%1: %2 -> %3")
                           .arg(it.key())
                           .arg(it.value())
                           .arg(after.value(it.key()));
        }
    }
    return changed;
}

// One edit of a page, as an operator makes it, and the one field it changes.
struct Edit {
    std::function<void(QWidget *)> make;
    QString field;
};

Edit EditOf(PageKey key, int group)
{
    const QString g = QString::number(group);
    switch (key) {
        case K::SignalIO:
        case K::SignalIOA:
        case K::SignalIOB:
            return {[](QWidget *p) { Child<QSpinBox>(p, "spinBoxGenlockPhaseLine")->setValue(5); },
                    "delayLine[" + g + "]"};
        case K::SwitchControl:
        case K::SwitchControlA:
        case K::SwitchControlB:
            return {
                [](QWidget *p) { Child<QComboBox>(p, "comboBoxReturnMode")->setCurrentIndex(0); },
                "returnMethod[" + g + "]"};
        case K::AGC:
            return {
                [](QWidget *p) { Child<QComboBox>(p, "comboBoxStereoMode")->setCurrentIndex(0); },
                "agc@29"};
        case K::Trigger:
            return {[](QWidget *p) {
                        auto *table = Child<QTableWidget>(p, "tableWidgetSource");
                        qobject_cast<Trigger *>(p)->OnTableWidgetclicked(table->item(4, 0));
                    },
                    "triggers[0].video"};
        case K::GPIO:
            return {[](QWidget *p) { Child<QComboBox>(p, "comboBoxGPIMode")->setCurrentIndex(1); },
                    "gpiMode"};
        case K::SystemAlarms:
            return {[](QWidget *p) { Child<QCheckBox>(p, "checkBoxGenlockLost")->toggle(); },
                    "systemEnable"};
        default: {
            // A detection page: its input's second lost-audio channel, at the
            // mask's place in the record.
            const int input = int(key) - int(K::Detection1);
            DetectionParam d;
            int at = -1;
            DetectionParam::Fields(d, [&](int offset, int, auto &field) {
                if (static_cast<const void *>(&field) == &d.audioLostChannels) {
                    at = offset;
                }
            });
            return {[](QWidget *p) { Child<QCheckBox>(p, "checkBoxLostCh2")->toggle(); },
                    QStringLiteral("detection[%1]@%2").arg(input).arg(at, 2, 10, QLatin1Char('0'))};
        }
    }
}

QByteArray Where(const QTreeWidgetItem *item)
{
    QByteArray path = item->data(0, kSourceTextRole).toByteArray();
    for (const QTreeWidgetItem *up = item->parent(); up; up = up->parent()) {
        path.prepend(up->data(0, kSourceTextRole).toByteArray() + " > ");
    }
    return path;
}
}  // namespace

class TestPages : public QObject, protected AppSession
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(StartSimulator()); }
    void init() { OpenFreshWindow(); }
    void cleanup() { CloseWindow(); }

    void treeShowsPages_data();
    void treeShowsPages();
    void wiring_data();
    void wiring();
    void guestThenAdmin_data();
    void guestThenAdmin();
    void applyKeepsUntouched_data();
    void applyKeepsUntouched();
    void refusals();
    void levelTexts_data();
    void levelTexts();

private:
    // Those of `names` on the page of `key` that are enabled; "no <name>" for
    // one the page lacks.
    QStringList Enabled(PageKey key, const QStringList &names) const
    {
        QStringList on;
        for (const QString &name : names) {
            QWidget *w = Child(m_window->CurrentPages().Find(key), qPrintable(name));
            if (!w || w->isEnabled()) {
                on << (w ? name : "no " + name);
            }
        }
        return on;
    }
};

void TestPages::treeShowsPages_data()
{
    using Keys = QList<PageKey>;
    QTest::addColumn<int>("productType");
    QTest::addColumn<Keys>("leaves");  // the tree's, from the top down
    QTest::addColumn<Keys>("order");   // the page list's, which export and import follow
    QTest::addColumn<Keys>("groupA");  // under Signal I/O, Switch Control, Alarms > Settings
    const Keys inputs = {K::Detection1, K::Detection2, K::Detection3, K::Detection4};
    const Keys agcLeaves = Keys{K::General,       K::Genlock, K::SignalIO, K::AGC,
                                K::SwitchControl, K::Trigger, K::GPIO,     K::SystemAlarms} +
                           inputs + Keys{K::Status, K::Alarm};
    const Keys agcOrder = Keys{K::General, K::Genlock, K::SignalIO,     K::SwitchControl, K::AGC,
                               K::Trigger, K::GPIO,    K::SystemAlarms, K::Status} +
                          inputs + Keys{K::Alarm};
    const Keys oneGroup = {K::SignalIO, K::SwitchControl, K::None};
    QTest::newRow("dual 2x1") << 50000
                              << Keys{K::General,   K::Genlock,        K::SignalIOA,
                                      K::SignalIOB, K::SwitchControlA, K::SwitchControlB,
                                      K::Trigger,   K::GPIO,           K::SystemAlarms} +
                                     inputs + Keys{K::Status, K::Alarm}
                              << Keys{K::General,   K::Genlock,        K::SignalIOA,
                                      K::SignalIOB, K::SwitchControlA, K::SwitchControlB,
                                      K::Trigger,   K::GPIO,           K::SystemAlarms,
                                      K::Status} +
                                     inputs + Keys{K::Alarm}
                              << Keys{K::SignalIOA, K::SwitchControlA, K::None};
    QTest::newRow("4x1") << 50001
                         << Keys{K::General, K::Genlock, K::SignalIO,    K::SwitchControl,
                                 K::Trigger, K::GPIO,    K::SystemAlarms} +
                                inputs + Keys{K::Status, K::Alarm}
                         << Keys{K::General, K::Genlock, K::SignalIO,     K::SwitchControl,
                                 K::Trigger, K::GPIO,    K::SystemAlarms, K::Status} +
                                inputs + Keys{K::Alarm}
                         << oneGroup;
    QTest::newRow("4x1 AGC") << 50002 << agcLeaves << agcOrder << oneGroup;
    QTest::newRow("unknown code: the AGC model") << 50009 << agcLeaves << agcOrder << oneGroup;
    QTest::newRow("none stored: the AGC model") << 0 << agcLeaves << agcOrder << oneGroup;
}

// Each model's tree (as stored from the last login) shows its pages by key,
// in English and in Chinese; branches empty the area; the pages are made in
// page-list order.
void TestPages::treeShowsPages()
{
    QFETCH(int, productType);
    QFETCH(QList<PageKey>, leaves);
    QFETCH(QList<PageKey>, order);
    QFETCH(QList<PageKey>, groupA);
    if (productType) {
        Settings().setValue("ProductType", productType);
    }
    OpenWindow();
    QTreeWidget *tree = m_window->Form().treeWidget;
    const Pages &pages = m_window->CurrentPages();
    QCOMPARE(PageOrder(productType), order);
    QCOMPARE(pages.Keys(), order);

    // Three items read "Group A"; each shows its own branch's group.
    const QList<QStringList> groupPaths = {{"Signal I/O", "Group A"},
                                           {"Switch Control", "Group A"},
                                           {"Alarms", "Settings", "Group A"}};
    for (int i = 0; i < groupPaths.size(); ++i) {
        QTreeWidgetItem *item = FindPath(tree, groupPaths[i]);
        QVERIFY2(item, qPrintable(groupPaths[i].join(" > ")));
        QCOMPARE(KeyOf(item), groupA[i]);
    }

    for (bool chinese : {false, true}) {
        if (chinese) {
            ChooseLanguage(1);
            QVERIFY(FindItem(tree, K::General)->text(0) != QLatin1String("General"));
        }
        QList<PageKey> seen;
        for (QTreeWidgetItem *item : Items(tree)) {
            Press(FindItem(tree, K::General));
            Press(item);
            BaseWidget *expected = nullptr;  // a branch empties the area
            if (item->childCount() == 0) {
                seen << KeyOf(item);
                expected = pages.Find(KeyOf(item));
            }
            QVERIFY2(m_window->CurrentPage() == expected, Where(item));
            QVERIFY2(m_window->Form().scrollArea->widget() == expected, Where(item));
        }
        QCOMPARE(seen, leaves);
    }
}

void TestPages::wiring_data()
{
    QTest::addColumn<int>("productType");
    QTest::newRow("dual 2x1") << 50000;
    QTest::newRow("4x1") << 50001;
    QTest::newRow("4x1 AGC") << 50002;
}

// After a login to each model: the worker's results reach the pages that
// show them (the signal I/O pages': tst_signalio phaseAlignRereads), a
// page's poll reaches the worker while the page is shown and ends when it is
// left, and a page's status line reaches the status bar.
void TestPages::wiring()
{
    QFETCH(int, productType);
    m_device->Command(QStringLiteral("model %1").arg(productType));
    LogIn();
    QCOMPARE(m_window->ProductType(), productType);
    CmdThread *worker = m_window->Worker();
    const Pages &pages = m_window->CurrentPages();
    QTreeWidget *tree = m_window->Form().treeWidget;

    const struct {
        PageKey key;
        std::function<void()> result;
        const char *label;
        QString text;
    } kResults[] = {
        {K::Genlock, [worker] { emit worker->NotifyGenLockUpdate(16, true); }, "labelGenlockFormat",
         "NTSC"},
        {K::GPIO, [worker] { emit worker->NotifyGPIOUpdate(ActiveHigh, ActiveHigh, 0x1F, 0); },
         "labelGPILevel", GPIO::LevelText(ActiveHigh, 0x1F, IsDual(productType))},
        // The 4x1 page: input 4 and the relay; on the dual model group A: input 1
        // and the relay, group B: its input 1.
        {K::SwitchControl, [worker] { emit worker->NotifySwitchControlUpdate(0, 0x18); },
         "labelActiveInput", "In 4,Relay On"},
        {K::SwitchControlA, [worker] { emit worker->NotifySwitchControlUpdate(0, 0x0D); },
         "labelActiveInput", "In 1,Relay On"},
        {K::SwitchControlB, [worker] { emit worker->NotifySwitchControlUpdate(0, 0x0D); },
         "labelActiveInput", "In 1"},
    };
    for (const auto &probe : kResults) {
        if (!PageOrder(productType).contains(probe.key)) {
            continue;
        }
        auto *label = Child<QLabel>(pages.Find(probe.key), probe.label);
        QVERIFY2(label, probe.label);
        label->setText("-");
        probe.result();
        QCOMPARE(label->text(), probe.text);
    }

    // Each page runs its own row's poll while shown, and nothing after.
    for (PageKey key : pages.Keys()) {
        Press(FindItem(tree, key));
        QCOMPARE(m_window->CurrentPage(), pages.Find(key));
        QVERIFY(worker->CurrentPoll() == FindPage(productType, key)->poll);
        Press(FindPath(tree, {"Alarms"}));
        QVERIFY(worker->CurrentPoll() == PagePoll());

        const QString line = QStringLiteral("page %1 says so").arg(static_cast<int>(key));
        emit pages.Find(key)->SendStatusMessage(line, 0);
        QCOMPARE(StatusLine(), line);
    }
}

void TestPages::guestThenAdmin_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<PageKey>("key");
    QTest::addColumn<QStringList>("locked");  // off for a guest, on for the admin after
    QTest::addColumn<QStringList>("open");    // on for a guest too, off while disconnected
    const auto row = [](const char *name, int model, PageKey key, const QString &locked,
                        const QString &open) {
        QTest::newRow(name) << model << key << locked.split(' ')
                            << open.split(' ', Qt::SkipEmptyParts);
    };
    const QString signalIO =
        "spinBoxGenlockPhaseLine spinBoxGenlockPhasePixel comboBoxClockingMode pushButtonApply";
    const QString switching =
        "comboBoxManualSwitch comboBoxReturnMode comboBoxReturnClear comboBoxManualCtrl "
        "comboBoxBypassProtect ";
    row("signal I/O, dual A", 50000, K::SignalIOA, signalIO, "comboBoxPhaseAlignFollow");
    row("signal I/O, dual B", 50000, K::SignalIOB, signalIO, "comboBoxPhaseAlignFollow");
    row("signal I/O, 4x1", 50001, K::SignalIO, signalIO + " groupBox_5 groupBox_9",
        "comboBoxPhaseAlignFollow");
    row("switch control, dual B", 50000, K::SwitchControlB, switching + "pushButtonApply",
        "labelActiveInput");
    row("switch control, 4x1", 50002, K::SwitchControl, switching + "pushButton",
        "labelActiveInput");
    row("AGC", 50002, K::AGC, "groupBoxGeneralConfig groupBoxAGC pushButtonApply",
        "groupBoxAudioMeter");
    row("GPIO", 50000, K::GPIO, "comboBoxGPIMode comboBoxGPOMode pushButton", "");
    row("detection", 50001, K::Detection1,
        "groupBoxBlackVideoLost groupBoxAudioLost groupBoxBlackAudioSilent "
        "groupBoxBlackVideoFreeze groupBoxFormatWrong groupBoxSyncFailed groupBoxVideoBlack "
        "pushButtonOk",
        "");
    row("alarm combination", 50001, K::Trigger, "groupBox pushButtonOk", "");
    row("system alarms", 50000, K::SystemAlarms, "checkBoxGenlockLost pushButtonApply", "");
    row("alarm log", 50002, K::Alarm, "checkBoxAutoSave", "");
}

// A guest sees every page but changes nothing, also after a lost and found
// connection and a visit elsewhere; the next admin session may change
// everything again, before the page is shown anew and after.
void TestPages::guestThenAdmin()
{
    QFETCH(int, model);
    QFETCH(PageKey, key);
    QFETCH(QStringList, locked);
    QFETCH(QStringList, open);
    m_device->Command(QStringLiteral("model %1").arg(model));
    m_device->WithModel([](DeviceModel &m) {
        std::fill(std::begin(m.returnMethod), std::end(m.returnMethod), quint8(2));  // a clear
        m.agc.gainControlMode = 1;  // the AGC settings count
    });
    QTreeWidget *tree = m_window->Form().treeWidget;
    LogIn(1, "guest");
    const Ui::cfg &form = m_window->Form();
    QVERIFY(!form.actionChangePassword->isEnabled() && !form.actionConfigNetwork->isEnabled());
    QVERIFY(!form.actionImport->isEnabled() && form.actionExport->isEnabled());
    Press(FindItem(tree, key));
    QCOMPARE(Enabled(key, locked), QStringList());
    QCOMPARE(Enabled(key, open), open);
    m_window->OnIsAlive(false, 255);
    m_window->OnIsAlive(true, 1);
    QCOMPARE(Enabled(key, locked), QStringList());
    Press(FindItem(tree, K::General));
    Press(FindItem(tree, key));
    QCOMPARE(Enabled(key, locked), QStringList());
    BaseWidget *page = m_window->CurrentPage();
    Disconnect();
    QCOMPARE(Enabled(key, open), QStringList());
    QVERIFY(m_window->Worker()->CurrentPoll() == PagePoll());  // the page's poll ended

    LogIn();
    QVERIFY(form.actionChangePassword->isEnabled() && form.actionConfigNetwork->isEnabled());
    QVERIFY(form.actionImport->isEnabled());
    QCOMPARE(m_window->CurrentPages().Find(key), page);  // the same model keeps its pages
    QCOMPARE(Enabled(key, locked), locked);
    Press(FindItem(tree, key));
    QCOMPARE(Enabled(key, locked), locked);
    QCOMPARE(Enabled(key, open), open);
}

void TestPages::applyKeepsUntouched_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<PageKey>("key");
    QTest::addColumn<int>("marked");  // boxes showing their nearest end
    for (int model : {50000, 50001, 50002}) {
        for (PageKey key : PageOrder(model)) {
            const std::map<PageKey, int> marked = {
                {K::SignalIO, 3}, {K::SignalIOA, 2}, {K::SignalIOB, 2}, {K::AGC, 6}};
            if (key != K::General && key != K::Genlock && key != K::Status && key != K::Alarm) {
                QTest::addRow("%d: page %d", model, int(key))
                    << model << key
                    << (key >= K::Detection1 ? 20
                        : marked.count(key)  ? marked.at(key)
                                             : 0);
            }
        }
    }
}

// On every page of every model: a device holding values its controls cannot
// show keeps them all through an Apply with nothing touched; one control
// changed changes exactly its one field.
void TestPages::applyKeepsUntouched()
{
    QFETCH(int, model);
    QFETCH(PageKey, key);
    QFETCH(int, marked);
    m_device->Command(QStringLiteral("model %1").arg(model));
    LogIn();
    m_device->WithModel([](DeviceModel &m) { Unusual(m); });
    QWidget *page = Show(key);
    // Changed on the device behind the shown page: Apply keeps that too.
    m_device->WithModel([](DeviceModel &m) { Unusual(m, 1); });
    const Params before = m_device->WithModel([](DeviceModel &m) { return ParamsOf(m); });
    QPushButton *apply = nullptr;
    for (const char *name : {"pushButtonApply", "pushButtonOk", "pushButton"}) {
        apply = apply ? apply : Child<QPushButton>(page, name);
    }
    QVERIFY(apply && apply->isEnabled());
    const auto marks = [page] {
        QStringList names;
        for (const QSpinBox *box : page->findChildren<QSpinBox *>()) {
            if (box->toolTip().startsWith("The device holds ")) {
                names << box->objectName();
            }
        }
        return names;
    };
    const QStringList marks0 = marks();
    QCOMPARE(marks0.size(), marked);
    // A marked box stepped away and back keeps the device's value, marked.
    for (const QString &name : marks0) {
        auto *box = Child<QSpinBox>(page, qPrintable(name));
        const int at = box->value();
        box->setValue(at == box->maximum() ? at - 1 : at + 1);
        box->setValue(at);
    }
    QCOMPARE(marks(), marks0);
    const QString applied = QStringLiteral("Applied to the device.");
    apply->click();
    QCOMPARE(StatusLine(), applied);
    const auto params = [this] {
        return m_device->WithModel([](DeviceModel &m) { return ParamsOf(m); });
    };
    const QStringList untouched = Changed(before, params());
    QVERIFY2(untouched.isEmpty(), qPrintable(untouched.join(", ")));

    const Edit edit = EditOf(key, key == K::SignalIOB || key == K::SwitchControlB ? 1 : 0);
    edit.make(page);
    m_window->statusBar()->clearMessage();
    apply->click();
    QCOMPARE(StatusLine(), applied);
    const QStringList changed = Changed(before, params());
    QVERIFY2(changed.size() == 1 && changed[0].startsWith(edit.field + ":"),
             qPrintable(changed.join(", ")));
}

// A page whose read was refused says so and writes nothing at Apply, where
// the form's defaults would stand in for the device's values: it reads and
// shows them instead. A refused write is said, and the page shows the
// device's values again; a write taken is confirmed. (On the GPIO page.)
void TestPages::refusals()
{
    LogIn();
    m_device->WithModel([](DeviceModel &m) {
        m.gpiMode = 0;
        m.gpoMode = 1;
    });
    m_device->Command(QStringLiteral("fault reject %1 1").arg(kMsgGetGPIOTriggerMode));
    QWidget *page = Show(K::GPIO);
    QCOMPARE(StatusLine(), QStringLiteral("Refresh failed: GetGPIOTriggerMode: Failed"));
    m_device->Command("fault clear");
    auto *gpi = Child<QComboBox>(page, "comboBoxGPIMode");
    auto *gpo = Child<QComboBox>(page, "comboBoxGPOMode");
    auto *apply = Child<QPushButton>(page, "pushButton");
    gpi->setCurrentIndex(1);
    apply->click();
    QVERIFY2(StatusLine().startsWith("Not applied: "), qPrintable(StatusLine()));
    QCOMPARE(m_device->WithModel([](DeviceModel &m) { return m.gpiMode; }), quint8(0));
    QCOMPARE(gpi->currentIndex(), 0);
    QCOMPARE(gpo->currentIndex(), 1);

    m_device->Command(QStringLiteral("fault reject %1 1").arg(kMsgSetGPIOTriggerMode));
    gpi->setCurrentIndex(1);
    gpo->setCurrentIndex(0);
    apply->click();
    QCOMPARE(StatusLine(), QStringLiteral("Apply failed: SetGPIOTriggerMode: Failed"));
    QCOMPARE(gpi->currentIndex(), 0);
    QCOMPARE(gpo->currentIndex(), 1);

    m_device->Command("fault clear");
    gpi->setCurrentIndex(1);
    apply->click();
    QCOMPARE(StatusLine(), QStringLiteral("Applied to the device."));
    QCOMPARE(m_device->WithModel([](DeviceModel &m) { return m.gpiMode; }), quint8(1));
}

void TestPages::levelTexts_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("dual");
    QTest::addColumn<QString>("text");
    QTest::newRow("dual, active high, 0x09") << 1 << 0x09 << true << "H L L   H L L ";
    QTest::newRow("dual, active low, 0x09") << 0 << 0x09 << true << "L H H   L H H ";
    QTest::newRow("4x1, active high, 0x10") << 1 << 0x10 << false << "L L L L H ";
    QTest::newRow("4x1, mode 7 counts as low") << 7 << 0x01 << false << "L H H H H ";
}

// The GPIO and genlock pages' texts, which wiring's results show.
void TestPages::levelTexts()
{
    QFETCH(int, mode);
    QFETCH(int, status);
    QFETCH(bool, dual);
    QFETCH(QString, text);
    QCOMPARE(GPIO::LevelText(static_cast<GPIOTriggerMode>(mode), quint8(status), dual), text);
    QCOMPARE(GenlockWidget::GenlockText(16, false), QStringLiteral("Not Present"));
    QCOMPARE(GenlockWidget::GenlockText(16, true), QStringLiteral("NTSC"));
}

QVT_APP_TEST_MAIN(TestPages)

#include "tst_pages.moc"
