// QVT Config: configures and monitors one change-over switch.

#include "Alarm.h"
#include "LanguageConfig.h"
#include "QvtVersion.h"
#include "Settings.h"
#include "UnixSignals.h"
#include "cfg.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDialogButtonBox>
#include <QDir>
#include <QPushButton>
#include <QTextStream>

#include <csignal>
#include <cstring>

namespace {

const char kCheckInstall[] = "check-install";

// --check-install: what a station's IT looks at when the program misbehaves
// after an install. The window is built as at every start, with the stored
// language, but never shown. 0 when both translations load, else 1.
int CheckInstall(cfg &window, const LanguageConfig &language)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    const auto loaded = [](bool ok) {
        return ok ? QStringLiteral("loaded") : QStringLiteral("NOT LOADED");
    };
    QDialogButtonBox buttons(QDialogButtonBox::Cancel);
    out << "QVT Config " << kProgramVersion << '\n'
        << "program:         " << QCoreApplication::applicationFilePath() << '\n'
        << "installed:       "
        << (AlarmCsv::IsInstalled(QCoreApplication::applicationDirPath()) ? "yes"
                                                                          : "no (a build tree)")
        << '\n'
        << "settings:        " << Settings().fileName() << '\n'
        << "language:        " << (language.Language() == 1 ? "Chinese" : "English") << '\n'
        << "translations:    " << QDir::cleanPath(LanguageConfig::Directory()) << '\n'
        << "  cfg_zh.qm:     " << loaded(language.AppTranslationLoaded()) << '\n'
        << "  qt_zh_CN.qm:   " << loaded(language.QtTranslationLoaded()) << '\n'
        << "window title:    " << window.windowTitle() << '\n'
        << "Cancel button:   " << buttons.button(QDialogButtonBox::Cancel)->text() << '\n'
        << "alarm logs:      " << window.AlarmLog()->LogDirectory() << '\n';
    out.flush();
    if (language.AppTranslationLoaded() && language.QtTranslationLoaded()) {
        return 0;
    }
    err << "error: the Chinese translations are missing or incomplete in "
        << QDir::cleanPath(LanguageConfig::Directory())
        << " (cfg_zh.qm, qt_zh_CN.qm and the qtbase_zh_CN.qm and others it names); "
           "reinstall the program.\n";
    return 1;
}
}  // namespace

int main(int argc, char *argv[])
{
    // The options that only print never show a window: they need no display.
    for (int i = 1; i < argc; ++i) {
        for (const char *option :
             {"--check-install", "--help", "-h", "--help-all", "--version", "-v"}) {
            if (std::strcmp(argv[i], option) == 0 &&
                qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
                qputenv("QT_QPA_PLATFORM", "offscreen");
            }
        }
    }
    QApplication app(argc, argv);
    QApplication::setApplicationVersion(QString::fromLatin1(kProgramVersion));
    QGuiApplication::setDesktopFileName(QStringLiteral("qvt-config"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Configures and monitors one QVT change-over switch. Without options, opens the window."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption(
        {QString::fromLatin1(kCheckInstall),
         QStringLiteral("Checks the installation without a display: starts as usual with the "
                        "stored language, builds the main window without showing it, prints its "
                        "title, the translation directory in use, a translated standard button "
                        "and the alarm log directory, and exits with 0, or with 1 when the "
                        "translations are not found.")});
    const QCommandLineOption journal(
        QStringLiteral("journal"),
        QStringLiteral("Writes the change journal to URL: a SQLite file's path or a "
                       "postgresql:// URL, in place of the JournalLocation setting (empty: "
                       "the default file)."),
        QStringLiteral("URL"));
    parser.addOption(journal);
    const QCommandLineOption station(
        QStringLiteral("station"),
        QStringLiteral("Opens the station window on the qvt-monitord at URL "
                       "(http://host:port or https://host:port), in place of the one it "
                       "last read."),
        QStringLiteral("URL"));
    parser.addOption(station);
    parser.process(app);

    // A desktop that ends the session (SIGTERM, or SIGHUP with the terminal)
    // quits through the event loop, so the alarm log's backup is written.
    UnixSignals ending({SIGTERM, SIGHUP});
    QObject::connect(&ending, &UnixSignals::Received, &app, &QCoreApplication::quit);
    if (!ending.IsActive()) {
        QTextStream(stderr) << "qvt-config: SIGTERM and SIGHUP end the program without writing "
                               "the alarm log's backup (no socket pair).\n";
    }

    auto *language = new LanguageConfig;
    // Translators go in before any window text is built.
    language->SetLanguage(Settings().Language());
    WindowOptions options;
    options.journalLocation = parser.value(journal);
    options.stationUrl = parser.value(station);
    cfg window(std::move(options));
    window.SetLanguageConfig(language);
    if (parser.isSet(QString::fromLatin1(kCheckInstall))) {
        return CheckInstall(window, *language);
    }
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &window, &cfg::OnAboutToQuit);
    window.show();
    if (parser.isSet(station)) {
        window.OnStation();
    }
    return app.exec();
}
