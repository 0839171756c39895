#include "../common/AppSession.h"
#include "BaseWidget.h"
#include "CmdThread.h"
#include "DeviceTables.h"
#include "GPIO.h"
#include "LanguageConfig.h"

#include <QLabel>
#include <QScrollArea>
#include <QStatusBar>

#include <functional>
#include <map>

Q_DECLARE_METATYPE(PageKey)

namespace {
using K = PageKey;

// The pages that have a class so far; the other items show nothing yet.
// Every item, branches too, from the top down.
QList<QTreeWidgetItem *> Items(QTreeWidget *tree)
{
    QList<QTreeWidgetItem *> items;
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        items << *it;
    }
    return items;
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

private:
    void SwitchToChinese();
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
    Settings().setValue("ProductType", productType);
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
            SwitchToChinese();
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

void TestPages::SwitchToChinese()
{
    m_window->SetLanguageConfig(new LanguageConfig);
    ModalScript script({[](QWidget *w) {
        Child<QComboBox>(w, "comboBox")->setCurrentIndex(1);
        Child<QPushButton>(w, "pushButtonOk")->click();
    }});
    m_window->OnLanguageConfig();
    QVERIFY(script.Done());
}

void TestPages::wiring_data()
{
    QTest::addColumn<int>("productType");
    QTest::newRow("dual 2x1") << 50000;
    QTest::newRow("4x1") << 50001;
    QTest::newRow("4x1 AGC") << 50002;
}

// After a login to each model: the worker's results reach the pages that
// show them, a page's poll reaches the worker while the page is shown and
// ends when it is left, and a page's status line reaches the status bar.
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
        {K::SignalIO,
         [worker] {
             emit worker->NotifySignalIOUpdate({}, {true, true}, false);
         },
         "labelSysClockLock", "Yes"},
        {K::SignalIOA,
         [worker] {
             emit worker->NotifySignalIOUpdate({}, {true, false}, false);
         },
         "labelSysClockLock", "Yes"},
        {K::SignalIOB,
         [worker] {
             emit worker->NotifySignalIOUpdate({}, {false, true}, false);
         },
         "labelSysClockLock", "Yes"},
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

    const std::map<PageKey, CmdType> kPolls = {{K::Genlock, GenlockCmd},
                                               {K::GPIO, GPIOCmd},
                                               {K::AGC, AGCCmd},
                                               {K::SignalIO, SignalIOCmd},
                                               {K::SignalIOA, SignalIOCmd},
                                               {K::SignalIOB, SignalIOCmd},
                                               {K::SwitchControl, SwitchControlCmd},
                                               {K::SwitchControlA, SwitchControlCmd},
                                               {K::SwitchControlB, SwitchControlCmd},
                                               {K::Status, StatusCmd},
                                               {K::Detection1, RegionMaxValueCmd},
                                               {K::Detection2, RegionMaxValueCmd},
                                               {K::Detection3, RegionMaxValueCmd},
                                               {K::Detection4, RegionMaxValueCmd}};
    for (PageKey key : pages.Keys()) {
        Press(FindItem(tree, key));
        QCOMPARE(m_window->CurrentPage(), pages.Find(key));
        const auto poll = kPolls.find(key);
        QCOMPARE(worker->CurrentCommand(), poll == kPolls.end() ? NoCmd : poll->second);
        Press(FindPath(tree, {"Alarms"}));
        QCOMPARE(worker->CurrentCommand(), NoCmd);

        const QString line = QStringLiteral("page %1 says so").arg(static_cast<int>(key));
        emit pages.Find(key)->SendStatusMessage(line, 0);
        QCOMPARE(m_window->statusBar()->currentMessage(), line);
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
    row("signal I/O, 4x1 AGC", 50002, K::SignalIO, signalIO + " groupBox_5 groupBox_9",
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
    QCOMPARE(m_window->Worker()->CurrentCommand(), NoCmd);  // the page's poll ended

    LogIn();
    QVERIFY(form.actionChangePassword->isEnabled() && form.actionConfigNetwork->isEnabled());
    QVERIFY(form.actionImport->isEnabled());
    QCOMPARE(m_window->CurrentPages().Find(key), page);  // the same model keeps its pages
    QCOMPARE(Enabled(key, locked), locked);
    Press(FindItem(tree, key));
    QCOMPARE(Enabled(key, locked), locked);
    QCOMPARE(Enabled(key, open), open);
}

QVT_APP_TEST_MAIN(TestPages)

#include "tst_pages.moc"
