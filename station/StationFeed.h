#pragma once

#include "StationDevices.h"

#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QObject>
#include <QSslConfiguration>
#include <QTimer>
#include <QUrl>

class QNetworkReply;

// Where the station's qvt-monitord is and how to reach it.
struct StationAccess {
    QUrl url;  // the service's base (http[s]://host:port) or its device list
    QString user;
    QString password;
    QString caFile;  // PEM; empty: the system's certificate authorities
};

// Reads the service's device list once a second, one request at a time and
// never waiting on the user-interface thread: a slow or silent service only
// delays the next answer, which is given up after a few seconds.
class StationFeed final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(StationFeed)

public:
    static constexpr int kIntervalMs = 1000;
    static constexpr int kTimeoutMs = 4000;
    // A device list of 1,000 switches is about 300 KiB: more is not one.
    static constexpr qint64 kMaxAnswerBytes = 16 << 20;

    explicit StationFeed(QObject *parent = nullptr);
    ~StationFeed() override;

    // Reads from `access` from now on, at once and then every second. Empty
    // on success, else why it cannot (a URL or a CA file it cannot use).
    QString Start(const StationAccess &access);
    void Stop();
    bool IsRunning() const { return m_timer.isActive(); }
    // The device list's own URL, as read.
    QUrl ListUrl() const { return m_request.url(); }

signals:
    // `readMs`: from the request to the whole answer.
    void Updated(const QVector<StationDevice> &devices, double readMs);
    void Failed(const QString &why);

private:
    void Fetch();
    void OnFinished();

    QNetworkAccessManager m_http;
    QNetworkRequest m_request;
    QTimer m_timer;
    QNetworkReply *m_reply = nullptr;  // the request in flight
    QElapsedTimer m_sent;
};
