#include "../common/AppSession.h"
#include "../common/SimulatorClient.h"
#include "Alarm.h"
#include "TextForms.h"

#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QStandardPaths>
#include <QTableView>
#include <QTimeEdit>
#include <QTranslator>

namespace {
// Every text in brackets: what the window would show in another language.
class Bracketing final : public QTranslator
{
public:
    bool isEmpty() const override { return false; }
    QString translate(const char *, const char *source, const char *, int) const override
    {
        return QLatin1Char('[') + QString::fromUtf8(source) + QLatin1Char(']');
    }
};
}  // namespace

// The alarm log page with its own settings and directories and a clock of
// the test's, against the in-process simulator for the device's identity.
// Its backups in the window: tst_monitoring.
class TestAlarmLog : public QObject, public SimulatorClient
{
    Q_OBJECT

public:
    TestAlarmLog() : SimulatorClient(150) {}

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void autoSave_data();
    void autoSave();
    void saveAsAndClear();
    void failedWrites_data();
    void failedWrites();
    void userDataFallback();
    void settings_data();
    void settings();
    void preambleFromDevice();
    void filesStayEnglish();

private:
    void Open(bool online = false)
    {
        m_page = std::make_unique<Alarm>(
            &m_client, nullptr, [this](QWidget *, const QString &p) { return m_choose(p); },
            [this] { return m_now; }, m_logs);
        if (online) {
            m_page->Start(kDevice);
        }
    }
    void Log(const QString &type, const QString &status = QStringLiteral("Asserted"))
    {
        AlarmInfo info;
        info.time = m_now;
        info.input = QStringLiteral("Input 1");
        info.alarmType = type;
        info.alarmStatus = status;
        m_page->OnNotityAlarmInfo(info);
    }
    QStringList Logs(const QString &dir = QString()) const
    {
        return QDir(dir.isEmpty() ? m_page->LogDirectory() : dir).entryList(QDir::Files);
    }
    QByteArray LogFile(const QString &name) const
    {
        return ReadFile(QDir(m_page->LogDirectory()).filePath(name));
    }
    QTableView *Table() const { return Child<QTableView>(m_page.get(), "tableWidgetAlarm"); }
    int Rows() const { return Table()->model()->rowCount(); }
    // Neither the program's directory nor the user's data directory can hold
    // a log.
    void BlockDirectories()
    {
        WriteFile(m_dir->filePath("blocker"), "a file where directories should be");
        m_logs = m_dir->filePath("blocker/logs");
        qputenv("XDG_DATA_HOME", m_dir->filePath("blocker").toLocal8Bit());
    }

    QByteArray m_dataHome;  // the program's XDG_DATA_HOME
    QString m_logs;         // the page's log directory, tried first
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Alarm> m_page;
    QDateTime m_now;
    std::function<QString(const QString &)> m_choose;  // answers the file dialog
};

void TestAlarmLog::initTestCase()
{
    m_dataHome = qgetenv("XDG_DATA_HOME");
    StartAndLogIn();
}

void TestAlarmLog::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_logs = m_dir->filePath("logs");
    Settings().clear();
    m_now = QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7));
}

void TestAlarmLog::cleanup()
{
    m_page.reset();
    qputenv("XDG_DATA_HOME", m_dataHome);
    m_device->Command("fault clear");
}

void TestAlarmLog::autoSave_data()
{
    QTest::addColumn<bool>("online");
    QTest::addColumn<QString>("enabled");
    QTest::addColumn<QStringList>("files");

    QTest::newRow("online: once a day")
        << true << "true" << QStringList{"2026-03-04_12-00-00.csv", "2026-03-05_12-00-00.csv"};
    QTest::newRow("offline") << false << "true" << QStringList();
    QTest::newRow("disabled") << true << "false" << QStringList();
}

void TestAlarmLog::autoSave()
{
    QFETCH(bool, online);
    QFETCH(QString, enabled);
    QFETCH(QStringList, files);
    Settings().setValue("AutoSaveTime", "12:00:00");
    Settings().setValue("AutoSaveEnable", enabled);
    Open(online);

    m_now = QDateTime(QDate(2026, 3, 4), QTime(11, 59, 59));
    Log("Video Black");
    m_page->OnAutoSaveTimer();
    QCOMPARE(Logs(), QStringList());
    m_now = m_now.addSecs(1);
    m_page->OnAutoSaveTimer();
    m_now = m_now.addSecs(59);  // the same minute: the file is there
    Log("Video Frozen");
    m_page->OnAutoSaveTimer();
    m_now = m_now.addDays(1);
    m_page->OnAutoSaveTimer();

    QCOMPARE(Logs(), files);
    QCOMPARE(Rows(), files.isEmpty() ? 2 : 0);
    if (!files.isEmpty()) {
        QVERIFY(LogFile(files[0]).endsWith(
            "Notes\n1,2026-03-04 11:59:59,Input 1,Video Black,Asserted,\n"));
        QVERIFY(LogFile(files[1]).endsWith(
            "Notes\n1,2026-03-04 12:00:59,Input 1,Video Frozen,Asserted,\n"));
    }
}

void TestAlarmLog::saveAsAndClear()
{
    Open(true);
    Log("Video Black");
    Log("Video Black", "Cleared");
    QString proposed;
    QString answer = m_dir->filePath("chosen.csv");
    m_choose = [&](const QString &path) {
        proposed = path;
        return answer;
    };
    QSignalSpy messages(m_page.get(), &BaseWidget::SendStatusMessage);
    Child<QPushButton>(m_page.get(), "pushButtonSaveAs")->click();
    QCOMPARE(proposed, m_dir->filePath("logs/mylog.csv"));
    QVERIFY(
        ReadFile(answer).endsWith("Notes\n1,2026-03-04 05:06:07,Input 1,Video Black,Asserted,\n"
                                  "2,2026-03-04 05:06:07,Input 1,Video Black,Cleared,\n"));
    QCOMPARE(Rows(), 2);

    answer.clear();  // cancelled
    Child<QPushButton>(m_page.get(), "pushButtonSaveAs")->click();
    QCOMPARE(messages.count(), 0);

    Child<QPushButton>(m_page.get(), "pushButtonClear")->click();
    QCOMPARE(Rows(), 0);
    Log("Genlock Lost");
    QCOMPARE(Table()->model()->index(0, 0).data().toString(), "1");
    QCOMPARE(Logs(), QStringList());
}

// A backup that fails: tst_monitoring keptRowsKeepTheirDevice.
void TestAlarmLog::failedWrites_data()
{
    QTest::addColumn<int>("write");  // 0 auto-save, 1 backup, 2 Save As
    QTest::addColumn<QString>("file");

    QTest::newRow("auto-save") << 0 << "blocker/logs/2026-03-04_05-06-00.csv";
    QTest::newRow("Save As") << 2 << "blocker/mine.csv";
}

void TestAlarmLog::failedWrites()
{
    QFETCH(int, write);
    QFETCH(QString, file);
    Settings().setValue("AutoSaveTime", "05:06:00");
    BlockDirectories();
    Open(true);
    m_choose = [this](const QString &) { return m_dir->filePath("blocker/mine.csv"); };
    QSignalSpy messages(m_page.get(), &BaseWidget::SendStatusMessage);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("could not be written"));
    Log("Signal Lost");
    write == 0 ? m_page->OnAutoSaveTimer() : write == 1 ? m_page->OnAppClose() : m_page->OnSaveAs();
    if (write == 0) {
        m_page->OnAutoSaveTimer();  // the next second of the minute: said once
    }

    QCOMPARE(messages.count(), 1);
    QVERIFY2(messages[0][0].toString().contains(m_dir->filePath(file)),
             qPrintable(messages[0][0].toString()));
    QCOMPARE(Rows(), 1);

    // Once the disk takes files again, the kept row comes first, with its
    // number.
    QVERIFY(QFile::remove(m_dir->filePath("blocker")));
    Log("Signal Lost", "Cleared");
    m_page->OnAppClose();
    QVERIFY(LogFile("backup_2026-03-04_05-06.csv")
                .endsWith("Notes\n1,2026-03-04 05:06:07,Input 1,Signal Lost,Asserted,\n"
                          "2,2026-03-04 05:06:07,Input 1,Signal Lost,Cleared,\n"));
    QCOMPARE(Rows(), 0);
}

void TestAlarmLog::userDataFallback()
{
    WriteFile(m_dir->filePath("blocker"), "a file where the program's directory should be");
    m_logs = m_dir->filePath("blocker/logs");
    Open(true);
    const QString user =
        QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) + "/logs";
    QVERIFY(user.startsWith(QString::fromLocal8Bit(m_dataHome)));
    QCOMPARE(m_page->LogDirectory(), user);
    QVERIFY(Child<QLabel>(m_page.get(), "labelLogDirectory")->text().contains(user));
    const QStringList before = Logs(user);
    m_page->OnAppClose();
    QCOMPARE(Logs(user).size(), before.size() + 1);
}

void TestAlarmLog::settings_data()
{
    QTest::addColumn<QString>("storedTime");
    QTest::addColumn<QString>("storedEnable");
    QTest::addColumn<QString>("time");  // shown and stored after construction
    QTest::addColumn<bool>("enabled");
    const auto row = [](const char *name, const char *time, const char *enable, const char *shown,
                        bool enabled) {
        QTest::newRow(name) << QString(time) << QString(enable) << QString(shown) << enabled;
    };
    row("absent: the form's values", "", "", "00:00:00", true);
    row("stored", "07:30:15", "false", "07:30:15", false);
    row("not a time", "7h30", "true", "00:00:00", true);
}

void TestAlarmLog::settings()
{
    QFETCH(QString, storedTime);
    QFETCH(QString, storedEnable);
    QFETCH(QString, time);
    QFETCH(bool, enabled);
    if (!storedTime.isEmpty()) {
        Settings().setValue("AutoSaveTime", storedTime);
        Settings().setValue("AutoSaveEnable", storedEnable);
    }
    Open();
    auto *check = Child<QCheckBox>(m_page.get(), "checkBoxAutoSave");
    auto *edit = Child<QTimeEdit>(m_page.get(), "timeEdit");
    QCOMPARE(edit->text(), time);
    QCOMPARE(check->isChecked(), enabled);
    QCOMPARE(edit->isEnabled(), enabled);
    QCOMPARE(Settings().value("AutoSaveTime").toString(), time);
    QCOMPARE(Settings().value("AutoSaveEnable").toString(), enabled ? "true" : "false");

    check->click();
    QCOMPARE(Settings().value("AutoSaveEnable").toString(), enabled ? "false" : "true");
    QCOMPARE(edit->isEnabled(), !enabled);
    edit->setTime(QTime(8, 9, 10));
    QCOMPARE(Settings().value("AutoSaveTime").toString(), "08:09:10");

    m_page->ApplyGuestRestrictions();
    QVERIFY(!check->isEnabled() && !edit->isEnabled());
    m_page->LiftGuestRestrictions();
    QVERIFY(check->isEnabled());
    QCOMPARE(edit->isEnabled(), !enabled);
}

void TestAlarmLog::preambleFromDevice()
{
    Settings().setValue("AutoSaveEnable", "false");
    const auto [serial, fpga] = m_device->WithModel([](DeviceModel &m) {
        m.ip = 0x7F000005;
        return std::make_pair(SerialNumberText(m.serial), FpgaVersionText(m.fpga));
    });
    m_device->Command("model 50000");
    m_device->Command("firmware 1.2.3");
    Open();
    QCOMPARE(m_page->Start(kDevice), 0);
    QVERIFY(!serial.isEmpty());

    // A version read that fails keeps the versions read before (each field
    // read shows in the file below); the others go on.
    m_device->Command(QStringLiteral("fault reject %1 1").arg(kMsgGetVersion));
    m_device->Command("model 50001");
    m_device->Command("firmware 1.2.4");
    QCOMPARE(m_page->Start(kDevice), -1);
    m_page->OnAppClose();
    QVERIFY(LogFile("backup_2026-03-04_05-06.csv")
                .startsWith("Module Type,QVT 4x1\nProduct SN," + serial.toLatin1() +
                            "\nFirmware Verison,1.2.3\nFPGA Verison," + fpga.toLatin1() +
                            "\nIP Address,127.0.0.5\n \n \n"));
    // Another device whose version read fails takes nothing of the last one's.
    QCOMPARE(m_page->Start(TestAddress()), -1);
    QCOMPARE(m_page->DeviceInfo().firmwareVersion, QString());

    m_device->Command("fault clear");
    m_device->Command("model 50002");
    m_device->Command("firmware 1.1.65");
    m_device->WithModel([](DeviceModel &m) { m.ip = 0x7F000001; });
}

void TestAlarmLog::filesStayEnglish()
{
    Bracketing translator;
    QCoreApplication::installTranslator(&translator);
    Open(true);
    m_page->Retranslate();
    Log("Signal Lost");
    QCOMPARE(Table()->model()->index(0, 3).data().toString(), "[Signal Lost]");
    QCOMPARE(Table()->model()->headerData(0, Qt::Horizontal).toString(), "[Number]");
    Table()->setCurrentIndex(Table()->model()->index(0, 3));  // the row, and copy the cell
    QVERIFY(Table()->selectionModel()->isRowSelected(0, {}));
    QTest::keySequence(Table(), QKeySequence::Copy);
    QCOMPARE(QGuiApplication::clipboard()->text(), "[Signal Lost]");
    m_page->OnAppClose();
    QCoreApplication::removeTranslator(&translator);
    const QByteArray file = LogFile("backup_2026-03-04_05-06.csv");
    QVERIFY2(file.startsWith("Module Type,QVT 4x1 AGC\n"), file.constData());
    QVERIFY(
        file.endsWith("Number,Time,Input,Alarm Type,Alarm Status,Notes\n"
                      "1,2026-03-04 05:06:07,Input 1,Signal Lost,Asserted,\n"));
}

int main(int argc, char **argv)
{
    // The fallback log directory of every page in this program.
    QTemporaryDir data;
    qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
    return RunAppTest<TestAlarmLog>(argc, argv);
}

#include "tst_alarmlog.moc"
