// QVT Config: configures and monitors one change-over switch.

#include "CfgNetClient.h"
#include "LanguageConfig.h"
#include "Settings.h"
#include "cfg.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    auto *client = new CfgNetClient;
    auto *language = new LanguageConfig;
    // Translators go in before any window text is built.
    language->SetLanguage(Settings().value(QStringLiteral("Language"), 0).toInt());
    cfg window(client);
    window.SetLanguageConfig(language);
    window.show();
    return app.exec();
}
