#pragma once

#include <QSettings>

// The tool's settings store (organisation "Brelmonti", application "cfg"),
// below the pages so that the window, the alarm log and any program of the
// tool read one store under one set of keys.
class Settings final : public QSettings
{
public:
    Settings() : QSettings(QStringLiteral("Brelmonti"), QStringLiteral("cfg")) {}

    // The keys. "AutoSaveTime" is "hh:mm:ss" text, "AutoSaveEnable" the text
    // "true" or "false", as earlier versions of the tool stored them.
    static constexpr char kLanguage[] = "Language";
    static constexpr char kAddress[] = "IP";  // the last address that logged in
    static constexpr char kProductType[] = "ProductType";
    static constexpr char kAutoSaveTime[] = "AutoSaveTime";
    static constexpr char kAutoSaveEnable[] = "AutoSaveEnable";
    // Where the change journal is written: a SQLite file's path or a
    // postgresql:// URL; empty: the default SQLite file.
    static constexpr char kJournalLocation[] = "JournalLocation";
};
