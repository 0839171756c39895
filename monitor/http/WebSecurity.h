#pragma once

#include "WebConfig.h"

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

typedef struct ssl_ctx_st SSL_CTX;

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
// by a SHA-256 of user, password and hash, never the password itself. Wrong
// ones are not remembered, so that many cannot push a good one out, and
// are checked one at a time, so that a client guessing cannot take every
// processor. Thread-safe: the server's workers call it at once.
class BasicAuth final
{
public:
    explicit BasicAuth(const QHash<QString, QByteArray> &users);

    bool Required() const { return !m_users.isEmpty(); }
    // Whether the header value lets the request through.
    bool Allows(const char *authorization);

private:
    const QHash<QString, QByteArray> m_users;
    // For an unknown user: a hash of the first user's cost, so that its
    // answer takes as long.
    QByteArray m_nobody;
    std::mutex m_lock;         // m_known
    QSet<QByteArray> m_known;  // SHA-256 of user, password and hash, found good
    std::mutex m_checking;     // one bcrypt at a time
};

// Cuts off every TLS connection that lasts longer than a deadline from the
// start of its handshake, however slowly its client keeps sending: the
// HTTPS library's time-out counts from the last byte, so a client that
// sends one now and then would hold a worker for ever. The connection is
// known by its socket from the handshake's start to the freeing of its TLS
// state (just before the socket is closed), so a socket number is never
// shut down once another file may have it.
class TlsDeadlines final
{
public:
    explicit TlsDeadlines(std::chrono::milliseconds deadline);
    ~TlsDeadlines();
    TlsDeadlines(const TlsDeadlines &) = delete;
    TlsDeadlines &operator=(const TlsDeadlines &) = delete;

    // Watches the connections of `context`'s TLS states from now on.
    void Install(SSL_CTX *context);
    // Connections cut off so far.
    int CutOff() const;

private:
    static void OnInfo(const struct ssl_st *ssl, int where, int ret);
    static void OnFree(void *parent, void *pointer, struct crypto_ex_data_st *data, int index,
                       long argument, void *self);
    void Watch();

    const std::chrono::milliseconds m_deadline;
    int m_index = -1;  // of the socket number kept in each TLS state
    mutable std::mutex m_lock;
    std::condition_variable m_wake;
    bool m_stop = false;
    int m_cutOff = 0;
    std::map<int, std::chrono::steady_clock::time_point> m_open;  // socket -> its deadline
    std::thread m_thread;
};
