#include "WebSecurity.h"

#include <QCryptographicHash>
#include <QFile>

#include <crypt.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <sys/socket.h>

#include <memory>

namespace {

QString OpenSslError()
{
    const unsigned long code = ERR_get_error();
    if (code == 0) {
        return QStringLiteral("unknown OpenSSL error");
    }
    char text[256] = {};
    ERR_error_string_n(code, text, sizeof text);
    ERR_clear_error();
    return QString::fromLatin1(text);
}

// For the client authentication types that ask for a certificate without
// checking it.
int AcceptAny(int, X509_STORE_CTX *)
{
    return 1;
}

// The index of the TlsDeadlines a context's states report to.
int g_contextIndex = -1;
std::once_flag g_contextIndexOnce;

bool SameBytes(const char *a, const QByteArray &b)
{
    const size_t size = qstrlen(a);
    if (size != size_t(b.size())) {
        return false;
    }
    unsigned char differ = 0;
    for (size_t i = 0; i < size; ++i) {
        differ |= static_cast<unsigned char>(a[i] ^ b[int(i)]);
    }
    return differ == 0;
}

}  // namespace

bool WebSecurity::ConfigureTls(void *sslContext, const WebConfig &config, QString *why)
{
    auto *context = static_cast<SSL_CTX *>(sslContext);
    const QByteArray cert = QFile::encodeName(config.certFile);
    const QByteArray key = QFile::encodeName(config.keyFile);
    if (SSL_CTX_use_certificate_chain_file(context, cert.constData()) != 1) {
        *why = QStringLiteral("cert_file %1: %2").arg(config.certFile, OpenSslError());
        return false;
    }
    if (SSL_CTX_use_PrivateKey_file(context, key.constData(), SSL_FILETYPE_PEM) != 1 ||
        SSL_CTX_check_private_key(context) != 1) {
        *why = QStringLiteral("key_file %1: %2").arg(config.keyFile, OpenSslError());
        return false;
    }
    if (SSL_CTX_set_min_proto_version(context, config.minVersion) != 1) {
        *why = QStringLiteral("min_version: %1").arg(OpenSslError());
        return false;
    }
    using Auth = WebConfig::ClientAuth;
    int mode = SSL_VERIFY_NONE;
    switch (config.clientAuth) {
        case Auth::None:
            break;
        case Auth::Request:
        case Auth::VerifyIfGiven:
            mode = SSL_VERIFY_PEER;
            break;
        case Auth::RequireAny:
        case Auth::RequireAndVerify:
            mode = SSL_VERIFY_PEER | SSL_VERIFY_FAIL_IF_NO_PEER_CERT;
            break;
    }
    const bool verifies =
        config.clientAuth == Auth::VerifyIfGiven || config.clientAuth == Auth::RequireAndVerify;
    if (verifies) {
        const QByteArray ca = QFile::encodeName(config.clientCaFile);
        STACK_OF(X509_NAME) *names = SSL_load_client_CA_file(ca.constData());
        if (SSL_CTX_load_verify_locations(context, ca.constData(), nullptr) != 1 ||
            names == nullptr) {
            *why = QStringLiteral("client_ca_file %1: %2").arg(config.clientCaFile, OpenSslError());
            return false;
        }
        SSL_CTX_set_client_CA_list(context, names);
    }
    SSL_CTX_set_verify(context, mode, verifies ? nullptr : &AcceptAny);
    return true;
}

BasicAuth::BasicAuth(const QHash<QString, QByteArray> &users) : m_users(users)
{
    if (m_users.isEmpty()) {
        return;
    }
    // "$2b$10$...": the cost is the two digits after the second '$'.
    const QByteArray first = m_users.cbegin().value();
    char salt[CRYPT_GENSALT_OUTPUT_SIZE] = {};
    auto state = std::make_unique<crypt_data>();
    if (crypt_gensalt_rn(first.left(4).constData(), first.mid(4, 2).toULong(), nullptr, 0, salt,
                         sizeof salt) != nullptr) {
        const char *hash = crypt_r("nobody has this password", salt, state.get());
        m_nobody = hash != nullptr && hash[0] == '$' ? QByteArray(hash) : first;
    } else {
        m_nobody = first;
    }
}

bool BasicAuth::Allows(const char *authorization)
{
    if (!Required()) {
        return true;
    }
    const QByteArray header(authorization != nullptr ? authorization : "");
    // The scheme's name in any case (RFC 7617).
    if (header.left(6).toLower() != "basic ") {
        return false;
    }
    const QByteArray pair = QByteArray::fromBase64(header.mid(6).trimmed());
    const int colon = pair.indexOf(':');
    if (colon <= 0) {
        return false;
    }
    const QString user = QString::fromUtf8(pair.left(colon));
    const QByteArray password = pair.mid(colon + 1);
    const auto found = m_users.constFind(user);
    const QByteArray hash = found != m_users.cend() ? found.value() : m_nobody;
    QCryptographicHash key(QCryptographicHash::Sha256);
    key.addData(pair);
    key.addData("\n", 1);
    key.addData(hash);
    const QByteArray known = key.result();
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_known.contains(known)) {
            return true;
        }
    }
    bool good = false;
    {
        std::lock_guard<std::mutex> one(m_checking);
        // crypt_r's state is large (tens of KiB): on the heap.
        auto state = std::make_unique<crypt_data>();
        const char *result = crypt_r(password.constData(), hash.constData(), state.get());
        good = found != m_users.cend() && result != nullptr && SameBytes(result, hash);
    }
    if (good) {
        std::lock_guard<std::mutex> lock(m_lock);
        m_known.insert(known);
    }
    return good;
}

TlsDeadlines::TlsDeadlines(std::chrono::milliseconds deadline) : m_deadline(deadline)
{
    std::call_once(g_contextIndexOnce, [] {
        g_contextIndex = SSL_CTX_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
    });
    m_index = SSL_get_ex_new_index(0, this, nullptr, nullptr, &TlsDeadlines::OnFree);
    m_thread = std::thread([this] { Watch(); });
}

TlsDeadlines::~TlsDeadlines()
{
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_stop = true;
    }
    m_wake.notify_all();
    m_thread.join();
    CRYPTO_free_ex_index(CRYPTO_EX_INDEX_SSL, m_index);
}

void TlsDeadlines::Install(SSL_CTX *context)
{
    SSL_CTX_set_ex_data(context, g_contextIndex, this);
    SSL_CTX_set_info_callback(context, &TlsDeadlines::OnInfo);
}

int TlsDeadlines::CutOff() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_cutOff;
}

void TlsDeadlines::OnInfo(const SSL *ssl, int where, int)
{
    if ((where & SSL_CB_HANDSHAKE_START) == 0) {
        return;
    }
    auto *self =
        static_cast<TlsDeadlines *>(SSL_CTX_get_ex_data(SSL_get_SSL_CTX(ssl), g_contextIndex));
    if (self == nullptr || SSL_get_ex_data(ssl, self->m_index) != nullptr) {
        return;  // not ours, or watched since its first handshake
    }
    const int socket = SSL_get_fd(ssl);
    if (socket < 0) {
        return;
    }
    SSL_set_ex_data(const_cast<SSL *>(ssl), self->m_index, new int(socket));
    std::lock_guard<std::mutex> lock(self->m_lock);
    self->m_open[socket] = std::chrono::steady_clock::now() + self->m_deadline;
}

void TlsDeadlines::OnFree(void *, void *pointer, CRYPTO_EX_DATA *, int, long, void *self)
{
    auto *socket = static_cast<int *>(pointer);
    if (socket == nullptr) {
        return;
    }
    auto *deadlines = static_cast<TlsDeadlines *>(self);
    {
        std::lock_guard<std::mutex> lock(deadlines->m_lock);
        deadlines->m_open.erase(*socket);
    }
    delete socket;
}

void TlsDeadlines::Watch()
{
    std::unique_lock<std::mutex> lock(m_lock);
    while (!m_stop) {
        m_wake.wait_for(lock, std::chrono::milliseconds(200));
        const auto now = std::chrono::steady_clock::now();
        for (auto i = m_open.begin(); i != m_open.end();) {
            if (i->second <= now) {
                // The worker's wait for the next byte ends, and with it the
                // connection; the socket stays open until the worker closes it.
                ::shutdown(i->first, SHUT_RDWR);
                ++m_cutOff;
                i = m_open.erase(i);
            } else {
                ++i;
            }
        }
    }
}
