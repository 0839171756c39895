#include "WebConfig.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <yaml-cpp/yaml.h>

namespace {

const QStringList kIgnoredTls = {QStringLiteral("max_version"), QStringLiteral("cipher_suites"),
                                 QStringLiteral("curve_preferences"),
                                 QStringLiteral("prefer_server_cipher_suites"),
                                 QStringLiteral("client_allowed_sans")};

QString Text(const YAML::Node &node)
{
    return QString::fromStdString(node.as<std::string>());
}

struct Failure {
    QString why;
};

[[noreturn]] void Fail(const QString &why)
{
    throw Failure{why};
}

void ReadTls(const YAML::Node &tls, const QDir &folder, WebConfig *config)
{
    if (tls.IsNull()) {
        return;  // "tls_server_config:" with nothing under it: no TLS
    }
    if (!tls.IsMap()) {
        Fail(QStringLiteral("tls_server_config is not a mapping"));
    }
    config->tls = true;
    bool authGiven = false;
    for (const auto &item : tls) {
        const QString key = Text(item.first);
        const YAML::Node &value = item.second;
        const auto path = [&] { return QDir::cleanPath(folder.absoluteFilePath(Text(value))); };
        if (key == QLatin1String("cert_file")) {
            config->certFile = path();
        } else if (key == QLatin1String("key_file")) {
            config->keyFile = path();
        } else if (key == QLatin1String("client_ca_file")) {
            config->clientCaFile = path();
        } else if (key == QLatin1String("min_version")) {
            const QStringList versions = {QStringLiteral("TLS10"), QStringLiteral("TLS11"),
                                          QStringLiteral("TLS12"), QStringLiteral("TLS13")};
            const int index = versions.indexOf(Text(value));
            if (index < 0) {
                Fail(QStringLiteral("min_version %1: one of %2")
                         .arg(Text(value), versions.join(QStringLiteral(", "))));
            }
            config->minVersion = 0x0301 + index;
        } else if (key == QLatin1String("client_auth_type")) {
            const QStringList types = {
                QStringLiteral("NoClientCert"), QStringLiteral("RequestClientCert"),
                QStringLiteral("RequireAnyClientCert"), QStringLiteral("VerifyClientCertIfGiven"),
                QStringLiteral("RequireAndVerifyClientCert")};
            // The exporters' older name for RequireAnyClientCert.
            const QString type = Text(value) == QLatin1String("RequireClientCert")
                                     ? QStringLiteral("RequireAnyClientCert")
                                     : Text(value);
            const int index = types.indexOf(type);
            authGiven = true;
            if (index < 0) {
                Fail(QStringLiteral("client_auth_type %1: one of %2")
                         .arg(Text(value), types.join(QStringLiteral(", "))));
            }
            config->clientAuth = static_cast<WebConfig::ClientAuth>(index);
        } else if (key == QLatin1String("client_allowed_sans")) {
            Fail(
                QStringLiteral("tls_server_config.client_allowed_sans is not supported by "
                               "qvt-monitord: it would let in every certificate of the CA"));
        } else if (kIgnoredTls.contains(key)) {
            config->ignored << QStringLiteral("tls_server_config.") + key;
        } else {
            Fail(QStringLiteral("tls_server_config has no key %1").arg(key));
        }
    }
    if (config->certFile.isEmpty() || config->keyFile.isEmpty()) {
        Fail(QStringLiteral("tls_server_config needs both cert_file and key_file"));
    }
    const bool verifies = config->clientAuth == WebConfig::ClientAuth::VerifyIfGiven ||
                          config->clientAuth == WebConfig::ClientAuth::RequireAndVerify;
    if (!config->clientCaFile.isEmpty() && !authGiven) {
        Fail(
            QStringLiteral("client_ca_file is set without client_auth_type: say which client "
                           "certificates to ask for"));
    }
    if (verifies && config->clientCaFile.isEmpty()) {
        Fail(
            QStringLiteral("client_auth_type verifies client certificates: it needs "
                           "client_ca_file"));
    }
    for (const QString &file : {config->certFile, config->keyFile, config->clientCaFile}) {
        QFile check(file);
        if (!file.isEmpty() && !check.open(QIODevice::ReadOnly)) {
            Fail(QStringLiteral("%1: %2").arg(file, check.errorString()));
        }
    }
}

void ReadUsers(const YAML::Node &users, WebConfig *config)
{
    if (users.IsNull()) {
        return;
    }
    if (!users.IsMap()) {
        Fail(QStringLiteral("basic_auth_users is not a mapping of user names to bcrypt hashes"));
    }
    for (const auto &item : users) {
        const QString name = Text(item.first);
        const QByteArray hash = Text(item.second).toLatin1();
        if (name.isEmpty() || name.contains(QLatin1Char(':'))) {
            Fail(QStringLiteral("basic_auth_users: the user name \"%1\" is empty or holds a colon")
                     .arg(name));
        }
        // $2a$, $2b$ or $2y$, a two-digit cost, then 53 characters of salt and hash.
        if (hash.size() != 60 || !hash.startsWith("$2") || hash[3] != '$' || hash[6] != '$') {
            Fail(QStringLiteral("basic_auth_users: the hash of %1 is no bcrypt hash "
                                "(htpasswd -nBC 10 %1 makes one)")
                     .arg(name));
        }
        config->users.insert(name, hash);
    }
}

}  // namespace

bool ReadWebConfig(const QString &path, WebConfig *config, QString *error)
{
    const auto fail = [&](const QString &why) {
        *error = QStringLiteral("web configuration file %1: %2").arg(path, why);
        return false;
    };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return fail(file.errorString());
    }
    struct stat status {};
    if (fstat(file.handle(), &status) != 0 || !S_ISREG(status.st_mode)) {
        return fail(QStringLiteral("not a regular file"));
    }
    const QByteArray bytes = file.read((1 << 20) + 1);
    if (bytes.size() > 1 << 20) {
        return fail(QStringLiteral("larger than 1 MiB"));
    }
    WebConfig read;
    try {
        const YAML::Node root = YAML::Load(bytes.toStdString());
        if (!root.IsNull() && !root.IsMap()) {
            return fail(QStringLiteral("not a mapping of settings"));
        }
        const QDir folder = QFileInfo(path).absoluteDir();
        for (const auto &item : root) {
            const QString key = Text(item.first);
            if (key == QLatin1String("tls_server_config")) {
                ReadTls(item.second, folder, &read);
            } else if (key == QLatin1String("basic_auth_users")) {
                ReadUsers(item.second, &read);
            } else if (key == QLatin1String("http_server_config")) {
                read.ignored << key;
            } else {
                return fail(QStringLiteral("unknown key %1").arg(key));
            }
        }
    } catch (const Failure &failure) {
        return fail(failure.why);
    } catch (const YAML::Exception &e) {
        return fail(QString::fromStdString(e.what()));
    }
    // As ssh judges a private key: hashes of passwords must not be readable
    // by every user; the service's group may read them.
    if (!read.users.isEmpty() && (status.st_mode & S_IROTH) != 0) {
        return fail(QStringLiteral("it holds password hashes and other users can read it (mode "
                                   "%1); chmod o-r %2")
                        .arg(status.st_mode & 07777, 4, 8, QLatin1Char('0'))
                        .arg(path));
    }
    *config = read;
    return true;
}
