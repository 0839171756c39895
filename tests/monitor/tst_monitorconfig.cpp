#include "../common/Files.h"
#include "MonitorConfig.h"

#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

namespace {
// The file alone, as the service reads it: --config and nothing else.
bool ReadFile(const QString &path, const QProcessEnvironment &env, MonitorConfig *out,
              QString *error)
{
    return ParseMonitorArguments({"--config", path}, env, out, error) == MonitorStart::Run;
}

const QByteArray kDevice = "[device a]\naddress = 10.0.0.1\n";

QProcessEnvironment Env(const QStringList &variables)
{
    QProcessEnvironment env;
    env.insert(QStringLiteral("HOME"), QStringLiteral("/home/op"));
    for (const QString &variable : variables) {
        env.insert(variable.section(QLatin1Char('='), 0, 0), variable.section('=', 1));
    }
    return env;
}

// The whole configuration on one line, to compare with a table's.
QString Summary(const MonitorConfig &c)
{
    const auto user = [](int index) { return index == kMonitorGuest ? "guest" : "admin"; };
    QString text =
        QStringLiteral("%1:%2 %3 ").arg(c.listenAddress).arg(c.listenPort).arg(c.notifyPort);
    text += QStringLiteral("%1 %2 %3").arg(c.logsDir, user(c.defaultUser)).arg(c.pollSeconds);
    if (c.downAfterSeconds != kMonitorDownAfter) {
        text += QStringLiteral(" down-after %1").arg(c.downAfterSeconds);
    }
    if (c.snapshotMinutes != kMonitorSnapshotMinutes || !c.journal.isEmpty()) {
        text += QStringLiteral(" snapshot %1 journal %2").arg(c.snapshotMinutes).arg(c.journal);
    }
    for (const MonitorDevice &d : c.devices) {
        text += QStringLiteral(" | %1 %2 %3 %4").arg(d.name, d.address, user(d.user), d.password);
    }
    return text;
}
}  // namespace

// The configuration file and the command line: what they give, and each
// refusal with its message.
class TestMonitorConfig : public QObject
{
    Q_OBJECT

private slots:
    void badFile_data();
    void badFile();
    void permissions_data();
    void permissions();
    void arguments_data();
    void arguments();
    void helpAndVersion();
    void example();

private:
    // `content` as dir/monitord.conf with `mode`; %1 in `text` becomes its
    // path, %2 the directory.
    QString Write(const QByteArray &content, int mode = 0600, const char *name = "monitord.conf");
    QString Paths(QString text)
    {
        return text.replace("%1", m_dir.filePath("monitord.conf")).replace("%2", m_dir.path());
    }

    QTemporaryDir m_dir;
};

QString TestMonitorConfig::Write(const QByteArray &content, int mode, const char *name)
{
    QFile::remove(m_dir.filePath(name));  // a row may have left it read-only
    const QString path = WriteFile(m_dir.filePath(name), content);
    chmod(path.toLocal8Bit().constData(), static_cast<mode_t>(mode));
    return path;
}

void TestMonitorConfig::badFile_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("error");
    const auto row = [](const char *name, const QByteArray &content, const QByteArray &error) {
        QTest::newRow(name) << content << QString::fromUtf8(error);
    };
    const QByteArray rule = "\": 1 to 64 of A-Z a-z 0-9 . _ -, not starting with \".\"";
    row("unknown key", "[device a]\nadress = 10.0.0.1\n", "%1:2: unknown key \"adress\"");
    row("device key outside", "password = x\n",
        "%1:1: \"password\" belongs in a [device NAME] section");
    row("global key inside", kDevice + "poll = 2\n",
        "%1:3: \"poll\" is a global setting: put it before the first [device NAME] section");
    row("key twice", "poll = 1\n\n poll=2\n", "%1:3: \"poll\" is already set on line 1");
    row("no value", "logs =\n", "%1:1: no value for \"logs\"");
    row("not key = value", "# ok\nlisten 127.0.0.1:1\n",
        "%1:2: expected \"key = value\", \"[device NAME]\" or a comment");
    row("unknown section", "[studio]\n",
        "%1:1: unknown section \"[studio]\": devices are [device NAME]");
    row("open header", "[device a\n", "%1:1: a section header ends with \"]\"");
    row("name with a dot first", "[device .a]\n", "%1:1: bad device name \".a" + rule);
    row("name with a slash", "[device a/b]\n", "%1:1: bad device name \"a/b" + rule);
    row("name too long", "[device " + QByteArray(65, 'x') + "]\n",
        "%1:1: bad device name \"" + QByteArray(65, 'x') + rule);
    row("name twice", kDevice + "[device a]\n", "%1:3: device \"a\" is already on line 1");
    row("address twice", kDevice + "[device b]\naddress = 010.0.0.1\n",
        "%1:4: address 10.0.0.1 is already device \"a\"'s (line 2)");
    row("bad address", "[device a]\naddress = 10.0.0\n", "%1:2: \"10.0.0\" is not an IPv4 address");
    row("multicast", "[device a]\naddress = 224.0.0.1\n", "%1:2: 224.0.0.1 is not a host address");
    row("this network", "[device a]\naddress = 0.0.0.0\n", "%1:2: 0.0.0.0 is not a host address");
    row("no address", "[device a]\nuser = admin\n[device b]\n",
        "%1:1: device \"a\" has no address");
    row("unknown user", "user = root\n", "%1:1: user is guest or admin, not \"root\"");
    row("poll too fast", "poll = 0.1\n", "%1:1: poll is seconds from 0.2 to 3600, not \"0.1\"");
    row("poll exponent", "poll = 1e1\n", "%1:1: poll is seconds from 0.2 to 3600, not \"1e1\"");
    row("notify port low", "notify-port = 8080\n",
        "%1:1: notify-port is a port from 40000 to 65535, not \"8080\"");
    row("listen port 65536", "listen = 127.0.0.1:65536\n",
        "%1:1: listen is IPv4:PORT, the port 0 (any free one) to 65535, not \"127.0.0.1:65536\"");
    row("both passwords", kDevice + "password = x\npassword-file = p\n",
        "%1:4: password and password-file are both set (line 3)");
    row("password file missing", kDevice + "password-file = none\n",
        "%1:3: password file %2/none: No such file or directory");
    row("password file empty", kDevice + "password-file = empty.pass\n",
        "%1:3: password file %2/empty.pass: empty");
    row("password file of two lines", kDevice + "password-file = two.pass\n",
        "%1:3: password file %2/two.pass: more than one line");
    row("no password", kDevice,
        "%1:1: device \"a\" has no password: set password or password-file, or $QVT_PASSWORD");
    row("no device", "poll = 1\n",
        "%1: no device: add a [device NAME] section, or give --device NAME=IPv4");
}

void TestMonitorConfig::badFile()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, error);
    Write("", 0600, "empty.pass");
    Write("one\ntwo\n", 0600, "two.pass");
    MonitorConfig config;
    QString message;
    const bool password = QLatin1String(QTest::currentDataTag()) != "no password";
    const QStringList env = password ? QStringList{"QVT_PASSWORD=x"} : QStringList();
    QVERIFY(!ReadFile(Write(content), Env(env), &config, &message));
    QCOMPARE(message, Paths(error));
    QVERIFY(config.devices.isEmpty());
}

void TestMonitorConfig::permissions_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QByteArray>("password");
    QTest::addColumn<QString>("error");
    const auto row = [](const char *name, int mode, const char *password, const char *error) {
        QTest::newRow(name) << mode << QByteArray(password) << QString::fromUtf8(error);
    };
    row("0644 with a password", 0644, "password = x",
        "%1:3: this file holds a password and other users can read it (mode 0644); chmod o-r %1");
    row("0604 with a password", 0604, "password = x",
        "%1:3: this file holds a password and other users can read it (mode 0604); chmod o-r %1");
    row("0600 with a password", 0600, "password = x", "");
    row("0400 with a password", 0400, "password = x", "");
    row("0640 with a password", 0640, "password = x", "");
    row("0644 without one", 0644, "", "");
    row("password file 0644", 0600, "password-file = open.pass",
        "%1:3: password file %2/open.pass: other users can read it (mode 0644); chmod o-r "
        "%2/open.pass");
    row("password file 0640", 0644, "password-file = shut.pass", "");
    row("journal URL with a password, 0644", 0644, "journal = postgresql://j:pw@db/journal",
        "%1:1: journal holds a password and other users can read it (mode 0644); chmod o-r %1");
    row("journal URL with a password, 0640", 0640, "journal = postgresql://j:pw@db/journal", "");
    row("journal URL without one, 0644", 0644, "journal = postgresql://j@db/journal", "");
}

void TestMonitorConfig::permissions()
{
    QFETCH(int, mode);
    QFETCH(QByteArray, password);
    QFETCH(QString, error);
    Write("y\n", 0644, "open.pass");
    Write("x\r\n", 0640, "shut.pass");
    MonitorConfig config;
    QString message;
    // The journal is a global setting, before the device.
    const QByteArray content =
        password.startsWith("journal") ? password + '\n' + kDevice : kDevice + password;
    const bool read = ReadFile(Write(content, mode), Env({"QVT_PASSWORD=x"}), &config, &message);
    QCOMPARE(message, error.isEmpty() ? QString() : Paths(error));
    QCOMPARE(read, error.isEmpty());
    QCOMPARE(read ? config.devices.value(0).password : QString(), read ? "x" : "");
}

void TestMonitorConfig::arguments_data()
{
    QTest::addColumn<QByteArray>("file");  // passed as --config when not empty
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("env");
    QTest::addColumn<QString>("expected");  // Summary, or the refusal
    const auto row = [](const char *name, const QByteArray &file, const char *arguments,
                        const char *env, const QString &expected) {
        const auto words = [](const char *text) {
            return QString::fromUtf8(text).split(' ', Qt::SkipEmptyParts);
        };
        QTest::newRow(name) << file << words(arguments) << words(env) << expected;
    };
    const QByteArray file =
        "\xEF\xBB\xBFlisten = 0.0.0.0:9100\nnotify-port = 41000\nlogs = logs\npoll = 2.5\nuser = "
        "guest\n"
        "[device a]\naddress = 10.0.0.1\npassword = p\n[device b]\naddress = 10.0.0.2\n"
        "user = guest\n";
    const QString ofFile =
        "0.0.0.0:9100 41000 %2/logs guest 2.5 | a 10.0.0.1 guest p | b 10.0.0.2 guest e";
    const QString quick = "127.0.0.1:9731 40000 %3 guest 1 | a 10.0.0.1 guest e";
    const char *pw = "QVT_PASSWORD=e";
    row("quick start", "", "--device a=10.0.0.1 --device=b.2=127.0.0.2", pw,
        QString(quick).replace("%3", "/home/op/.local/share/qvt-monitord") +
            " | b.2 127.0.0.2 guest e");
    row("$STATE_DIRECTORY", "", "--device a=10.0.0.1", "QVT_PASSWORD=e STATE_DIRECTORY=/v/m:/x",
        QString(quick).replace("%3", "/v/m"));
    row("$XDG_DATA_HOME", "", "--device a=10.0.0.1", "QVT_PASSWORD=e XDG_DATA_HOME=/d",
        QString(quick).replace("%3", "/d/qvt-monitord"));
    row("the file", file, "", pw, ofFile);
    row("options over the file", file,
        "--listen 127.0.0.2:1 --notify-port 65535 --logs l --poll 0.2 --user admin", pw,
        "127.0.0.2:1 65535 l admin 0.2 | a 10.0.0.1 admin p | b 10.0.0.2 guest e");
    row("snapshot and journal",
        "snapshot = 0.5\njournal = j.sqlite\n[device a]\naddress = 10.0.0.1\n", "", pw,
        QString(quick)
            .replace("%3", "/home/op/.local/share/qvt-monitord")
            .replace(" 1 |", " 1 snapshot 0.5 journal %2/j.sqlite |"));
    row("--snapshot 0 and a server", "",
        "--snapshot 0 --journal postgresql://h/j --device a=10.0.0.1", pw,
        QString(quick)
            .replace("%3", "/home/op/.local/share/qvt-monitord")
            .replace(" 1 |", " 1 snapshot 0 journal postgresql://h/j |"));
    row("down-after, the option over the file",
        "down-after = 9.5\n[device a]\naddress = 10.0.0.1\n", "--down-after 20", pw,
        QString(quick)
            .replace("%3", "/home/op/.local/share/qvt-monitord")
            .replace(" 1 |", " 1 down-after 20 |"));
    row("bad --down-after", "", "--down-after 0 --device a=10.0.0.1", pw,
        "--down-after is seconds from 0.1 to 3600, not \"0\"");
    row("bad --snapshot", "", "--snapshot 1e3 --device a=10.0.0.1", pw,
        "--snapshot is minutes from 0.01 to 10080, or 0 for none, not \"1e3\"");
    row("--device after the file", file, "--device c=10.0.0.3", pw,
        ofFile + " | c 10.0.0.3 guest e");
    row("no device", "", "", pw,
        "no device: give --config FILE or --device NAME=IPv4 (see qvt-monitord --help)");
    row("no device in the file", "poll = 1\n", "", pw,
        "%1: no device: add a [device NAME] section, or give --device NAME=IPv4");
    row("file refused", "poll = 9999\n", "", pw,
        "%1:1: poll is seconds from 0.2 to 3600, not \"9999\"");
    row("missing file", "", "--config /nonexistent", pw, "/nonexistent: No such file or directory");
    row("--device without =", "", "--device a", pw, "--device a: expected NAME=IPv4");
    row("--device bad address", "", "--device a=1.2.3.256", pw,
        "--device a=1.2.3.256: \"1.2.3.256\" is not an IPv4 address");
    row("--device name of the file", file, "--device b=10.0.0.9", pw,
        "--device b=10.0.0.9: device \"b\" is already in %1");
    row("--device name twice", "", "--device a=10.0.0.1 --device a=10.0.0.2", pw,
        "--device a=10.0.0.2: device \"a\" is already given");
    row("--device address twice", file, "--device c=10.0.0.2", pw,
        "--device c=10.0.0.2: address 10.0.0.2 is already device \"b\"'s");
    row("--device without password", "", "--device a=10.0.0.1", "",
        "--device a=10.0.0.1: no password: set $QVT_PASSWORD");
    row("bad --user", "", "--user root", pw, "--user is guest or admin, not \"root\"");
    row("bad --listen", "", "--listen localhost:80", pw,
        "--listen is IPv4:PORT, the port 0 (any free one) to 65535, not \"localhost:80\"");
    row("empty --config", "", "--config=", pw, "--config is empty");
    row("--poll twice", "", "--poll 1 --poll 2", pw,
        "--poll is given twice (see qvt-monitord --help)");
    row("unknown option", "", "--verbose", pw,
        "Unknown option 'verbose'. (see qvt-monitord --help)");
    row("operand", "", "x", pw, "unexpected argument \"x\" (see qvt-monitord --help)");
}

void TestMonitorConfig::arguments()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, env);
    QFETCH(QString, expected);
    if (!file.isEmpty()) {
        arguments << "--config" << Write(file);
    }
    MonitorConfig config;
    QString text;
    const MonitorStart start = ParseMonitorArguments(arguments, Env(env), &config, &text);
    QCOMPARE(start == MonitorStart::Run ? Summary(config) : text, Paths(expected));
}

void TestMonitorConfig::helpAndVersion()
{
    MonitorConfig config;
    QString text;
    QCOMPARE(ParseMonitorArguments({"--help"}, Env({}), &config, &text), MonitorStart::Help);
    QVERIFY(text.startsWith("usage: qvt-monitord [--config FILE]"));
    QCOMPARE(ParseMonitorArguments({"--version"}, Env({}), &config, &text), MonitorStart::Version);
    QVERIFY(text.startsWith("qvt-monitord 1."));
}

// The example the package ships stays a good file.
void TestMonitorConfig::example()
{
    QFile example(QStringLiteral(QVT_MONITORD_EXAMPLE));
    QVERIFY(example.open(QIODevice::ReadOnly));
    Write("secret\n", 0640, "studio-a.pass");
    MonitorConfig config;
    QString error;
    QVERIFY2(ReadFile(Write(example.readAll(), 0640), Env({}), &config, &error), qPrintable(error));
    QCOMPARE(Summary(config),
             "127.0.0.1:9731 40000 /var/lib/qvt-monitord guest 1 | studio-a-main 10.20.0.11 guest "
             "secret | studio-a-backup 10.20.0.12 guest secret");
}

QTEST_GUILESS_MAIN(TestMonitorConfig)
#include "tst_monitorconfig.moc"
