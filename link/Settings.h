#pragma once

#include <QSettings>
#include <QTime>

#include <optional>

// The tool's settings store (organisation "Brelmonti", application "cfg"),
// below the pages so that the window, the alarm log and any program of the
// tool read one store under one set of keys. Each setting is stated once
// here: its key, its type, its default, and the text it is stored as (that
// of earlier versions of the tool, which read the same store).
class Settings final : public QSettings
{
public:
    Settings() : QSettings(QStringLiteral("Brelmonti"), QStringLiteral("cfg")) {}

    // 0 English, 1 Chinese.
    int Language() const { return value(QStringLiteral("Language"), 0).toInt(); }
    void SetLanguage(int language) { setValue(QStringLiteral("Language"), language); }

    // The last address that logged in; empty before the first.
    QString Address() const { return value(QStringLiteral("IP")).toString(); }
    void SetAddress(const QString &address) { setValue(QStringLiteral("IP"), address); }

    // The model of the last device, whose pages the window opens with; 0: none.
    int ProductType() const { return value(QStringLiteral("ProductType"), 0).toInt(); }
    void SetProductType(int type) { setValue(QStringLiteral("ProductType"), type); }

    // The alarm log's daily automatic file: when ("hh:mm:ss" text) and
    // whether ("true" or "false" text). Absent or unreadable: nullopt, and
    // the caller's default stands.
    std::optional<QTime> AutoSaveTime() const
    {
        const QTime time =
            QTime::fromString(value(QStringLiteral("AutoSaveTime")).toString(), kTimeFormat);
        return time.isValid() ? std::optional<QTime>(time) : std::nullopt;
    }
    void SetAutoSaveTime(const QTime &time)
    {
        setValue(QStringLiteral("AutoSaveTime"), time.toString(kTimeFormat));
    }
    std::optional<bool> AutoSaveEnabled() const
    {
        const QString text = value(QStringLiteral("AutoSaveEnable")).toString();
        return text.isEmpty() ? std::nullopt : std::optional<bool>(text == QLatin1String("true"));
    }
    void SetAutoSaveEnabled(bool enabled)
    {
        setValue(QStringLiteral("AutoSaveEnable"),
                 enabled ? QStringLiteral("true") : QStringLiteral("false"));
    }

    // Where the change journal is written: a SQLite file's path or a
    // postgresql:// URL; empty: the default SQLite file.
    QString JournalLocation() const { return value(QStringLiteral("JournalLocation")).toString(); }

    // The station window: the service it reads (its URL, user, and password
    // only when the user asked for it to be kept; the CA file of its
    // certificate, empty for the system's), and how the window was left.
    QString StationUrl() const { return value(QStringLiteral("StationUrl")).toString(); }
    QString StationUser() const { return value(QStringLiteral("StationUser")).toString(); }
    QString StationPassword() const { return value(QStringLiteral("StationPassword")).toString(); }
    QString StationCaFile() const { return value(QStringLiteral("StationCaFile")).toString(); }
    void SetStationAccess(const QString &url, const QString &user, const QString &password,
                          const QString &caFile)
    {
        setValue(QStringLiteral("StationUrl"), url);
        setValue(QStringLiteral("StationUser"), user);
        if (password.isEmpty()) {
            remove(QStringLiteral("StationPassword"));
        } else {
            setValue(QStringLiteral("StationPassword"), password);
        }
        setValue(QStringLiteral("StationCaFile"), caFile);
    }
    QByteArray StationGeometry() const
    {
        return value(QStringLiteral("StationGeometry")).toByteArray();
    }
    void SetStationGeometry(const QByteArray &geometry)
    {
        setValue(QStringLiteral("StationGeometry"), geometry);
    }
    bool StationCompact() const { return value(QStringLiteral("StationCompact"), false).toBool(); }
    void SetStationCompact(bool compact) { setValue(QStringLiteral("StationCompact"), compact); }
    bool StationProblemsOnly() const
    {
        return value(QStringLiteral("StationProblemsOnly"), false).toBool();
    }
    void SetStationProblemsOnly(bool only)
    {
        setValue(QStringLiteral("StationProblemsOnly"), only);
    }

private:
    static constexpr char kTimeFormat[] = "hh:mm:ss";
};
