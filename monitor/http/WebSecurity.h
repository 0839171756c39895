#pragma once

#include "WebConfig.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <mutex>

// The web configuration's TLS and passwords as the HTTP server applies them,
// with OpenSSL (libssl) and the system's crypt (libxcrypt's bcrypt): no
// cryptography of ours.
namespace WebSecurity {

// Sets up civetweb's SSL_CTX: certificate chain, key, lowest version and the
// client certificates asked for. False with the reason.
bool ConfigureTls(void *sslContext, const WebConfig &config, QString *why);

}  // namespace WebSecurity

// Checks a request's "Authorization: Basic ..." against the bcrypt hashes.
// bcrypt costs tens of milliseconds on purpose; a scrape every few seconds
// must not, so a pair once found good is remembered (as the exporters do),
// by a SHA-256 of user, password and hash, never the password itself.
// Thread-safe: the server's workers call it at once.
class BasicAuth final
{
public:
    explicit BasicAuth(const QHash<QString, QByteArray> &users) : m_users(users) {}

    bool Required() const { return !m_users.isEmpty(); }
    // Whether the header value lets the request through.
    bool Allows(const char *authorization);

private:
    const QHash<QString, QByteArray> m_users;
    std::mutex m_lock;
    QHash<QByteArray, bool> m_known;  // key: SHA-256 of user, password and hash
};
