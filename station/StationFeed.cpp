#include "StationFeed.h"

#include <QNetworkReply>
#include <QSslCertificate>
#include <QSslError>

StationFeed::StationFeed(QObject *parent) : QObject(parent)
{
    m_timer.setInterval(kIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &StationFeed::Fetch);
}

StationFeed::~StationFeed()
{
    Stop();
}

QString StationFeed::Start(const StationAccess &access)
{
    Stop();
    QUrl url = access.url;
    if (!url.isValid() || url.host().isEmpty() ||
        (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https"))) {
        return tr("Enter the service's address as http://host:port or https://host:port.");
    }
    if (!url.path().endsWith(QLatin1String("/api/v1/devices"))) {
        QString path = url.path();
        while (path.endsWith(QLatin1Char('/'))) {
            path.chop(1);
        }
        url.setPath(path + QLatin1String("/api/v1/devices"));
    }
    if (!url.userInfo().isEmpty()) {
        // It would be kept in the settings and shown: the fields keep it apart.
        return tr("Put the user and password in their fields, not in the address.");
    }
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    if (!access.user.isEmpty()) {
        // Sent with every request: the service asks for it on each one.
        request.setRawHeader(
            "Authorization",
            "Basic " + (access.user + QLatin1Char(':') + access.password).toUtf8().toBase64());
    }
    if (url.scheme() == QLatin1String("https")) {
        QSslConfiguration ssl = QSslConfiguration::defaultConfiguration();
        if (!access.caFile.isEmpty()) {
            const QList<QSslCertificate> authorities =
                QSslCertificate::fromPath(access.caFile, QSsl::Pem);
            if (authorities.isEmpty()) {
                return tr("%1 holds no PEM certificate.").arg(access.caFile);
            }
            ssl.setCaCertificates(authorities);
        }
        request.setSslConfiguration(ssl);
    }
    // A kept connection was verified, and let in, under the last access.
    m_http.clearConnectionCache();
    m_http.clearAccessCache();
    m_request = request;
    m_timer.start();
    Fetch();
    return QString();
}

void StationFeed::Stop()
{
    m_timer.stop();
    if (m_reply) {
        QNetworkReply *reply = m_reply;
        m_reply = nullptr;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
}

void StationFeed::Fetch()
{
    if (m_reply) {
        return;  // the last one still runs: no second behind it
    }
    m_sent.start();
    QNetworkReply *reply = m_http.get(m_request);
    m_reply = reply;
    connect(reply, &QNetworkReply::finished, this, &StationFeed::OnFinished);
    // Whatever the service does, an answer is whole within the time-out or
    // given up: the transfer time-out alone waits on a trickle for ever.
    QTimer::singleShot(kTimeoutMs, reply, [reply] {
        reply->setProperty("late", true);
        reply->abort();
    });
    connect(reply, &QNetworkReply::metaDataChanged, reply, [reply] {
        if (reply->header(QNetworkRequest::ContentLengthHeader).toLongLong() > kMaxAnswerBytes) {
            reply->setProperty("tooLarge", true);
            reply->abort();
        }
    });
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64) {
        if (received > kMaxAnswerBytes) {
            reply->setProperty("tooLarge", true);
            reply->abort();
        }
    });
    // An untrusted or mismatched certificate is said as such, not only as
    // a failed handshake.
    connect(reply, &QNetworkReply::sslErrors, reply, [reply](const QList<QSslError> &errors) {
        QStringList why;
        for (const QSslError &error : errors) {
            why << error.errorString();
        }
        why.removeDuplicates();
        reply->setProperty("sslErrors", why.join(QStringLiteral("; ")));
    });
}

void StationFeed::OnFinished()
{
    QNetworkReply *reply = m_reply;
    m_reply = nullptr;
    if (!reply) {
        return;
    }
    reply->deleteLater();
    const double readMs = double(m_sent.nsecsElapsed()) / 1e6;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->property("tooLarge").toBool()) {
        emit Failed(tr("its answer is larger than %1 MiB").arg(kMaxAnswerBytes >> 20));
        return;
    }
    if (status == 401) {
        emit Failed(m_request.hasRawHeader("Authorization")
                        ? tr("it refused the user and password")
                        : tr("it asks for a user and password"));
        return;
    }
    if (reply->error() != QNetworkReply::NoError) {
        const QString ssl = reply->property("sslErrors").toString();
        emit Failed(reply->error() == QNetworkReply::OperationCanceledError ||
                            reply->property("late").toBool()
                        ? tr("no whole answer within %1 s").arg(kTimeoutMs / 1000)
                    : ssl.isEmpty() ? reply->errorString()
                                    : tr("its certificate is refused: %1").arg(ssl));
        return;
    }
    if (status != 200) {
        emit Failed(tr("it answered HTTP %1").arg(status));
        return;
    }
    QString error;
    const QVector<StationDevice> devices = ParseStationDevices(reply->readAll(), &error);
    if (!error.isEmpty()) {
        emit Failed(tr("its answer is not a device list: %1").arg(error));
        return;
    }
    emit Updated(devices, readMs);
}
