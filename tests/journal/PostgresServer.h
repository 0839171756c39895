#pragma once

#include "../common/FreeLoopback.h"

#include <QDir>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <pwd.h>
#include <signal.h>
#include <unistd.h>

// A PostgreSQL server of a test's own: a new cluster in a temporary
// directory, on a free loopback address and port, trusting loopback clients,
// without a Unix socket. The server refuses root, so as root it runs as the
// postgres account (or nobody). It is the test's child and gets SIGINT (a
// fast shutdown) when the test ends, also by a crash (setpriv --pdeathsig).
class PostgresServer final
{
public:
    // The installed server's programs, or empty.
    static QString Programs()
    {
        for (const QString &version : QDir("/usr/lib/postgresql").entryList(QDir::Dirs)) {
            if (QFileInfo::exists("/usr/lib/postgresql/" + version + "/bin/postgres")) {
                return "/usr/lib/postgresql/" + version + "/bin";
            }
        }
        return {};
    }

    ~PostgresServer() { Stop(); }

    bool Start(QString *problem)
    {
        const passwd *account =
            ::getpwnam("postgres") ? ::getpwnam("postgres") : ::getpwnam("nobody");
        if (::getuid() == 0 && account &&
            ::chown(QFile::encodeName(m_dir.path()), account->pw_uid, account->pw_gid) == 0) {
            m_as << "--reuid" << QString::number(account->pw_uid) << "--regid"
                 << QString::number(account->pw_gid) << "--clear-groups";
        }
        QProcess initdb;
        initdb.setWorkingDirectory(m_dir.path());
        initdb.setProcessChannelMode(QProcess::MergedChannels);
        initdb.start("setpriv", m_as + QStringList{"--", Programs() + "/initdb", "-D", Data(), "-A",
                                                   "trust", "-U", "postgres", "--no-locale", "-E",
                                                   "UTF8", "--no-sync"});
        if (!initdb.waitForFinished(30000) || initdb.exitCode() != 0) {
            *problem = "initdb: " + initdb.readAll();
            return false;
        }
        const quint32 address = TestLoopback({});
        m_host = LoopbackText(address);
        m_port = FreeTcpPort(address);
        QFile hba(Data() + "/pg_hba.conf");
        hba.open(QIODevice::Append);
        hba.write("host all all 127.0.0.0/8 trust\n");
        hba.close();
        return Run(problem);
    }

    // The server stopped and started again on the same data, address and port.
    bool Restart(QString *problem)
    {
        Stop();
        return Run(problem);
    }

    void Stop()
    {
        if (m_server.state() != QProcess::NotRunning) {
            ::kill(static_cast<pid_t>(m_server.processId()), SIGINT);
            m_server.waitForFinished(10000);  // else QProcess kills it
        }
    }

    QString Url(const QString &database) const
    {
        return QString("postgresql://postgres:secret@%1:%2/%3")
            .arg(m_host)
            .arg(m_port)
            .arg(database);
    }

    // Runs `statements` on `database` as its administrator, outside any journal.
    bool Sql(const QString &database, const QStringList &statements) const
    {
        bool ok = true;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QPSQL", "admin");
            db.setHostName(m_host);
            db.setPort(m_port);
            db.setUserName("postgres");
            db.setDatabaseName(database);
            ok = db.open();
            for (const QString &sql : statements) {
                ok = ok && QSqlQuery(db).exec(sql);
            }
        }
        QSqlDatabase::removeDatabase("admin");
        return ok;
    }

private:
    QString Data() const { return m_dir.filePath("data"); }

    bool Run(QString *problem)
    {
        m_server.setWorkingDirectory(m_dir.path());
        m_server.setProcessChannelMode(QProcess::MergedChannels);
        m_server.start("setpriv",
                       m_as + QStringList{"--pdeathsig", "INT", "--", Programs() + "/postgres",
                                          "-D", Data(), "-h", m_host, "-p", QString::number(m_port),
                                          "-k", "", "-c", "fsync=off"});
        QByteArray log;
        const bool ended = QTest::qWaitFor(
            [&] {
                log += m_server.readAll();
                return log.contains("ready to accept") || m_server.state() == QProcess::NotRunning;
            },
            20000);
        *problem = "postgres" + QString(ended ? ": " : " not ready in 20 s: ") + log;
        return log.contains("ready to accept");
    }

    QTemporaryDir m_dir;
    QStringList m_as;  // setpriv's options: the server's account when the test runs as root
    QProcess m_server;
    QString m_host;
    quint16 m_port = 0;
};

// In a test function: skips it where PostgreSQL is not installed; else
// declares `server`, a PostgresServer started with the empty database
// `database` (a string literal).
#define QVT_POSTGRES_SERVER(server, database)                                             \
    if (PostgresServer::Programs().isEmpty()) {                                           \
        QTest::qSkip("PostgreSQL is not installed (Debian package postgresql)", __FILE__, \
                     __LINE__);                                                           \
        return;                                                                           \
    }                                                                                     \
    PostgresServer server;                                                                \
    do {                                                                                  \
        QString postgresProblem;                                                          \
        QVERIFY2(server.Start(&postgresProblem), qPrintable(postgresProblem));            \
        QVERIFY(server.Sql("postgres", {"CREATE DATABASE " database}));                   \
    } while (false)
