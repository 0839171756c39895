#pragma once

#include <QSettings>

// The tool's settings store (organisation "Brelmonti", application "cfg").
class Settings final : public QSettings
{
public:
    Settings() : QSettings(QStringLiteral("Brelmonti"), QStringLiteral("cfg")) {}
};
