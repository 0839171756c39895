#include "../common/AppSession.h"
#include "CmdThread.h"
#include "Detection.h"
#include "StatusPage.h"
#include "SystemAlarmsPage.h"
#include "Trigger.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QTableWidget>

namespace {
const QString kTick = QString(QChar(0x221A));

// The table's texts, row by row, cells joined by "|".
QStringList Cells(QTableWidget *table)
{
    QStringList rows;
    for (int r = 0; r < table->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < table->columnCount(); ++c) {
            cells << table->item(r, c)->text();
        }
        rows << cells.join('|');
    }
    return rows;
}

// One row of four equal cells.
QString Same(const QString &text)
{
    return QStringList{text, text, text, text}.join('|');
}

QStringList Fresh()
{
    QStringList rows;
    for (int r = 0; r < 37; ++r) {
        rows << Same(kTick);
    }
    return rows << Same(QStringLiteral("Any"));
}

}  // namespace

// The alarm combination and system alarm pages against the simulator: the
// table's editing, what Apply sends and what a refusal leaves, the bits each
// model's boxes stand for, and the signals to the status page after every
// write the device took, from Apply and from an import.
class TestAlarmPages : public QObject, public AppSession
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(StartSimulator()); }
    void init() { OpenFreshWindow(); }
    void cleanup() { CloseWindow(); }

    void tableEditing();
    void triggerApply_data();
    void triggerApply();
    void systemAlarms_data();
    void systemAlarms();
    void import_data();
    void import();

private:
    int Writes() const
    {
        // Every Set the pages send; the reads and the login do not count.
        int n = 0;
        for (quint16 type : {kMsgSetPhase, kMsgSetGPIOTriggerMode, kMsgSetDetectionParam,
                             kMsgSetSystemAlarmParam, kMsgSetAudioEffect, kMsgSetPGMOutputSelect,
                             kMsgSetAUXOutputSelect, kMsgSetRelayControl, kMsgSetAutoSwitchMethod,
                             kMsgSetAutoSwitchTrigger, kMsgSetAGCParam, kMsgSetPhaseAutoAlign}) {
            n += int(m_device->RequestsOfType(type));
        }
        return n;
    }
    template <class Page, class Signal>
    std::shared_ptr<QVariantList> Record(Page *page, Signal signal)
    {
        auto seen = std::make_shared<QVariantList>();
        connect(
            page, signal, this, [seen](auto value) { *seen << QVariant::fromValue(value); },
            Qt::DirectConnection);
        return seen;
    }

    QTemporaryDir m_files;
};

// A page as it is built, the double click, the menu over a selection that
// takes in the combination row, and the dual model's column titles.
void TestAlarmPages::tableEditing()
{
    Trigger page(m_client, 50001);
    page.show();
    auto *table = Child<QTableWidget>(&page, "tableWidgetSource");
    QCOMPARE(Cells(table), Fresh());
    QCOMPARE(table->verticalHeaderItem(20)->text(), QStringLiteral("Audio Lost Ch16"));
    QCOMPARE(table->horizontalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
    QCOMPARE(table->verticalHeader()->sectionResizeMode(0), QHeaderView::Fixed);

    // A double click toggles a tick; on the combination it opens the combo.
    const auto doubleClick = [table](int row, int column) {
        const QRect cell = table->visualItemRect(table->item(row, column));
        // As the platform sends it: a click, then the double click.
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, cell.center());
    };
    table->scrollToItem(table->item(3, 1));
    doubleClick(3, 1);
    QCOMPARE(table->item(3, 1)->text(), QString());
    doubleClick(3, 1);
    QCOMPARE(table->item(3, 1)->text(), kTick);
    table->scrollToItem(table->item(37, 2));
    doubleClick(37, 2);
    QCOMPARE(table->item(37, 2)->text(), QStringLiteral("Any"));
    auto *combo = table->viewport()->findChild<QComboBox *>();
    QVERIFY(combo);
    QCOMPARE((QStringList{combo->itemText(0), combo->itemText(1), combo->itemText(2)}),
             (QStringList{"Any", "V&A", "None"}));
    combo->setCurrentIndex(1);  // reaches the cell at once
    QCOMPARE(table->item(37, 2)->text(), QStringLiteral("V&A"));

    // "uncheck" over rows 35-37 of columns 1-2: the combination row is kept.
    table->setRangeSelected(QTableWidgetSelectionRange(35, 1, 37, 2), true);
    std::unique_ptr<QMenu> menu(page.CreateTickMenu());
    QCOMPARE(menu->actions().size(), 3);
    QVERIFY(menu->actions().at(1)->isSeparator());
    menu->actions().at(2)->trigger();
    QStringList expected = Fresh();
    expected[35] = expected[36] = kTick + "|||" + kTick;
    expected[37] = "Any|Any|V&A|Any";
    QCOMPARE(Cells(table), expected);
    // A desktop that marks shortcuts in menu texts changes nothing.
    menu->actions().at(0)->setText("&check");
    menu->actions().at(0)->trigger();
    expected[35] = expected[36] = Same(kTick);
    QCOMPARE(Cells(table), expected);

    for (int model : {50001, 50000}) {
        Trigger other(m_client, model);
        QStringList titles;
        for (int c = 0; c < 4; ++c) {
            titles << Child<QTableWidget>(&other, "tableWidgetSource")
                          ->horizontalHeaderItem(c)
                          ->text();
        }
        QCOMPARE(titles.join(','), model == 50000 ? "A-Input 1,A-Input 2,B-Input 1,B-Input 2"
                                                  : "Input 1,Input 2,Input 3,Input 4");
    }
}

void TestAlarmPages::triggerApply_data()
{
    QTest::addColumn<int>("model");
    QTest::newRow("QVT Dual 2x1") << 50000;
    QTest::newRow("QVT 4x1") << 50001;
}

// Refresh shows the device's entries (no item for a rule it does not know),
// Apply writes the table with the unknown rule and the video bits without a
// row as the device holds them (every entry of every page through an Apply:
// tst_pages applyKeepsUntouched) and tells the board; a refusal is said,
// keeps the edits and tells nobody.
void TestAlarmPages::triggerApply()
{
    QFETCH(int, model);
    m_device->Command(QStringLiteral("model %1").arg(model));
    LogIn();
    m_device->WithModel([](DeviceModel &m) {
        for (int j = 0; j < 4; ++j) {
            m.triggers[j].VideoAlarmMask = 1u << j | 1u << (20 + j);
            m.triggers[j].AudioLostAlarmMask = quint16(0x8000 >> j);
            m.triggers[j].AudioSilentAlarmMask = quint16(j);
            m.triggers[j].TriggerCombination = j == 1 ? 255 : quint32(j % 3);
        }
    });
    auto *page = Show<Trigger>(PageKey::Trigger);
    QVERIFY(page);
    auto *table = Child<QTableWidget>(page, "tableWidgetSource");
    QCOMPARE(table->item(37, 1)->text(), QString());
    QCOMPARE(table->item(2, 2)->text(), kTick);
    QCOMPARE(table->item(20, 3)->text(), QString());
    QCOMPARE(table->item(21 + 1, 3)->text(), kTick);  // silent mask 3: ch1 and ch2

    const auto seen = Record(page, &Trigger::SendAlarmTriggerInfo);
    page->OnTableWidgetclicked(table->item(4, 0));  // video frozen on input 1
    Child<QPushButton>(page, "pushButtonOk")->click();
    QCOMPARE(StatusLine(), QStringLiteral("Applied to the device."));
    AlarmTriggers expected = m_device->WithModel(
        [](DeviceModel &m) { return AlarmTriggers(m.triggers, m.triggers + 4); });
    QCOMPARE(expected[0].VideoAlarmMask, 0x11u | 1u << 20);
    QCOMPARE(seen->size(), 1);
    QCOMPARE(seen->at(0).value<QVector<alarmTrigger>>(), expected);

    // Refused: said; the table keeps the edit and nothing is announced.
    m_device->Command("fault reject 50 1");
    page->OnTableWidgetclicked(table->item(0, 3));
    Child<QPushButton>(page, "pushButtonOk")->click();
    QCOMPARE(StatusLine(), QStringLiteral("Apply failed: SetAutoSwitchTrigger: Failed"));
    QCOMPARE(table->item(0, 3)->text(), kTick);
    QCOMPARE(seen->size(), 1);
    // A refused read is said too, and the table stays as it was.
    m_device->Command("fault reject 51 1");
    const QStringList before = Cells(table);
    QCOMPARE(page->RefreshFromDevice(), -1);
    QCOMPARE(StatusLine(), QStringLiteral("Refresh failed: GetAutoSwitchTrigger: Failed"));
    QCOMPARE(Cells(table), before);
}

void TestAlarmPages::systemAlarms_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<QString>("boxes");  // "checkBox" + these, in bit order; "-": no box
    QTest::newRow("QVT Dual 2x1")
        << 50000
        << "GenlockLost ASystemClock AGenlockSwitch AGPIRelay AGPI1 AGPI2 ABypassed "
           "AOutputSwitch BSystemClock BGenlockSwitch BGPIRelay BGPI1 BGPI2 BBypassed "
           "BOutputSwitch PS1Fail PS2Fail";
    QTest::newRow("QVT 4x1") << 50001
                             << "GenlockLost SystemClock GenlockSwitch GPIRelay GPI1 GPI2 "
                                "Bypassed OutputSwitch - - - GPI3 GPI4 - - PS1Fail PS2Fail";
}

// Each box alone writes its bit alone beside the device's bits without a box,
// bit 20 too (every bit through an Apply of nothing: tst_pages
// applyKeepsUntouched), and tells the board what it wrote. A refusal is said
// and keeps the boxes.
void TestAlarmPages::systemAlarms()
{
    QFETCH(int, model);
    QFETCH(QString, boxes);
    const QStringList names = boxes.split(' ');
    const int count = names.size() - names.count("-");
    m_device->Command(QStringLiteral("model %1").arg(model));
    LogIn();
    m_device->WithModel([](DeviceModel &m) { m.systemEnable = 0x1FFFF | (1u << 20); });
    auto *page = Show<SystemAlarmsPage>(PageKey::SystemAlarms);
    QVERIFY(page);
    QCOMPARE(page->findChildren<QCheckBox *>().size(), count);
    const auto seen = Record(page, &SystemAlarmsPage::SendSystemAlarmInfo);
    auto *apply = Child<QPushButton>(page, "pushButtonApply");
    const quint32 boxless = model == 50000 ? 1u << 20 : (0x1FFFF | (1u << 20)) & ~0x198FFu;

    int bit = -1;
    for (int k = 0; k < names.size(); ++k) {
        if (names[k] == "-") {
            continue;
        }
        for (QCheckBox *b : page->findChildren<QCheckBox *>()) {
            b->setChecked(b->objectName() == "checkBox" + names[k]);
        }
        apply->click();
        QCOMPARE(m_device->WithModel([](DeviceModel &m) { return m.systemEnable; }),
                 boxless | 1u << k);
        QCOMPARE(seen->last().value<SystemAlarm>(), boxless | 1u << k);
        bit = k;
    }
    QCOMPARE(StatusLine(), QStringLiteral("Applied to the device."));
    QCOMPARE(seen->size(), count);

    m_device->Command("fault reject 37 1");
    Child<QCheckBox>(page, "checkBoxGenlockLost")->setChecked(true);
    apply->click();
    QCOMPARE(StatusLine(), QStringLiteral("Apply failed: SetSystemAlarmParam: Failed"));
    QCOMPARE(page->Mask(), (1u << bit) | 1u);
    QCOMPARE(seen->size(), count);
    m_device->Command("fault reject 38 1");
    QCOMPARE(page->RefreshFromDevice(), -1);
    QCOMPARE(StatusLine(), QStringLiteral("Refresh failed: GetSystemAlarmParam: Failed"));
    QCOMPARE(page->Mask(), (1u << bit) | 1u);
}

void TestAlarmPages::import_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<QString>("reject");  // a console fault during the import
    QTest::addColumn<QString>("drop");    // an element taken out of the file
    QTest::addColumn<bool>("triggerTaken");
    QTest::addColumn<bool>("systemTaken");
    QTest::addColumn<QString>("problem");
    const auto row = [](const char *name, int model, const char *reject, const char *drop,
                        bool triggerTaken, bool systemTaken, const QString &problem) {
        QTest::newRow(name) << model << QString(reject) << QString(drop) << triggerTaken
                            << systemTaken << problem;
    };
    row("dual: taken", 50000, "", "", true, true, "");
    row("4x1: taken", 50001, "", "", true, true, "");
    row("4x1: combination refused", 50001, "50", "", false, false, "SetAutoSwitchTrigger: Failed");
    row("dual: system alarms refused", 50000, "37", "", true, false, "SetSystemAlarmParam: Failed");
    row("dual: no OutputSwitched", 50000, "", "Alarms/Settings/System/GroupA/OutputSwitched", false,
        false, "");
    row("4x1: no AlarmCombination", 50002, "", "SwitchControl/AlarmCombination", false, false, "");
}

// Export, change the device, import: the parts write what the device took,
// the pages take no part (they signal nothing, on any thread), and the board
// ends with what the device holds; a file that lacks an element writes nothing.
void TestAlarmPages::import()
{
    QFETCH(int, model);
    QFETCH(QString, reject);
    QFETCH(QString, drop);
    QFETCH(bool, triggerTaken);
    QFETCH(bool, systemTaken);
    QFETCH(QString, problem);
    m_device->Command(QStringLiteral("model %1").arg(model));
    LogIn();
    m_device->WithModel([](DeviceModel &m) {
        m.systemEnable = 0x0F0F;
        m.triggers[2].AudioLostAlarmMask = 0x0102;
        m.triggers[2].TriggerCombination = 1;
    });
    QString file = m_files.filePath("alarms.xml");
    QCOMPARE(Export(file), QStringList{"The export is done."});
    m_device->WithModel([](DeviceModel &m) {
        m.systemEnable = 0x6700;  // on the 4x1 models bits without a box: the file clears them
        m.triggers[2] = alarmTrigger();
    });
    // The board holds the changed settings: the genlock lamp (bit 0) is off.
    auto *board = m_window->CurrentPages().Get<StatusPage>(PageKey::Status);
    QVERIFY(board);
    board->OnUpdateStatus(true);
    QCOMPARE(Colour(board, "labelGenlockLost"), QStringLiteral("gray"));
    if (!drop.isEmpty()) {
        const QByteArray lacking = Without(ReadFile(file), drop);
        QVERIFY(!lacking.isEmpty());
        file = WriteFile(m_files.filePath("lacking.xml"), lacking);
        problem = "configure/" + drop + ": missing";
    }
    if (!reject.isEmpty()) {
        m_device->Command("fault reject " + reject + " 1");
    }
    auto *trigger = m_window->CurrentPages().Get<Trigger>(PageKey::Trigger);
    auto *system = m_window->CurrentPages().Get<SystemAlarmsPage>(PageKey::SystemAlarms);
    auto *detection = m_window->CurrentPages().Get<Detection>(PageKey::Detection3);
    QVERIFY(trigger && system && detection);
    const auto triggerSeen = Record(trigger, &Trigger::SendAlarmTriggerInfo);
    const auto systemSeen = Record(system, &SystemAlarmsPage::SendSystemAlarmInfo);
    const auto detectionSeen = Record(detection, &Detection::SendDetectionInfo);
    const int writes = Writes();
    QCOMPARE(Import(file), QStringList{problem.isEmpty() ? "The import is done."
                                                         : "The import fails.\n" + problem});
    QCOMPARE(triggerSeen->size() + systemSeen->size() + detectionSeen->size(), 0);
    if (!drop.isEmpty()) {
        QCOMPARE(Writes(), writes);
    }
    const SystemAlarm enables = m_device->WithModel([](DeviceModel &m) { return m.systemEnable; });
    QCOMPARE(enables, systemTaken ? 0x0F0Fu & (model == 50000 ? ~0u : ~0x0700u) : 0x6700u);
    QCOMPARE(Colour(board, "labelGenlockLost"), QLatin1String(systemTaken ? "green" : "gray"));
    const alarmTrigger held = m_device->WithModel([](DeviceModel &m) { return m.triggers[2]; });
    QCOMPARE(held.AudioLostAlarmMask, quint16(triggerTaken ? 0x0102 : 0));
    QCOMPARE(held.TriggerCombination, triggerTaken ? 1u : alarmTrigger().TriggerCombination);
}

QVT_APP_TEST_MAIN(TestAlarmPages)

#include "tst_alarmpages.moc"
