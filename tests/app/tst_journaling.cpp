#include "../common/AppSession.h"
#include "Journal.h"
#include "JournalHistory.h"

#include <QDateTimeEdit>
#include <QProcess>
#include <QTableWidget>

#include <QLabel>

// The window's change journal against the simulator: a page's Apply, an
// import stopped part way, a Device menu dialog, and a journal that cannot
// be written for a while.
class TestJournaling : public QObject, public AppSession
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(StartSimulator()); }
    void init()
    {
        OpenFreshWindow();
        // The values the tests change, as the simulator starts.
        m_device->WithModel([](DeviceModel &m) {
            m.gpiMode = 0;
            m.agc.manualGain = 0;
            m.systemEnable = 0x1FFFF;
        });
        m_journalDir = std::make_unique<QTemporaryDir>();
        OpenWindow([this](WindowOptions &o) {
            o.journalLocation = JournalFile();
            o.chooseHistoryFile = [this] { return m_files.filePath(QStringLiteral("h.csv")); };
        });
    }
    void cleanup() { CloseWindow(); }

    void pageApply_data();
    void pageApply();
    void phaseAlignment();
    void importStoppedPartWay();
    void deviceDialogs();
    void unwritableJournal();
    void historyFilters_data();
    void historyFilters();
    void windowAndCliAtOnce();

private:
    QString JournalFile() const { return m_journalDir->filePath(QStringLiteral("journal.db")); }
    QVector<JournalEntry> Entries()
    {
        Journal *journal = m_window->Journal().Writer().Current();
        return journal ? journal->History({}) : QVector<JournalEntry>();
    }
    // The entries whose field starts with `prefix`.
    QVector<JournalEntry> Of(const QString &prefix)
    {
        QVector<JournalEntry> out;
        for (const JournalEntry &e : Entries()) {
            if (e.change.field.startsWith(prefix)) {
                out << e;
            }
        }
        return out;
    }
    void ApplyGpi(int gpi)
    {
        Press(FindItem(m_window->Form().treeWidget, PageKey::GPIO));
        QWidget *page = m_window->CurrentPage();
        QVERIFY(page);
        Child<QComboBox>(page, "comboBoxGPIMode")->setCurrentIndex(gpi);
        Child<QPushButton>(page, "pushButton")->click();
    }

    std::unique_ptr<QTemporaryDir> m_journalDir;
    QTemporaryDir m_files;
};

void TestJournaling::pageApply_data()
{
    QTest::addColumn<QString>("console");
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("code");
    QTest::newRow("taken") << QString() << int(JournalResult::Taken) << 0;
    QTest::newRow("refused") << "fault reject 33 1" << int(JournalResult::Refused) << 1;
}

void TestJournaling::pageApply()
{
    QFETCH(QString, console);
    QFETCH(int, result);
    QFETCH(int, code);
    LogIn();
    if (!console.isEmpty()) {
        m_device->Command(console);
    }
    ApplyGpi(1);
    // Exactly the field that changed, with the device's value before.
    const QVector<JournalEntry> entries = Entries();
    QCOMPARE(entries.size(), 1);
    const JournalEntry &e = entries[0];
    QCOMPARE(e.operation, QStringLiteral("GPIO"));
    QCOMPARE(e.change.field, QStringLiteral("GPIO/GPITriggerMode"));
    QCOMPARE(e.change.before, QStringLiteral("0"));
    QCOMPARE(e.change.after, QStringLiteral("1"));
    QCOMPARE(int(e.change.result), result);
    QCOMPARE(e.change.resultCode, code);
    QCOMPARE(e.context.program, QStringLiteral("qvt-config"));
    QCOMPARE(e.context.deviceAddress, kDevice);
    QCOMPARE(e.context.loginUser, QStringLiteral("admin"));
    QVERIFY(!e.context.deviceSerial.isEmpty());
    QVERIFY(!e.context.deviceModel.isEmpty());
}

void TestJournaling::phaseAlignment()
{
    OpenWindow([this](WindowOptions &o) {
        o.journalLocation = JournalFile();
        o.alignSettleMs = 20;
    });
    LogIn();
    Press(FindItem(m_window->Form().treeWidget, PageKey::SignalIO));
    QWidget *page = m_window->CurrentPage();
    QVERIFY(page);
    // A one-shot request: journaled as done, with no value before.
    Child<QComboBox>(page, "comboBoxPhaseAlignTrigger")->setCurrentIndex(1);
    Child<QPushButton>(page, "pushButtonApply")->click();
    const QVector<JournalEntry> align = Of(QStringLiteral("SignalIO/GroupA/AlignPhase"));
    QCOMPARE(align.size(), 1);
    QCOMPARE(align[0].operation, QStringLiteral("Signal I/O"));
    QVERIFY(align[0].change.before.isNull());
    QCOMPARE(align[0].change.after, QStringLiteral("aligned"));
    QCOMPARE(align[0].change.result, JournalResult::Taken);
}

void TestJournaling::importStoppedPartWay()
{
    LogIn();
    const QString file = m_files.filePath(QStringLiteral("import.xml"));
    QCOMPARE(Export(file), QStringList{"The export is done."});
    // The device now differs from the file in a part before GPIO's, in
    // GPIO's, which it refuses, and in the one after it.
    m_device->WithModel([](DeviceModel &m) {
        m.agc.manualGain = 5;
        m.gpiMode = 1;
        m.systemEnable = 0x1FFFE;
    });
    m_device->Command("fault reject 33 1");
    QCOMPARE(Import(file), QStringList{"The import fails.\nSetGPIOTriggerMode: Failed"});
    const QVector<JournalEntry> entries = Entries();
    QVERIFY(!entries.isEmpty());
    for (const JournalEntry &e : entries) {
        QCOMPARE(e.operation, QStringLiteral("import ") + file);
    }
    const auto results = [this](const QString &prefix) {
        QSet<int> seen;
        for (const JournalEntry &e : Of(prefix)) {
            seen << int(e.change.result);
        }
        return seen;
    };
    QCOMPARE(results(QStringLiteral("AGC/")), QSet<int>{int(JournalResult::Taken)});
    QCOMPARE(results(QStringLiteral("GPIO/")), QSet<int>{int(JournalResult::Refused)});
    QCOMPARE(results(QStringLiteral("Alarms/Settings/System/")),
             QSet<int>{int(JournalResult::NotReached)});
    QCOMPARE(Of(QStringLiteral("GPIO/"))[0].change.resultCode, 1);
}

void TestJournaling::deviceDialogs()
{
    LogIn();
    ModalScript script({[](QWidget *w) {
                            Child<QLineEdit>(w, "lineEditIP")->setText("127.0.0.50");
                            Child<QLineEdit>(w, "lineEditSubnetMask")->setText("255.0.0.0");
                            Child<QPushButton>(w, "pushButtonOk")->click();
                        },
                        ModalScript::Accept()});
    m_window->OnNetworkProperty();
    QVERIFY(script.Done());
    const QVector<JournalEntry> ip = Of(QStringLiteral("Network/IP"));
    QCOMPARE(ip.size(), 1);
    QCOMPARE(ip[0].operation, QStringLiteral("Network"));
    QCOMPARE(ip[0].change.before, kDevice);
    QCOMPARE(ip[0].change.after, QStringLiteral("127.0.0.50"));
    QCOMPARE(ip[0].change.result, JournalResult::Taken);
    m_client->SetNetParam(kDevice, "255.0.0.0", "127.0.0.1");

    // The notification destinations: the fields that changed.
    ModalScript dest({[](QWidget *w) {
        Child<QLineEdit>(w, "lineEditIP1")->setText("127.0.7.1");
        Child<QLineEdit>(w, "lineEditPort1")->setText("40001");
        Child<QPushButton>(w, "pushButtonOk")->click();
    }});
    m_window->OnAddDestIP();
    QVERIFY(dest.Done());
    const QVector<JournalEntry> destIp = Of(QStringLiteral("NotificationDest/1/IP"));
    QCOMPARE(destIp.size(), 1);
    QCOMPARE(destIp[0].change.before, QStringLiteral("127.0.0.1"));
    QCOMPARE(destIp[0].change.after, QStringLiteral("127.0.7.1"));
    const QVector<JournalEntry> destPort = Of(QStringLiteral("NotificationDest/1/Port"));
    QCOMPARE(destPort.size(), 1);
    QCOMPARE(destPort[0].change.before, QString::number(kNotifyPort));
    QCOMPARE(destPort[0].change.after, QStringLiteral("40001"));

    // A password: that it changed, never its value.
    ModalScript password({[](QWidget *w) {
                              Child<QComboBox>(w, "comboBoxUser")->setCurrentIndex(1);
                              Child<QLineEdit>(w, "lineEditNewPassword")->setText("s3cret");
                              Child<QLineEdit>(w, "lineEditComfirmPassword")->setText("s3cret");
                              Child<QPushButton>(w, "pushButtonOk")->click();
                          },
                          ModalScript::Accept()});
    m_window->OnChangePassword();
    QVERIFY(password.Done());
    const QVector<JournalEntry> changed = Of(QStringLiteral("Password/guest"));
    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed[0].change.after, QStringLiteral("changed"));
    QVERIFY(!(ReadFile(JournalFile()) + ReadFile(JournalFile() + "-wal")).contains("s3cret"));
    m_client->ModifyPassword(QStringLiteral("guest"), QStringLiteral("guest"));
}

void TestJournaling::unwritableJournal()
{
    // A path below a regular file: not even root can create it.
    const QString blocker = WriteFile(m_files.filePath(QStringLiteral("blocker")), "x");
    m_window->Journal().SetLocation(blocker + QStringLiteral("/journal.db"));
    LogIn();
    ApplyGpi(1);
    QLabel *problem = m_window->JournalProblem();
    QVERIFY(problem->isVisible());
    QVERIFY(problem->text().contains(QStringLiteral("cannot be written")));
    QCOMPARE(m_window->Journal().Writer().Pending(), 1);

    ApplyGpi(0);
    QCOMPARE(m_window->Journal().Writer().Pending(), 2);

    // Fixed: what waits is written, and the word goes.
    m_window->Journal().SetLocation(JournalFile());
    QCOMPARE(m_window->Journal().Writer().Pending(), 0);
    QVERIFY(!problem->isVisible());
    QCOMPARE(Of(QStringLiteral("GPIO/GPITriggerMode")).size(), 2);
}

void TestJournaling::historyFilters_data()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<int>("fromDaysAgo");  // -1: the dialog's own start
    QTest::addColumn<QString>("field");
    QTest::addColumn<QStringList>("after");  // the rows' After, newest first
    QTest::newRow("all") << QString() << -1 << QString() << QStringList{"3", "2", "1"};
    QTest::newRow("by serial") << "SN-B" << -1 << QString() << QStringList{"3"};
    QTest::newRow("by address") << "10.0.0.1" << -1 << QString() << QStringList{"2", "1"};
    QTest::newRow("from a day ago") << QString() << 1 << QString() << QStringList{"3", "2"};
    QTest::newRow("field prefix") << QString() << -1 << "GPIO/GPI" << QStringList{"3", "1"};
}

void TestJournaling::historyFilters()
{
    QFETCH(QString, device);
    QFETCH(int, fromDaysAgo);
    QFETCH(QString, field);
    QFETCH(QStringList, after);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const auto submit = [this](const QDateTime &when, const QString &serial, const QString &address,
                               const QString &fieldPath, const QString &value) {
        JournalOperation op;
        op.when = when;
        op.context = LocalJournalContext(QStringLiteral("qvt-config"));
        op.context.deviceSerial = serial;
        op.context.deviceAddress = address;
        op.operation = QStringLiteral("GPIO");
        op.changes = {{fieldPath, QStringLiteral("0"), value}};
        QVERIFY(m_window->Journal().Writer().Submit(op));
    };
    submit(now.addDays(-3), "SN-A", "10.0.0.1", "GPIO/GPITriggerMode", "1");
    submit(now.addSecs(-3600), "SN-A", "10.0.0.1", "GPIO/GPOTriggerMode", "2");
    submit(now.addSecs(-60), "SN-B", "10.0.0.2", "GPIO/GPITriggerMode", "3");

    QStringList shown;
    QStringList cells;
    ModalScript script({[&](QWidget *w) {
        Child<QLineEdit>(w, "lineEditDevice")->setText(device);
        Child<QLineEdit>(w, "lineEditField")->setText(field);
        if (fromDaysAgo >= 0) {
            Child<QDateTimeEdit>(w, "dateTimeEditFrom")
                ->setDateTime(QDateTime::currentDateTime().addDays(-fromDaysAgo));
        }
        auto *table = Child<QTableWidget>(w, "tableHistory");
        for (int row = 0; row < table->rowCount(); ++row) {
            shown << table->item(row, 6)->text();
        }
        for (int column = 0; column < table->columnCount(); ++column) {
            cells << table->item(0, column)->text();
        }
        Child<QPushButton>(w, "pushButtonExport")->click();
        qobject_cast<QDialog *>(w)->reject();
    }});
    m_window->OnHistory();
    QVERIFY(script.Done());
    QCOMPARE(shown, after);
    // The newest row as the operator reads it: local time, serial and address.
    const QMap<QString, QDateTime> times{
        {"1", now.addDays(-3)}, {"2", now.addSecs(-3600)}, {"3", now.addSecs(-60)}};
    QCOMPARE(cells[0], times[after[0]].toLocalTime().toString("yyyy-MM-dd hh:mm:ss"));
    QVERIFY(cells[1].contains(after[0] == "3" ? "SN-B (10.0.0.2)" : "SN-A (10.0.0.1)"));
    QCOMPARE(cells[7], QStringLiteral("taken"));
    // The export has the rows shown: a header line and one line each.
    const QByteArray csv = ReadFile(m_files.filePath(QStringLiteral("h.csv")));
    QCOMPARE(csv.count('\n'), after.size() + 1);
}

// The window's Applies and a qvt-cli import (to another device, so that
// the two never meet on one) write one journal file at once: every
// operation of both is in it.
void TestJournaling::windowAndCliAtOnce()
{
    DeviceSimulator::Options options;
    options.address = TestAddress();
    options.notify[0] = {0, 0};
    DeviceSimulator other(options);
    QVERIFY(other.Start());
    LogIn();
    const QString cli = QCoreApplication::applicationDirPath() + QStringLiteral("/../bin/qvt-cli");
    const QString file = m_files.filePath(QStringLiteral("gpo.xml"));
    const QStringList login = {options.address, QStringLiteral("--password"),
                               QStringLiteral("admin")};
    QProcess exporter;
    exporter.start(cli,
                   QStringList{QStringLiteral("export")} << login << QStringLiteral("-o") << file);
    QVERIFY(exporter.waitForFinished(20000) && exporter.exitCode() == 0);
    QByteArray xml = ReadFile(file);
    QVERIFY(xml.contains("<GPOTriggerMode>1</GPOTriggerMode>"));
    xml.replace("<GPOTriggerMode>1</GPOTriggerMode>", "<GPOTriggerMode>0</GPOTriggerMode>");
    WriteFile(file, xml);

    QProcess importer;
    importer.start(cli, QStringList{QStringLiteral("import")}
                            << login << QStringLiteral("--journal") << JournalFile() << file);
    QVERIFY(importer.waitForStarted());
    constexpr int kApplies = 8;
    for (int i = 0; i < kApplies; ++i) {
        ApplyGpi((i + 1) % 2);
    }
    QVERIFY(importer.waitForFinished(20000));
    const QByteArray said = importer.readAllStandardError();
    QVERIFY2(importer.exitCode() == 0 && !said.contains("journal"), said.constData());
    QCOMPARE(Of(QStringLiteral("GPIO/GPITriggerMode")).size(), kApplies);
    const QVector<JournalEntry> gpo = Of(QStringLiteral("GPIO/GPOTriggerMode"));
    QCOMPARE(gpo.size(), 1);
    QCOMPARE(gpo[0].context.program, QStringLiteral("qvt-cli"));
    QCOMPARE(gpo[0].context.deviceAddress, options.address);
}

QVT_APP_TEST_MAIN(TestJournaling)

#include "tst_journaling.moc"
