#include "../common/AppSession.h"
#include "../common/QueuedSpy.h"
#include "CfgNetClient.h"
#include "CmdThread.h"
#include "DeviceSimulator.h"
#include "GPIO.h"
#include "General.h"
#include "LanguageConfig.h"
#include "Login.h"
#include "PassWordLineEdit.h"
#include "Settings.h"
#include "TextForms.h"
#include "UpdateThread.h"
#include "cfg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QImageReader>
#include <QLineEdit>
#include <QMovie>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolTip>
#include <QtTest>

#include <sys/resource.h>

// A loopback address with nothing on it, picked at run time.
static const QString kNobody = TestAddress();

class TestApp : public QObject, protected AppSession
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(StartSimulator()); }
    void init() { OpenFreshWindow(); }
    void cleanup() { CloseWindow(); }

    void loginAsAdmin();
    void loginFailures_data();
    void loginFailures();
    void connectionSupervision();
    void firmwareMismatchDisconnects();
    void disconnectQuestion_data();
    void disconnectQuestion();
    void importRefusals_data();
    void importRefusals();
    void exportFailures_data();
    void exportFailures();
    void languageSwitch();
    void qtTextsInChinese_data();
    void qtTextsInChinese();
    void resourcesAndHints();

    void importIsARequestOfItsOwn_data();
    void importIsARequestOfItsOwn();
    void importWithoutAWorker();
    void importEndsWithTheSession_data();
    void importEndsWithTheSession();
    void pagesGoAfterTheirWorker();
    void autoThenCancelKeepsListening();
    void deadDeviceLetsGo_data();
    void deadDeviceLetsGo();
    void receiverProblemsAreSaid_data();
    void receiverProblemsAreSaid();
    void receiverPortChoice_data();
    void receiverPortChoice();
    void probeRhythm();

private:
    QTemporaryDir m_files;
};

void TestApp::loginAsAdmin()
{
    LogIn();
    QVERIFY(m_window->IsAlive());
    QVERIFY(!m_window->Link().IsOffline());
    QCOMPARE(m_window->Link().Address(), kDevice);
    QCOMPARE(Settings().value("IP").toString(), kDevice);
    QVERIFY(!m_window->Form().actionConnect->isEnabled());
    QVERIFY(m_window->Form().actionDisconnect->isEnabled());
    QVERIFY(m_window->Form().actionImport->isEnabled());
    QVERIFY(m_window->Form().actionExport->isEnabled());

    Show(PageKey::General);
    BaseWidget *general = m_window->CurrentPages().Find(PageKey::General);
    QCOMPARE(m_window->CurrentPage(), general);
    QCOMPARE(Child<QLabel>(general, "labelModuleType")->text(), QStringLiteral("QVT 4x1 AGC"));
    QCOMPARE(Child<QLabel>(general, "labelProductSN")->text(),
             QStringLiteral("QV00012345-00000042"));
    QCOMPARE(Child<QLabel>(general, "labelRunMode")->text(), QStringLiteral("UserApp"));
    QCOMPARE(Child<QLabel>(general, "labelFirmwareVersion")->text(),
             QLatin1String(kProgramVersion));
    QCOMPARE(Child<QLabel>(general, "labelIpAddress")->text(), kDevice);
}

void TestApp::loginFailures_data()
{
    QTest::addColumn<QString>("console");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("message");
    QTest::newRow("cancel") << QString() << QString() << QString() << QString();
    QTest::newRow("wrong password") << "" << kDevice << "nope"
                                    << "The password is incorrect.";
    QTest::newRow("nobody there") << "" << kNobody << "admin"
                                  << "Device is off-line.";
    QTest::newRow("update mode") << "update-mode on" << kDevice << "admin"
                                 << "The device is upgrading.";
    // The device dropped the login of a session that has ended: the next
    // login starts afresh, so a wrong password is not taken for an off-line
    // device.
    QTest::newRow("wrong password after a session") << "session" << kDevice << "nope"
                                                    << "The password is incorrect.";
}

// A failed login says why, and the dialog opens again with the last address
// that logged in, not the one just typed.
void TestApp::loginFailures()
{
    QFETCH(QString, console);
    QFETCH(QString, address);
    QFETCH(QString, password);
    QFETCH(QString, message);
    if (console == "session") {
        LogIn();
        Disconnect();
        m_device->Command("expire-login");
    } else if (!console.isEmpty()) {
        m_device->Command(console);
    }
    Settings().setValue("IP", "127.0.0.99");
    QString reopenedWith;
    QList<ModalScript::Action> actions;
    if (!address.isEmpty()) {
        actions << LoginAs(address, 0, password) << ModalScript::Accept();
    }
    actions << CancelNoting(&reopenedWith);
    ModalScript script(actions);
    m_window->OnConnect();
    QVERIFY(script.Done());
    QCOMPARE(script.messages, message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(reopenedWith, QStringLiteral("127.0.0.99"));
    QVERIFY(m_window->Link().IsOffline());
    QVERIFY(m_window->Form().actionConnect->isEnabled());
    QVERIFY(!m_window->Form().actionImport->isEnabled());
}

void TestApp::connectionSupervision()
{
    LogIn();
    QList<AlarmInfo> logs;
    connect(m_window.get(), &cfg::AddLogs, this, [&logs](AlarmInfo info) { logs << info; });
    m_window->OnIsAlive(false, 255);
    m_window->OnIsAlive(false, 255);
    QVERIFY(!m_window->IsAlive());
    m_window->OnIsAlive(true, 1);
    QVERIFY(m_window->IsAlive());
    QCOMPARE(logs.size(), 2);
    QCOMPARE(logs[0].alarmType, QStringLiteral("Connection Lost"));
    QCOMPARE(logs[0].alarmStatus, QStringLiteral("Asserted"));
    QCOMPARE(logs[1].alarmStatus, QStringLiteral("Cleared"));
    QVERIFY(logs[1].time.isValid());

    // Entering update mode ends the session with one warning.
    ModalScript script({ModalScript::Accept()});
    m_window->OnIsAlive(true, 0);
    QTRY_VERIFY(script.Done());
    QCOMPARE(script.messages, QStringList{"The device is upgrading."});
    QVERIFY(m_window->Link().IsOffline());
}

void TestApp::firmwareMismatchDisconnects()
{
    m_device->Command("firmware 1.2.0");
    QList<AlarmInfo> logs;
    connect(m_window.get(), &cfg::AddLogs, this, [&logs](AlarmInfo info) { logs << info; });
    ModalScript script({LoginAs(kDevice, 0, "admin"), ModalScript::Accept()});
    m_window->OnConnect();
    QTRY_VERIFY_WITH_TIMEOUT(script.Done(), 5000);
    QTRY_VERIFY(m_window->Link().IsOffline());
    QCOMPARE(script.messages,
             QStringList{QStringLiteral("The versions between the device 1.2.0 and control "
                                        "software %1 are mismatched.Please use identical "
                                        "versions and re-login.")
                             .arg(QLatin1String(kProgramVersion))});
    QCOMPARE(logs.size(), 1);
    QCOMPARE(logs[0].notes,
             QStringLiteral("Version mismatch between the Config Tool and the Firmware"));
    QVERIFY(m_window->Form().actionConnect->isEnabled());
}

void TestApp::disconnectQuestion_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("disconnected");
    QTest::newRow("No") << int(QMessageBox::No) << false;
    QTest::newRow("Escape") << -1 << false;
    QTest::newRow("Yes") << int(QMessageBox::Yes) << true;
}

void TestApp::disconnectQuestion()
{
    QFETCH(int, answer);
    QFETCH(bool, disconnected);
    LogIn();
    ModalScript::Action act =
        answer < 0 ? ModalScript::Action([](QWidget *w) { QTest::keyClick(w, Qt::Key_Escape); })
                   : ModalScript::Button(static_cast<QMessageBox::StandardButton>(answer));
    ModalScript script({act});
    m_window->OnDisConnect();
    QVERIFY(script.Done());
    QCOMPARE(script.messages, QStringList{"Do you want to disconnect?"});
    QCOMPARE(m_window->Link().IsOffline(), disconnected);
    QCOMPARE(m_window->Form().actionConnect->isEnabled(), disconnected);
}

void TestApp::importRefusals_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("message");
    const QByteArray head = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n";
    QTest::newRow("another model")
        << head +
               "<configure><ModuleType>50000</ModuleType><GPIO><GPITriggerMode>1</"
               "GPITriggerMode><GPOTriggerMode>1</GPOTriggerMode></GPIO></configure>"
        << "The parameter file and the device are mismatched.";
    // A file whose parts fail the check: tests/params/tst_params
    // everyElementIsNeeded, and tst_alarmpages import, which counts the writes.
    const QString unread = "The parameter file cannot be read.\n";
    QTest::newRow("not XML")
        << QByteArray("hello")
        << unread + "not XML: error occurred while parsing element (line 1, column 1)";
    QTest::newRow("another top element")
        << head + "<configuration><ModuleType>50002</ModuleType></configuration>"
        << unread + "its top element is <configuration>, not <configure>";
    QByteArray laughs = head + "<!DOCTYPE configure [<!ENTITY a \"ha\">";
    for (int i = 1; i < 10; ++i) {
        laughs += "<!ENTITY " + QByteArray(1, char('a' + i)) + " \"";
        for (int k = 0; k < 10; ++k) {
            laughs += "&" + QByteArray(1, char('a' + i - 1)) + ";";
        }
        laughs += "\">";
    }
    laughs += "]><configure><ModuleType>50002</ModuleType><x>&j;</x></configure>";
    QTest::newRow("billion laughs")
        << laughs
        << unread + "it declares a document type or entities, which a parameter file never holds";
    QTest::newRow("over 4 MiB") << head + "<configure><ModuleType>50002</ModuleType><!--" +
                                       QByteArray(5 << 20, ' ') + "--></configure>"
                                << unread + "larger than 4 MiB";
}

// Files that are not this device's parameters are refused without writing
// anything, hostile ones at once and without expanding them.
void TestApp::importRefusals()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, message);
    LogIn();
    const QString file = WriteFile(m_files.filePath("import.xml"), content);
    QCOMPARE(m_client->SetGPIOTriggerMode(ActiveLow, ActiveHigh), 0);
    rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    const long peakBefore = usage.ru_maxrss;
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(Import(file), QStringList{message});
    getrusage(RUSAGE_SELF, &usage);
    QVERIFY2(usage.ru_maxrss - peakBefore < 64 * 1024, "memory grew by more than 64 MiB");
    QVERIFY(clock.elapsed() < 1000);
    // Nothing was written to the device.
    GPIOTriggerMode gpi = ActiveHigh, gpo = ActiveLow;
    QCOMPARE(m_client->GetGPIOTriggerMode(gpi, gpo), 0);
    QCOMPARE(gpi, ActiveLow);
    QCOMPARE(gpo, ActiveHigh);
}

void TestApp::exportFailures_data()
{
    QTest::addColumn<QString>("console");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("why");
    QTest::newRow("a read refused") << "fault reject 34 1"
                                    << "keep.xml"
                                    << "GetGPIOTriggerMode: Failed";
    QTest::newRow("no such folder") << ""
                                    << "none/keep.xml"
                                    << "No such file or directory";
}

// A failed export says why, and leaves an earlier file as it was.
void TestApp::exportFailures()
{
    QFETCH(QString, console);
    QFETCH(QString, name);
    QFETCH(QString, why);
    LogIn();
    const QString earlier = WriteFile(m_files.filePath("keep.xml"), "earlier content");
    m_device->Command(console);
    QCOMPARE(Export(m_files.filePath(name)), QStringList{"The export fails.\n" + why});
    QCOMPARE(ReadFile(earlier), QByteArray("earlier content"));
}

void TestApp::languageSwitch()
{
    LogIn();
    Show(PageKey::GPIO);
    LanguageConfig *language = ChooseLanguage(1);
    QCOMPARE(Settings().value("Language").toInt(), 1);
    QCOMPARE(m_window->Form().menuConfig->title(), QString::fromUtf8("设备"));
    QCOMPARE(FindItem(m_window->Form().treeWidget, PageKey::General)->text(0),
             QString::fromUtf8("常规"));
    QCOMPARE(Child<QPushButton>(m_window->CurrentPage(), "pushButton")->text(),
             QString::fromUtf8("应用"));

    // A restart applies the stored choice before the window is built.
    language->SetLanguage(0);
    LanguageConfig restarted;
    restarted.SetLanguage(Settings().value("Language").toInt());
    QCOMPARE(QCoreApplication::translate("cfg", "Warning"), QString::fromUtf8("警告"));
    restarted.SetLanguage(0);
    QCOMPARE(QCoreApplication::translate("cfg", "Warning"), QStringLiteral("Warning"));
}

void TestApp::qtTextsInChinese_data()
{
    QTest::addColumn<QString>("english");
    QTest::addColumn<QString>("chinese");
    QTest::newRow("Yes") << "&Yes" << QString::fromUtf8("是(&Y)");
    QTest::newRow("Cancel") << "Cancel" << QString::fromUtf8("取消");
    QTest::newRow("file dialog: name") << "File &name:" << QString::fromUtf8("文件名称(&N)：");
}

// Qt's own texts come from qt_zh_CN.qm, a catalogue that loads only with
// every file it names beside it in lang/.
void TestApp::qtTextsInChinese()
{
    QFETCH(QString, english);
    QFETCH(QString, chinese);
    LanguageConfig language;
    QVERIFY(language.QtTranslationLoaded());
    language.SetLanguage(1);
    QDialogButtonBox buttons(QDialogButtonBox::Yes | QDialogButtonBox::No |
                             QDialogButtonBox::Cancel);
    QFileDialog files;
    files.setOption(QFileDialog::DontUseNativeDialog);
    QStringList texts;
    for (QWidget *widget : {static_cast<QWidget *>(&buttons), static_cast<QWidget *>(&files)}) {
        for (const QAbstractButton *button : widget->findChildren<QAbstractButton *>()) {
            texts << button->text();
        }
        for (const QLabel *label : widget->findChildren<QLabel *>()) {
            texts << label->text();
        }
    }
    language.SetLanguage(0);
    QVERIFY2(texts.contains(chinese), qPrintable(texts.join(" | ")));
    QVERIFY(!texts.contains(english));
}

// The drawn images load (the animation with all its frames), and the Caps
// Lock warning shows under the password field only while Caps Lock is on.
void TestApp::resourcesAndHints()
{
    for (const char *name : {"Logo", "connect", "disconnect", "red", "yellow", "green", "gray"}) {
        QVERIFY2(!QPixmap(QStringLiteral(":/cfg/Resources/%1.png").arg(name)).isNull(), name);
    }
    QImageReader gif(QStringLiteral(":/cfg/Resources/Loading.gif"));
    QCOMPARE(gif.imageCount(), 8);
    QSet<QRgb> darkest;
    for (int frame = 0; frame < 8; ++frame) {
        const QImage image = gif.read();
        QVERIFY2(!image.isNull(), qPrintable(gif.errorString()));
        QCOMPARE(image.size(), QSize(64, 64));
        QCOMPARE(qAlpha(image.pixel(0, 0)), 0);  // a transparent background
        darkest << image.pixel(54, 32);          // the dot at angle 0 changes from frame to frame
    }
    QVERIFY(darkest.size() > 1);
    QVERIFY(QMovie(QStringLiteral(":/cfg/Resources/Loading.gif")).isValid());

    bool capsLock = true;
    Login dialog(m_window.get(), [&capsLock] { return capsLock; });
    dialog.show();
    auto *field = Child<PassWordLineEdit>(&dialog, "lineEditPassword");
    field->ShowCapsLockHint();
    QTRY_VERIFY(QToolTip::isVisible());
    QCOMPARE(QToolTip::text(), QStringLiteral("The Caps Lock is enabled."));
    capsLock = false;
    field->ShowCapsLockHint();
    QTRY_VERIFY(!QToolTip::isVisible());

    // The password field takes letters and digits, six at most.
    field->clear();
    QTest::keyClicks(field, "ab-c d1234567");
    QCOMPARE(field->text(), QStringLiteral("abcd12"));
    auto *ip = Child<QLineEdit>(&dialog, "lineEditIP");
    ip->clear();
    QTest::keyClicks(ip, "192.168.1.255");
    QCOMPARE(ip->text(), QStringLiteral("192.168.1.25"));  // the last octet stops at 254
}

void TestApp::importIsARequestOfItsOwn_data()
{
    QTest::addColumn<QString>("console");
    QTest::addColumn<QString>("message");
    QTest::newRow("done") << ""
                          << "The import is done.";
    QTest::newRow("a later page refused") << "fault reject 37 1"
                                          << "The import fails.\nSetSystemAlarmParam: Failed";
}

// The import is a request of its own: a page's poll set meanwhile (here by a
// lost and found connection) does not replace it, it starts at once rather
// than after the poll's 3-second pause, and its end, done or failed, refreshes
// the page with the file's values, back on the device.
void TestApp::importIsARequestOfItsOwn()
{
    QFETCH(QString, console);
    QFETCH(QString, message);
    LogIn();
    QCOMPARE(m_client->SetGPIOTriggerMode(ActiveHigh, ActiveLow), 0);
    const QString file = m_files.filePath("own.xml");
    QCOMPARE(Export(file), QStringList{"The export is done."});
    QCOMPARE(m_client->SetGPIOTriggerMode(ActiveLow, ActiveHigh), 0);
    m_device->Command(console);

    QueuedSpy polled(m_window->Worker(), &CmdThread::NotifyGPIOUpdate);
    Show(PageKey::GPIO);
    QVERIFY(polled.wait());  // the worker now pauses for 3 s
    auto *gpi = Child<QComboBox>(m_window->CurrentPage(), "comboBoxGPIMode");
    QCOMPARE(gpi->currentIndex(), 0);

    ModalScript script({ModalScript::Accept()});
    QElapsedTimer clock;
    clock.start();
    m_window->OnImport();
    m_window->OnIsAlive(false, 255);
    m_window->OnIsAlive(true, 1);
    QTRY_VERIFY_WITH_TIMEOUT(script.Done(), 5000);
    QVERIFY2(clock.elapsed() < 1500, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(script.messages, QStringList{message});
    QCOMPARE(gpi->currentIndex(), 1);
    QCOMPARE(Child<QComboBox>(m_window->CurrentPage(), "comboBoxGPOMode")->currentIndex(), 0);
    QVERIFY(!Child(m_window.get(), "Loading")->isVisible());
}

// Without the model the session starts no worker: Import is off and the
// status bar says why; an import asked for anyway says it cannot start
// instead of covering the window for ever.
void TestApp::importWithoutAWorker()
{
    m_device->Command("fault reject 5 1");
    LogIn();
    QVERIFY(!m_window->Form().actionImport->isEnabled());
    QVERIFY(StatusLine().contains("did not report its model"));
    m_chosenFile = m_files.filePath("none.xml");
    ModalScript script({ModalScript::Accept()});
    m_window->OnImport();
    QVERIFY(script.Done());
    QCOMPARE(script.messages.size(), 1);
    QVERIFY(script.messages[0].startsWith("The import cannot start"));
    QVERIFY(!Child(m_window.get(), "Loading")->isVisible());
}

// A disconnect stops an import between pages and says it did not complete;
// a login to another model right after deletes the old pages only once the
// old worker is gone.
void TestApp::importEndsWithTheSession_data()
{
    QTest::addColumn<bool>("duringWrite");
    QTest::newRow("between two pages") << false;
    QTest::newRow("during a write to a silent device") << true;
}

void TestApp::importEndsWithTheSession()
{
    QFETCH(bool, duringWrite);
    OpenWindow(duringWrite ? RealTimeOut : nullptr);
    LogIn();
    const QString file = m_files.filePath("stopped.xml");
    QCOMPARE(Export(file), QStringList{"The export is done."});
    ModalScript script({ModalScript::Button(QMessageBox::Yes), ModalScript::Accept()});
    if (duringWrite) {
        m_device->Command("offline 60");
    }
    const quint64 sent = m_device->RequestsReceived();
    m_window->OnImport();
    if (duringWrite) {
        // A page's write is on its way (or waits for the exchange that is):
        // the close cuts it short, which is the session's end, not a failed page.
        QTRY_VERIFY(m_device->RequestsReceived() > sent);
    }
    m_window->OnDisConnect();
    QTRY_VERIFY(script.Done());
    QCOMPARE(script.messages.size(), 2);
    QCOMPARE(script.messages[0], QStringLiteral("Do you want to disconnect?"));
    QVERIFY2(script.messages[1].startsWith("The import did not complete"),
             qPrintable(script.messages[1]));
    QVERIFY(!Child(m_window.get(), "Loading")->isVisible());

    // The dual model's pages instead of the AGC model's, and the model stored
    // for the next start's tree (tst_pages treeShowsPages).
    m_device->Command("offline 0");
    m_device->Command("model 50000");
    LogIn();
    QCOMPARE(m_window->ProductType(), 50000);
    QCOMPARE(Settings().value("ProductType").toInt(), 50000);
    QVERIFY(m_window->CurrentPages().Find(PageKey::SignalIOB));
    QVERIFY(!m_window->CurrentPages().Find(PageKey::SignalIO));
}

// A login to another model while an import still writes to a silent device:
// the old pages are deleted only once the worker that walks them has ended.
void TestApp::pagesGoAfterTheirWorker()
{
    OpenWindow(RealTimeOut);
    LogIn();
    const QString file = m_files.filePath("walked.xml");
    QCOMPARE(Export(file), QStringList{"The export is done."});
    m_device->Command("offline 60");
    const quint64 sent = m_device->RequestsReceived();
    ModalScript script({ModalScript::Accept()});
    m_window->OnImport();
    QTRY_VERIFY(m_device->RequestsReceived() > sent);
    bool workerGone = false;
    connect(m_window->CurrentPages().Find(PageKey::GPIO), &QObject::destroyed, this,
            [&] { workerGone = !m_window->Worker()->isRunning(); });
    m_device->Command("offline 0");
    m_device->Command("model 50000");
    QCOMPARE(m_window->ConnectWithoutDialog(kDevice, 0, "admin"), QString());
    QCOMPARE(m_window->ProductType(), 50000);
    QVERIFY(workerGone);
}

// "Auto" moves the receiver to a free port while the dialog is open; when the
// operator cancels, it listens again where the device still sends.
void TestApp::autoThenCancelKeepsListening()
{
    LogIn();
    QVERIFY(!UdpBinds(INADDR_ANY, kNotifyPort));  // the receiver holds the device's port
    ModalScript script({[](QWidget *w) {
        Child<QCheckBox>(w, "checkBoxAuto1")->setChecked(true);
        qobject_cast<QDialog *>(w)->reject();
    }});
    m_window->OnAddDestIP();
    QVERIFY(script.Done());
    QVERIFY(!UdpBinds(INADDR_ANY, kNotifyPort));
    QVERIFY(StatusLine().isEmpty());
}

void TestApp::deadDeviceLetsGo_data()
{
    QTest::addColumn<bool>("closeWindow");
    QTest::newRow("disconnect") << false;
    QTest::newRow("close the window") << true;
}

// Against a device that stopped answering, with the poll and the version
// read in flight on the two workers (up to 4 s each), neither Disconnect nor
// closing the window waits on the network, and the workers end at once.
void TestApp::deadDeviceLetsGo()
{
    QFETCH(bool, closeWindow);
    OpenWindow(RealTimeOut);
    LogIn();
    m_device->Command("offline 60");
    const quint64 before = m_device->RequestsReceived();
    m_window->Worker()->SetPoll({&CmdThread::PollGpio, 3000});
    QElapsedTimer versionCheck;
    versionCheck.start();
    m_window->OnMatchVersion();
    QVERIFY2(versionCheck.elapsed() < 50, "the version check waited on the network");
    // One exchange on the wire; the other waits for it.
    QTRY_VERIFY(m_device->RequestsReceived() >= before + 1);
    QVERIFY(m_window->Worker()->isRunning());

    QElapsedTimer clock;
    qint64 elapsed = -1;
    if (closeWindow) {
        clock.start();
        m_window.reset();
        elapsed = clock.elapsed();
    } else {
        ModalScript script({[&clock](QWidget *w) {
            clock.start();
            ModalScript::Button(QMessageBox::Yes)(w);
        }});
        m_window->OnDisConnect();
        elapsed = clock.elapsed();
        QVERIFY(script.Done());
        QVERIFY(m_window->Link().IsOffline());
        QVERIFY(m_window->Form().actionConnect->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(
            !m_window->Worker()->isRunning() && !m_window->Monitor()->isRunning(), 100);
    }
    QVERIFY2(elapsed < 100, qPrintable(QStringLiteral("%1 ms").arg(elapsed)));
    m_device->Command("offline 0");
}

void TestApp::receiverProblemsAreSaid_data()
{
    QTest::addColumn<QString>("console");
    QTest::addColumn<bool>("takePort");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("why");
    QTest::newRow("all well") << "" << false << int(kNotifyPort) << "";
    QTest::newRow("destinations unreadable") << "fault reject 57 1" << false << int(kNotifyPort)
                                             << "the device did not report where it sends them";
    QTest::newRow("no port") << "" << false << 0 << "the device sends them to no port";
    QTest::newRow("port taken")
        << "" << true << int(kNotifyPort)
        << "cannot be opened on this computer; choose another with \"Device "
           "> Add Dest IP...\".";
    QTest::newRow("this computer in neither destination")
        << "destination 127.0.0.9" << false << int(kNotifyPort)
        << ") is in neither of the device's notification destinations; add it with \"Device > "
           "Add Dest IP...\".";
}

// When alarm notifications cannot arrive, the status bar and the log say so.
void TestApp::receiverProblemsAreSaid()
{
    QFETCH(QString, console);
    QFETCH(bool, takePort);
    QFETCH(int, port);
    QFETCH(QString, why);
    const bool moved = console.startsWith("destination ");
    const quint32 elsewhere = QHostAddress(console.section(' ', 1)).toIPv4Address();
    m_device->WithModel([&](DeviceModel &m) {
        m.notifyPort[0] = static_cast<quint16>(port);
        m.notifyIp[0] = moved ? elsewhere : m.notifyIp[0];
        return 0;
    });
    if (!moved && !console.isEmpty()) {
        m_device->Command(console);
    }
    UdpSocket squatter;
    if (takePort) {
        QVERIFY(squatter.Open() && squatter.Bind(0, kNotifyPort));
    }
    QList<AlarmInfo> logs;
    connect(m_window.get(), &cfg::AddLogs, this, [&logs](AlarmInfo info) { logs << info; });
    LogIn();
    const QString shown = StatusLine();
    if (why.isEmpty()) {
        QVERIFY2(shown.isEmpty(), qPrintable(shown));
        QVERIFY(logs.isEmpty());
        QVERIFY(!UdpBinds(INADDR_ANY, kNotifyPort));  // the receiver holds it
    } else {
        QVERIFY2(shown.startsWith("Alarm notifications will not arrive: ") && shown.contains(why),
                 qPrintable(shown));
        QCOMPARE(logs.size(), 1);
        QCOMPARE(logs[0].notes, shown);
    }
}

void TestApp::receiverPortChoice_data()
{
    QTest::addColumn<bool>("firstIsHere");
    QTest::addColumn<bool>("secondIsHere");
    QTest::addColumn<int>("listensOn");
    QTest::newRow("destination 1 names this computer") << true << false << 0;
    QTest::newRow("destination 2 names this computer") << false << true << 1;
    QTest::newRow("both do") << true << true << 0;
    QTest::newRow("neither does") << false << false << 0;
}

// The receiver listens on the port of the destination that names this
// computer's address on the device's subnet, else on destination 1's.
void TestApp::receiverPortChoice()
{
    QFETCH(bool, firstIsHere);
    QFETCH(bool, secondIsHere);
    QFETCH(int, listensOn);
    QString local;
    for (const QString &address : m_client->LocalAddresses()) {
        if (address.startsWith(QLatin1String("127."))) {  // the device's 127/8
            local = address;
            break;
        }
    }
    quint32 here = 0;
    QVERIFY(ParseAddress(local, &here));
    const quint32 elsewhere = TestLoopback();
    const quint16 ports[2] = {FreeUdpPort(), FreeUdpPort()};
    m_device->WithModel([&](DeviceModel &m) {
        m.notifyIp[0] = firstIsHere ? here : elsewhere;
        m.notifyIp[1] = secondIsHere ? here : elsewhere;
        m.notifyPort[0] = ports[0];
        m.notifyPort[1] = ports[1];
        return 0;
    });
    LogIn();
    QVERIFY(!UdpBinds(INADDR_ANY, ports[listensOn]));
    QVERIFY(UdpBinds(INADDR_ANY, ports[1 - listensOn]));
}

// The version check reads the firmware between the liveness probes, which
// keep their 3-second rhythm (the probe pause is the product's own here).
void TestApp::probeRhythm()
{
    LogIn();
    QueuedSpy alive(m_window->Monitor(), &UpdateThread::IsAlive);
    QueuedSpy version(m_window->Monitor(), &UpdateThread::VersionRead);
    QVERIFY(alive.wait(4000));
    QElapsedTimer clock;
    clock.start();
    m_window->OnMatchVersion();
    QVERIFY(version.wait(1000));
    QCOMPARE(version.last().value(1).toString(), QLatin1String(kProgramVersion));
    QVERIFY(clock.elapsed() < 500);
    QVERIFY(alive.wait(4000));
    const qint64 gap = clock.elapsed();
    QVERIFY2(gap > 2800 && gap < 3500, qPrintable(QStringLiteral("%1 ms").arg(gap)));
}

QVT_APP_TEST_MAIN(TestApp)

#include "tst_app.moc"
