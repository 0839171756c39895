#include "WebSecurity.h"

#include <QCryptographicHash>
#include <QFile>

#include <crypt.h>
#include <openssl/err.h>
#include <openssl/ssl.h>

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

// A hash nobody's password matches, for a user that does not exist: the
// answer takes as long as for one that does.
const char kNobody[] = "$2b$10$btb6zzimZsSCUUpunDy2AOtMaY3toCMvunXZNgValsFRGXJmvqQOC";

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

bool BasicAuth::Allows(const char *authorization)
{
    if (!Required()) {
        return true;
    }
    const QByteArray header(authorization != nullptr ? authorization : "");
    if (!header.startsWith("Basic ")) {
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
    const QByteArray hash = found != m_users.cend() ? found.value() : QByteArray(kNobody);
    QCryptographicHash key(QCryptographicHash::Sha256);
    key.addData(pair);
    key.addData("\n", 1);
    key.addData(hash);
    const QByteArray known = key.result();
    {
        std::lock_guard<std::mutex> lock(m_lock);
        const auto cached = m_known.constFind(known);
        if (cached != m_known.cend()) {
            return cached.value();
        }
    }
    // crypt_r's state is large (tens of KiB): on the heap, one per check.
    auto state = std::make_unique<crypt_data>();
    const char *result = crypt_r(password.constData(), hash.constData(), state.get());
    const bool good = found != m_users.cend() && result != nullptr && SameBytes(result, hash);
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_known.size() > 1000) {
        m_known.clear();  // a client trying many passwords fills no memory
    }
    m_known.insert(known, good);
    return good;
}
