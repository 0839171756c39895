#include "../common/AppSession.h"
#include "NetworkProperty.h"
#include "NotificationDest.h"

#include <QCheckBox>
#include <QHostAddress>

// The Device menu's dialogs against the simulator: the network settings, the
// passwords and the notification destinations, each read from the device,
// checked, written and reported; and addresses half typed into them.
class TestDialogs : public QObject, protected AppSession
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(StartSimulator()); }
    void init() { OpenFreshWindow(); }
    void cleanup() { CloseWindow(); }

    void networkValidation_data();
    void networkValidation();
    void networkFlow();
    void passwordFlows();
    void destinationFlows();
    void halfTypedAddresses_data();
    void halfTypedAddresses();
};

void TestDialogs::networkValidation_data()
{
    QTest::addColumn<QString>("ip");
    QTest::addColumn<QString>("mask");
    QTest::addColumn<QString>("gateway");
    QTest::addColumn<QString>("problem");
    const auto row = [](const char *name, const char *ip, const char *mask, const char *gateway,
                        const QString &problem) {
        QTest::newRow(name) << QString(ip) << QString(mask) << QString(gateway) << problem;
    };
    const QString badIp = "The IP address is invalid.";
    const QString badMask = "The subnet mask is invalid.";
    row("good", "192.168.1.10", "255.255.255.0", "192.168.1.1", "");
    row("mask /30 accepted", "192.168.1.9", "255.255.255.252", "", "");
    row("address 0", "0.0.0.0", "255.255.255.0", "", badIp);
    row("address broadcast", "255.255.255.255", "255.255.255.0", "", badIp);
    row("mask with a hole", "192.168.1.10", "255.255.0.255", "", badMask);
    row("mask 0", "192.168.1.10", "0.0.0.0", "", badMask);
    row("mask all ones", "192.168.1.10", "255.255.255.255", "", badMask);
    row("host part zero", "192.168.1.0", "255.255.255.0", "", badIp);
    row("host part all ones", "192.168.1.255", "255.255.255.0", "", badIp);
    row("gateway elsewhere", "192.168.1.10", "255.255.255.0", "192.168.2.1",
        "The IP address and gateway should not be in different network segment.");
    row("empty gateway", "10.0.0.5", "255.0.0.0", "", "");
}

void TestDialogs::networkValidation()
{
    QFETCH(QString, ip);
    QFETCH(QString, mask);
    QFETCH(QString, gateway);
    QFETCH(QString, problem);
    QCOMPARE(NetworkProperty::Problem(QHostAddress(ip).toIPv4Address(),
                                      QHostAddress(mask).toIPv4Address(),
                                      QHostAddress(gateway).toIPv4Address()),
             problem);
}

void TestDialogs::networkFlow()
{
    LogIn();
    auto fill = [](const QString &ip, const QString &mask) {
        return [=](QWidget *w) {
            Child<QLineEdit>(w, "lineEditIP")->setText(ip);
            Child<QLineEdit>(w, "lineEditSubnetMask")->setText(mask);
            Child<QPushButton>(w, "pushButtonOk")->click();
        };
    };
    {
        // An invalid mask keeps the dialog open; this computer's own address
        // is refused and the dialog comes back; then a good one is stored.
        ModalScript script({fill("127.0.0.50", "255.0.255.0"), ModalScript::Accept(),
                            fill("127.0.0.1", "255.0.0.0"), ModalScript::Accept(),
                            fill("127.0.0.50", "255.0.0.0"), ModalScript::Accept()});
        m_window->OnNetworkProperty();
        QVERIFY(script.Done());
        QCOMPARE(script.messages,
                 (QStringList{"The subnet mask is invalid.", "The IP address is invalid.",
                              "The new IP address will be used after reboot."}));
        QCOMPARE(Settings().value("IP").toString(), QStringLiteral("127.0.0.50"));
    }
    {
        // A device that refuses the change: nothing is stored, nothing promised.
        m_device->Command("fault reject 25 1");
        ModalScript script({fill("127.0.0.60", "255.0.0.0"), ModalScript::Accept()});
        m_window->OnNetworkProperty();
        QCOMPARE(script.messages, QStringList{"Fail to set the network parameters."});
        QCOMPARE(Settings().value("IP").toString(), QStringLiteral("127.0.0.50"));
    }
    m_device->Command("fault clear");
    m_client->SetNetParam(kDevice, "255.0.0.0", "127.0.0.1");
}

void TestDialogs::passwordFlows()
{
    LogIn();
    auto change = [](int user, const QString &a, const QString &b) {
        return [=](QWidget *w) {
            Child<QComboBox>(w, "comboBoxUser")->setCurrentIndex(user);
            Child<QLineEdit>(w, "lineEditNewPassword")->setText(a);
            Child<QLineEdit>(w, "lineEditComfirmPassword")->setText(b);
            Child<QPushButton>(w, "pushButtonOk")->click();
        };
    };
    {
        ModalScript script({change(1, "", "x"), ModalScript::Accept(), change(1, "abc", "abd"),
                            ModalScript::Accept(), change(1, "g2", "g2"), ModalScript::Accept()});
        m_window->OnChangePassword();
        QVERIFY(script.Done());
        QCOMPARE(script.messages, (QStringList{"The password should not be blank.",
                                               "The two passwords are mismatched.",
                                               "The password has been changed."}));
        // The guest's new password takes; the admin session is untouched.
        QCOMPARE(m_window->Link().Password(), QStringLiteral("admin"));
        QVERIFY(m_device->Command("status").contains("login yes"));
    }
    {
        ModalScript script({change(0, "adm2", "adm2"), ModalScript::Accept()});
        m_window->OnChangePassword();
        QCOMPARE(m_window->Link().Password(), QStringLiteral("adm2"));
        // The client logged in again with it: a read still works.
        quint32 mode = 0;
        QCOMPARE(m_client->GetWorkMode(mode), 0);
    }
    {
        m_device->Command("fault reject 27 1");
        ModalScript script({change(1, "x", "x"), ModalScript::Accept(), ModalScript::Reject()});
        m_window->OnChangePassword();
        QCOMPARE(script.messages, QStringList{"The password is not changed."});
    }
    m_device->Command("fault clear");
    m_client->ModifyPassword("admin", "admin");
    m_client->ModifyPassword("guest", "guest");
}

void TestDialogs::destinationFlows()
{
    // Port texts are held to 40000..65535 when a field is left, and also when
    // OK is pressed while a field still has the focus.
    QCOMPARE(NotificationDest::ClampPort("80"), quint16(40000));
    QCOMPARE(NotificationDest::ClampPort("70000"), quint16(65535));
    QCOMPARE(NotificationDest::ClampPort("99999999999999999999"), quint16(65535));
    QCOMPARE(NotificationDest::ClampPort(""), quint16(40000));
    QCOMPARE(NotificationDest::ClampPort("40123"), quint16(40123));

    LogIn();
    auto fill = [](const QString &ip1, const QString &port1, const QString &ip2,
                   const QString &port2) {
        return [=](QWidget *w) {
            Child<QLineEdit>(w, "lineEditIP1")->setText(ip1);
            Child<QLineEdit>(w, "lineEditPort1")->setText(port1);
            Child<QLineEdit>(w, "lineEditIP2")->setText(ip2);
            Child<QLineEdit>(w, "lineEditPort2")->setText(port2);
            Child<QPushButton>(w, "pushButtonOk")->click();
        };
    };
    {
        ModalScript script({fill("127.0.7.1", "40001", "127.0.7.1", "40001"), ModalScript::Accept(),
                            fill("127.0.7.1", "80", "", "70000")});
        m_window->OnAddDestIP();
        QVERIFY(script.Done());
        QCOMPARE(script.messages, QStringList{"The two Ports should be different."});
        QStringList ips;
        QVector<quint16> ports;
        QCOMPARE(m_client->GetNotificationDest(ips, ports), 0);
        QCOMPARE(ips, (QStringList{"127.0.7.1", "0.0.0.0"}));
        QCOMPARE(ports, (QVector<quint16>{40000, 65535}));
    }
    {
        // "Auto" on destination 2 takes this computer's address and a free
        // port, and puts destination 1 back as the device had it.
        QString autoIp, autoPort, ip1;
        ModalScript script({[&](QWidget *w) {
            Child<QLineEdit>(w, "lineEditIP1")->setText("127.0.7.2");
            Child<QCheckBox>(w, "checkBoxAuto1")->setChecked(true);
            Child<QCheckBox>(w, "checkBoxAuto2")->setChecked(true);
            QVERIFY(!Child<QCheckBox>(w, "checkBoxAuto1")->isChecked());
            ip1 = Child<QLineEdit>(w, "lineEditIP1")->text();
            autoIp = Child<QLineEdit>(w, "lineEditIP2")->text();
            autoPort = Child<QLineEdit>(w, "lineEditPort2")->text();
            QVERIFY(!Child(w, "lineEditIP2")->isEnabled());
            Child<QPushButton>(w, "pushButtonOk")->click();
        }});
        m_window->OnAddDestIP();
        QVERIFY(script.Done());
        QCOMPARE(ip1, QStringLiteral("127.0.7.1"));
        QVERIFY(autoIp.startsWith("127."));
        QVERIFY(autoPort.toInt() >= 40000);
    }
}

void TestDialogs::halfTypedAddresses_data()
{
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    const auto row = [](const char *name, const char *dialog, const char *field, const char *text,
                        const QString &message = "The IP address is invalid.") {
        QTest::newRow(name) << QString(dialog) << QString(field) << QString(text) << message;
    };
    row("login, three octets", "login", "lineEditIP", "127.0.50");
    row("login, a leading zero", "login", "lineEditIP", "127.0.0.01");
    row("network, three octets", "network", "lineEditIP", "127.0.50");
    row("network, mask cut short", "network", "lineEditSubnetMask", "255.0.0",
        "The subnet mask is invalid.");
    row("network, gateway cut short", "network", "lineEditGateway", "127.0.0.",
        "The IP address and gateway should not be in different network segment.");
    row("destination 1", "destination", "lineEditIP1", "10.1");
    row("destination 2", "destination", "lineEditIP2", "127.0.0.");
}

// Half-typed addresses are refused with the field's message; nothing is
// widened into another address, written to the device or stored.
void TestDialogs::halfTypedAddresses()
{
    QFETCH(QString, dialog);
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QString, message);
    Settings().setValue("IP", kDevice);
    if (dialog != QLatin1String("login")) {
        LogIn();
    }
    const auto device = [this] {
        return m_device->WithModel([](DeviceModel &m) {
            return QVector<quint32>{m.ip,          m.mask,          m.gateway,      m.notifyIp[0],
                                    m.notifyIp[1], m.notifyPort[0], m.notifyPort[1]};
        });
    };
    const QVector<quint32> before = device();
    ModalScript script({[=](QWidget *w) {
                            if (dialog == QLatin1String("login")) {
                                Child<QLineEdit>(w, "lineEditPassword")->setText("admin");
                            }
                            Child<QLineEdit>(w, qPrintable(field))->setText(text);
                            Child<QPushButton>(w, "pushButtonOk")->click();
                        },
                        ModalScript::Accept(), ModalScript::Reject()});
    if (dialog == QLatin1String("login")) {
        m_window->OnConnect();
    } else if (dialog == QLatin1String("network")) {
        m_window->OnNetworkProperty();
    } else {
        m_window->OnAddDestIP();
    }
    QVERIFY(script.Done());
    QCOMPARE(script.messages, QStringList{message});
    QCOMPARE(device(), before);
    QCOMPARE(Settings().value("IP").toString(), kDevice);
    QCOMPARE(m_window->Link().IsOffline(), dialog == QLatin1String("login"));
}

QVT_APP_TEST_MAIN(TestDialogs)

#include "tst_dialogs.moc"
