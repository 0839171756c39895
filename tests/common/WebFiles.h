#pragma once

// What a test needs to reach qvt-monitord over HTTPS with a password: a
// certificate authority of its own and a server certificate for one
// loopback address, made with the openssl program; a bcrypt hash made with
// the system's crypt (link "crypt"); and the exporters' web configuration
// file naming them.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>

#include <crypt.h>

#include <memory>

namespace WebFiles {

// ca.crt, server.crt and server.key in `dir`, the server's for `ip`.
// Empty on success, else what openssl said.
inline QString MakeCertificates(const QString &dir, const QString &ip)
{
    const QDir d(dir);
    const QList<QStringList> steps = {
        {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj", "/CN=qvt test CA",
         "-keyout", d.filePath("ca.key"), "-out", d.filePath("ca.crt")},
        {"req", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=" + ip, "-keyout",
         d.filePath("server.key"), "-out", d.filePath("server.csr")},
        {"x509", "-req", "-days", "2", "-in", d.filePath("server.csr"), "-CA", d.filePath("ca.crt"),
         "-CAkey", d.filePath("ca.key"), "-CAcreateserial", "-extfile", d.filePath("san.ext"),
         "-out", d.filePath("server.crt")},
    };
    QFile san(d.filePath("san.ext"));
    if (!san.open(QIODevice::WriteOnly) || san.write("subjectAltName=IP:" + ip.toLatin1()) < 0) {
        return "cannot write " + san.fileName();
    }
    san.close();
    for (const QStringList &step : steps) {
        QProcess openssl;
        openssl.setProcessChannelMode(QProcess::MergedChannels);
        openssl.start("openssl", step);
        if (!openssl.waitForFinished(30000) || openssl.exitCode() != 0) {
            return "openssl " + step.first() + ": " + QString::fromLocal8Bit(openssl.readAll()) +
                   openssl.errorString();
        }
    }
    return QString();
}

// A bcrypt hash of `password`, as htpasswd -nB makes one (cost 5: quick).
inline QByteArray Bcrypt(const QByteArray &password)
{
    char salt[CRYPT_GENSALT_OUTPUT_SIZE] = {};
    auto state = std::make_unique<crypt_data>();
    if (crypt_gensalt_rn("$2b$", 5, nullptr, 0, salt, sizeof salt) == nullptr) {
        return QByteArray();
    }
    const char *hash = crypt_r(password.constData(), salt, state.get());
    return hash != nullptr ? QByteArray(hash) : QByteArray();
}

// web.yml in `dir`: TLS with the certificates above, and `user` with the
// hash of `password`; mode 0640. Its path, or empty.
inline QString WriteConfig(const QString &dir, const QByteArray &user, const QByteArray &password)
{
    QFile file(QDir(dir).filePath("web.yml"));
    const QByteArray text =
        "tls_server_config:\n  cert_file: server.crt\n  key_file: server.key\n"
        "basic_auth_users:\n  " +
        user + ": " + Bcrypt(password) + "\n";
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() ||
        !file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup)) {
        return QString();
    }
    return file.fileName();
}

}  // namespace WebFiles
