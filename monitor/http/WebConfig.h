#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

// How the HTTP side is reached from the station's network: TLS and
// passwords, read from the web configuration file that Prometheus's
// exporters take (--web.config.file), so that a station keeps one such file
// for its node exporter and for this service:
//
//   tls_server_config:
//     cert_file: /etc/qvt-monitord/tls/server.crt   # relative: to the file's folder
//     key_file: /etc/qvt-monitord/tls/server.key
//     min_version: TLS12             # TLS10, TLS11, TLS12 (default), TLS13
//     client_auth_type: NoClientCert # RequestClientCert, RequireAnyClientCert,
//                                    # VerifyClientCertIfGiven, RequireAndVerifyClientCert
//     client_ca_file: ca.crt         # for the two that verify
//   basic_auth_users:
//     prometheus: $2y$10$...         # bcrypt, as htpasswd -nBC 10 makes it
//
// The exporters' keys this service does not apply (http_server_config,
// max_version, cipher_suites, curve_preferences, prefer_server_cipher_suites)
// are read and named in `ignored`; client_allowed_sans, which would narrow
// who gets in, and any other key are errors, as unknown keys are for the
// exporters. RequireClientCert is taken as RequireAnyClientCert.
struct WebConfig {
    enum class ClientAuth { None, Request, RequireAny, VerifyIfGiven, RequireAndVerify };

    bool tls = false;
    QString certFile;  // absolute paths
    QString keyFile;
    QString clientCaFile;
    int minVersion = 0x0303;  // OpenSSL's number of the lowest TLS version taken
    ClientAuth clientAuth = ClientAuth::None;
    QHash<QString, QByteArray> users;  // name -> bcrypt hash; none: no password asked
    QStringList ignored;

    bool Secured() const { return tls || !users.isEmpty(); }
};

// Reads `path` into `config`. False with the reason, naming the file: not
// YAML, an unknown key, a bad value, a certificate or key that cannot be
// read, a hash that is no bcrypt hash, or password hashes in a file that
// other users may read (its group may).
bool ReadWebConfig(const QString &path, WebConfig *config, QString *error);
