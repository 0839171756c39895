#include "MonitorConfigFile.h"

#include "MonitorChecks.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QUrl>

#include <sys/stat.h>

using MonitorCheck::Quoted;

namespace {
// Far more than any station needs; a bigger file is a wrong path.
constexpr qint64 kMaxConfigBytes = 1 << 20;
constexpr qint64 kMaxPasswordBytes = 4096;

const QStringList kGlobalKeys = {
    QStringLiteral("listen"),  QStringLiteral("notify-port"), QStringLiteral("logs"),
    QStringLiteral("poll"),    QStringLiteral("user"),        QStringLiteral("snapshot"),
    QStringLiteral("journal"), QStringLiteral("down-after"),  QStringLiteral("web-config-file"),
    QStringLiteral("agentx")};
const QStringList kDeviceKeys = {QStringLiteral("address"), QStringLiteral("user"),
                                 QStringLiteral("password"), QStringLiteral("password-file")};

struct Content {
    QByteArray bytes;
    mode_t mode = 0;
};

// A whole regular file and its permission bits, both from the one open
// file, so the bits judged are those of the bytes read. Empty on success,
// else the reason.
QString ReadWhole(const QString &path, qint64 limit, Content *content)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return file.errorString();
    }
    struct stat status {};
    if (fstat(file.handle(), &status) != 0 || !S_ISREG(status.st_mode)) {
        return QStringLiteral("not a regular file");
    }
    content->bytes = file.read(limit + 1);
    if (content->bytes.size() > limit) {
        return QStringLiteral("larger than %1 bytes").arg(limit);
    }
    content->mode = status.st_mode & 07777;
    return QString();
}

// As ssh judges a private key: a secret must not be readable by every user.
// The group may read it, so that a service's group can.
QString TooOpen(const QString &path, mode_t mode)
{
    if ((mode & S_IROTH) == 0) {
        return QString();
    }
    return QStringLiteral("other users can read it (mode %1); chmod o-r %2")
        .arg(mode, 4, 8, QLatin1Char('0'))
        .arg(path);
}

class Reader
{
public:
    Reader(const QString &path, const QProcessEnvironment &env, int userOverride,
           const MonitorConfig &start)
        : m_path(path), m_env(env), m_userOverride(userOverride), m_config(start)
    {
        m_config.devices.clear();
    }

    bool Read(QString *error);
    const MonitorConfig &Config() const { return m_config; }

private:
    struct Section {
        MonitorDevice device;
        int line = 0;
        int passwordLine = 0;  // of password or password-file
        bool ownUser = false;
        QHash<QString, int> keys;  // each key given, and its line
    };

    bool Fail(int line, const QString &why);
    bool Line(int number, const QString &text);
    bool Header(int number, const QString &inner);
    bool Global(int number, const QString &key, const QString &value);
    bool DeviceKey(int number, const QString &key, const QString &value);
    bool PasswordFile(int number, const QString &path);
    bool Close();
    // Paths in the file are taken from the file's directory, so that a
    // service's files can sit together whatever its working directory.
    QString Resolve(const QString &path) const
    {
        return QDir::isAbsolutePath(path)
                   ? path
                   : QDir::cleanPath(QFileInfo(m_path).absoluteDir().filePath(path));
    }

    const QString m_path;
    const QProcessEnvironment &m_env;
    const int m_userOverride;
    MonitorConfig m_config;
    mode_t m_mode = 0;
    QString m_error;
    QHash<QString, int> m_globalKeys;
    bool m_inSection = false;
    Section m_section;
    QVector<int> m_nameLines;     // per device of m_config
    QVector<int> m_addressLines;  // per device of m_config
};

bool Reader::Fail(int line, const QString &why)
{
    m_error = QStringLiteral("%1:%2: %3").arg(m_path).arg(line).arg(why);
    return false;
}

bool Reader::Read(QString *error)
{
    Content content;
    const QString unread = ReadWhole(m_path, kMaxConfigBytes, &content);
    if (!unread.isEmpty()) {
        *error = m_path + QStringLiteral(": ") + unread;
        return false;
    }
    m_mode = content.mode;
    // As some editors begin a UTF-8 file.
    if (content.bytes.startsWith("\xEF\xBB\xBF")) {
        content.bytes.remove(0, 3);
    }
    const QList<QByteArray> lines = content.bytes.split('\n');
    for (int i = 0; i < lines.size(); ++i) {
        if (!Line(i + 1, QString::fromUtf8(lines[i]))) {
            *error = m_error;
            return false;
        }
    }
    if (m_inSection && !Close()) {
        *error = m_error;
        return false;
    }
    return true;
}

bool Reader::Line(int number, const QString &line)
{
    // Comments are whole lines only, so that a password may hold # or ;.
    const QString text = line.trimmed();
    if (text.isEmpty() || text.startsWith(QLatin1Char('#')) || text.startsWith(QLatin1Char(';'))) {
        return true;
    }
    if (text.startsWith(QLatin1Char('['))) {
        if (!text.endsWith(QLatin1Char(']'))) {
            return Fail(number, QStringLiteral("a section header ends with \"]\""));
        }
        return Header(number, text.mid(1, text.size() - 2).simplified());
    }
    const int equals = text.indexOf(QLatin1Char('='));
    if (equals < 0) {
        // Not quoted back: the line may be a password mistyped.
        return Fail(number,
                    QStringLiteral("expected \"key = value\", \"[device NAME]\" or a comment"));
    }
    const QString key = text.left(equals).trimmed();
    const QString value = text.mid(equals + 1).trimmed();
    const bool global = kGlobalKeys.contains(key);
    const bool device = kDeviceKeys.contains(key);
    if (!global && !device) {
        return Fail(number, QStringLiteral("unknown key %1").arg(Quoted(key)));
    }
    if (m_inSection && !device) {
        return Fail(number, QStringLiteral("%1 is a global setting: put it before the first "
                                           "[device NAME] section")
                                .arg(Quoted(key)));
    }
    if (!m_inSection && !global) {
        return Fail(number,
                    QStringLiteral("%1 belongs in a [device NAME] section").arg(Quoted(key)));
    }
    QHash<QString, int> &keys = m_inSection ? m_section.keys : m_globalKeys;
    if (keys.contains(key)) {
        return Fail(number,
                    QStringLiteral("%1 is already set on line %2").arg(Quoted(key)).arg(keys[key]));
    }
    keys.insert(key, number);
    if (value.isEmpty()) {
        return Fail(number, QStringLiteral("no value for %1").arg(Quoted(key)));
    }
    return m_inSection ? DeviceKey(number, key, value) : Global(number, key, value);
}

bool Reader::Header(int number, const QString &inner)
{
    if (m_inSection && !Close()) {
        return false;
    }
    const QStringList words = inner.split(QLatin1Char(' '));
    if (words.size() != 2 || words[0] != QLatin1String("device")) {
        return Fail(number, QStringLiteral("unknown section %1: devices are [device NAME]")
                                .arg(Quoted(QLatin1Char('[') + inner + QLatin1Char(']'))));
    }
    const QString name = words[1];
    const QString bad = MonitorCheck::DeviceName(name);
    if (!bad.isEmpty()) {
        return Fail(number, bad);
    }
    const int named = MonitorCheck::NameTaken(m_config.devices, name);
    if (named >= 0) {
        return Fail(number, QStringLiteral("device %1 is already on line %2")
                                .arg(Quoted(name))
                                .arg(m_nameLines[named]));
    }
    m_section = Section();
    m_section.device.name = name;
    m_section.line = number;
    m_inSection = true;
    return true;
}

bool Reader::Global(int number, const QString &key, const QString &value)
{
    QString bad;
    if (key == QLatin1String("listen")) {
        bad = MonitorCheck::Listen(key, value, &m_config.listenAddress, &m_config.listenPort);
    } else if (key == QLatin1String("notify-port")) {
        bad = MonitorCheck::NotifyPort(key, value, &m_config.notifyPort);
    } else if (key == QLatin1String("poll")) {
        bad = MonitorCheck::Poll(key, value, &m_config.pollSeconds);
    } else if (key == QLatin1String("down-after")) {
        bad = MonitorCheck::DownAfter(key, value, &m_config.downAfterSeconds);
    } else if (key == QLatin1String("user")) {
        bad = MonitorCheck::User(key, value, &m_config.defaultUser);
    } else if (key == QLatin1String("snapshot")) {
        bad = MonitorCheck::Snapshot(key, value, &m_config.snapshotMinutes);
    } else if (key == QLatin1String("journal")) {
        // A server's URL as it is; a file from this file's directory.
        const bool url = value.contains(QLatin1String("://"));
        const QString open = TooOpen(m_path, m_mode);
        if (url && !QUrl(value).password().isEmpty() && !open.isEmpty()) {
            return Fail(number, QStringLiteral("journal holds a password and ") + open);
        }
        m_config.journal = url ? value : Resolve(value);
    } else if (key == QLatin1String("web-config-file")) {
        m_config.webConfigFile = Resolve(value);
    } else if (key == QLatin1String("agentx")) {
        // A socket's path, or net-snmp's tcp:HOST:PORT form, as it is.
        m_config.agentx = value;
    } else {
        m_config.logsDir = Resolve(value);
    }
    return bad.isEmpty() || Fail(number, bad);
}

bool Reader::DeviceKey(int number, const QString &key, const QString &value)
{
    MonitorDevice &device = m_section.device;
    if (key == QLatin1String("address")) {
        const QString bad = MonitorCheck::DeviceAddress(value, &device.address);
        if (!bad.isEmpty()) {
            return Fail(number, bad);
        }
        const int taken = MonitorCheck::AddressTaken(m_config.devices, device.address);
        if (taken >= 0) {
            return Fail(number, QStringLiteral("address %1 is already device %2's (line %3)")
                                    .arg(device.address, Quoted(m_config.devices[taken].name))
                                    .arg(m_addressLines[taken]));
        }
        return true;
    }
    if (key == QLatin1String("user")) {
        m_section.ownUser = true;
        const QString bad = MonitorCheck::User(key, value, &device.user);
        return bad.isEmpty() || Fail(number, bad);
    }
    if (m_section.passwordLine != 0) {
        return Fail(number, QStringLiteral("password and password-file are both set (line %1)")
                                .arg(m_section.passwordLine));
    }
    m_section.passwordLine = number;
    if (key == QLatin1String("password-file")) {
        return PasswordFile(number, Resolve(value));
    }
    const QString open = TooOpen(m_path, m_mode);
    if (!open.isEmpty()) {
        return Fail(number, QStringLiteral("this file holds a password and ") + open);
    }
    device.password = value;
    return true;
}

bool Reader::PasswordFile(int number, const QString &path)
{
    Content content;
    QString bad = ReadWhole(path, kMaxPasswordBytes, &content);
    if (bad.isEmpty()) {
        bad = TooOpen(path, content.mode);
    }
    QByteArray &bytes = content.bytes;
    // One line, as `echo` or an editor leaves it.
    if (bad.isEmpty() && bytes.endsWith('\n')) {
        bytes.chop(bytes.endsWith("\r\n") ? 2 : 1);
    }
    if (bad.isEmpty() && bytes.contains('\n')) {
        bad = QStringLiteral("more than one line");
    }
    if (bad.isEmpty() && bytes.isEmpty()) {
        bad = QStringLiteral("empty");
    }
    if (!bad.isEmpty()) {
        return Fail(number, QStringLiteral("password file %1: %2").arg(path, bad));
    }
    m_section.device.password = QString::fromUtf8(bytes);
    return true;
}

bool Reader::Close()
{
    m_inSection = false;
    MonitorDevice &device = m_section.device;
    const QString name = Quoted(device.name);
    if (device.address.isEmpty()) {
        return Fail(m_section.line, QStringLiteral("device %1 has no address").arg(name));
    }
    if (m_section.passwordLine == 0 &&
        !MonitorCheck::EnvironmentPassword(m_env, &device.password)) {
        return Fail(m_section.line, QStringLiteral("device %1 has no password: set password "
                                                   "or password-file, or $QVT_PASSWORD")
                                        .arg(name));
    }
    if (!m_section.ownUser) {
        device.user = m_userOverride >= 0 ? m_userOverride : m_config.defaultUser;
    }
    m_config.devices.append(device);
    m_nameLines.append(m_section.line);
    m_addressLines.append(m_section.keys.value(QStringLiteral("address")));
    return true;
}
}  // namespace

bool MergeMonitorConfigFile(const QString &path, const QProcessEnvironment &env, int userOverride,
                            MonitorConfig *out, QString *error)
{
    Reader reader(path, env, userOverride, *out);
    if (!reader.Read(error)) {
        return false;
    }
    *out = reader.Config();
    return true;
}
