#pragma once

// What the main window's tests share: a simulated device, a window with its
// own client, the answers to the login dialog, tree look-ups by page key, and
// a main() with settings of its own. Each area's tests derive their test
// class from AppSession as well as from QObject.

#include "Alarm.h"
#include "CfgNetClient.h"
#include "DeviceSimulator.h"
#include "Files.h"
#include "FreeLoopback.h"
#include "LanguageConfig.h"
#include "ModalScript.h"
#include "Pages.h"
#include "QvtVersion.h"
#include "Settings.h"
#include "cfg.h"

#include <QComboBox>
#include <QDomDocument>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTreeWidgetItemIterator>
#include <QtTest>

#include <functional>
#include <memory>

Q_DECLARE_METATYPE(PageKey)

template <class T = QWidget>
T *Child(QWidget *w, const char *name)
{
    return w->findChild<T *>(QLatin1String(name));
}

// A status lamp's colour: "gray", "green", "red" or "yellow" as the board
// paints it, "form" for the form's own gray, else its style sheet.
inline QString Colour(const QWidget *page, const QString &name)
{
    const auto *lamp = page->findChild<QLabel *>(name);
    const QString sheet = lamp ? lamp->styleSheet() : QStringLiteral("no lamp ") + name;
    for (const char *colour : {"gray", "green", "red", "yellow"}) {
        if (sheet ==
            QStringLiteral("QLabel{border-image: url(:/cfg/Resources/%1.png)}").arg(colour)) {
            return colour;
        }
    }
    return sheet == QLatin1String("border-image: url(:/cfg/Resources/gray.png);") ? "form" : sheet;
}

// Fills in the login dialog and presses OK.
inline ModalScript::Action LoginAs(const QString &ip, int user, const QString &password)
{
    return [=](QWidget *w) {
        Child<QLineEdit>(w, "lineEditIP")->setText(ip);
        Child<QComboBox>(w, "comboBoxUser")->setCurrentIndex(user);
        Child<QLineEdit>(w, "lineEditPassword")->setText(password);
        Child<QPushButton>(w, "pushButtonOk")->click();
    };
}

// Records the login dialog's address as it opens, then cancels.
inline ModalScript::Action CancelNoting(QString *address)
{
    return [address](QWidget *w) {
        *address = Child<QLineEdit>(w, "lineEditIP")->text();
        qobject_cast<QDialog *>(w)->reject();
    };
}

// The tree item that shows the page of `key`, or null.
inline QTreeWidgetItem *FindItem(QTreeWidget *tree, PageKey key)
{
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        if (key != PageKey::None && KeyOf(*it) == key) {
            return *it;
        }
    }
    return nullptr;
}

// The item at `path`, the untranslated texts from the top level down, in any
// language: for branches, which have no key.
inline QTreeWidgetItem *FindPath(QTreeWidget *tree, const QStringList &path)
{
    QTreeWidgetItem *found = nullptr;
    for (const QString &text : path) {
        const int count = found ? found->childCount() : tree->topLevelItemCount();
        QTreeWidgetItem *next = nullptr;
        for (int i = 0; i < count && !next; ++i) {
            QTreeWidgetItem *item = found ? found->child(i) : tree->topLevelItem(i);
            if (item->data(0, kSourceTextRole).toByteArray() == text.toLatin1()) {
                next = item;
            }
        }
        if (!next) {
            return nullptr;
        }
        found = next;
    }
    return found;
}

// A parameter file without the element at `path` below the root, as an
// import names it; empty when there is none.
inline QByteArray Without(const QByteArray &xml, const QString &path)
{
    QDomDocument dom;
    QDomElement at = dom.setContent(xml) ? dom.documentElement() : QDomElement();
    for (const QString &step : path.split(QLatin1Char('/'))) {
        at = at.firstChildElement(step);
    }
    return at.isNull() || at.parentNode().removeChild(at).isNull() ? QByteArray()
                                                                   : dom.toByteArray();
}

// The alarm logs' directory of this test program: its windows' own, as test
// programs share one program directory.
inline QString g_testLogDirectory;

class AppSession
{
protected:
    // The device's loopback address and the tool's notification port,
    // picked at run time.
    const QString kDevice = TestAddress();
    const quint16 kNotifyPort = FreeUdpPort();

    std::unique_ptr<DeviceSimulator> m_device;
    std::unique_ptr<cfg> m_window;
    CfgNetClient *m_client = nullptr;  // the window's session's
    // Answers the alarm log's file dialogs of the windows opened from now on;
    // unset, the dialogs open.
    Alarm::FileChooser m_logChooser;
    // What the window's export and import dialogs answer.
    QString m_chosenFile;
    // Where the windows opened from now on keep their alarm logs.
    QString m_logDirectory = g_testLogDirectory;

    // For initTestCase: also quietens the offscreen platform, which cannot
    // size windows to their hints and says so for every fixed-size dialog.
    bool StartSimulator()
    {
        s_testHandler = qInstallMessageHandler(QuietOffscreen);
        DeviceSimulator::Options options;
        options.address = kDevice;
        options.notify[0] = {0x7F000001, kNotifyPort};
        m_device = std::make_unique<DeviceSimulator>(options);
        return m_device->Start();
    }

    // For init: the AGC model with the tool's own firmware version and its
    // notifications to this computer, no settings, a window not logged in.
    void OpenFreshWindow()
    {
        m_device->Command("fault clear");
        m_device->Command("model 50002");
        m_device->Command(QStringLiteral("firmware %1").arg(QLatin1String(kProgramVersion)));
        m_device->Command("update-mode off");
        m_device->Command("offline 0");
        const quint16 port = kNotifyPort;
        m_device->WithModel([port](DeviceModel &m) {
            m.notifyIp[0] = 0x7F000001;
            m.notifyPort[0] = port;
            m.notifyIp[1] = 0;
            m.notifyPort[1] = 0;
        });
        Settings().clear();
        OpenWindow();
    }

    // A new window, as at a program start with the settings as they are:
    // the device is given 150 ms to answer, unless `adjust` says otherwise.
    void OpenWindow(const std::function<void(WindowOptions &)> &adjust = {})
    {
        m_window.reset();
        WindowOptions options;
        options.timings.receiveTimeoutMs = 150;
        options.chooseLogFile = m_logChooser;
        options.logDirectory = m_logDirectory;
        options.chooseFile = [this](bool) { return m_chosenFile; };
        if (adjust) {
            adjust(options);
        }
        m_window = std::make_unique<cfg>(options);
        m_client = &m_window->Link().Client();
        m_window->show();
    }

    // For OpenWindow: the device's own 2-second time-out.
    static void RealTimeOut(WindowOptions &options) { options.timings.receiveTimeoutMs = 0; }

    void CloseWindow()
    {
        m_window.reset();
        QApplication::processEvents();
    }

    void LogIn(int user = 0, const QString &password = QStringLiteral("admin"))
    {
        ModalScript script({LoginAs(kDevice, user, password)});
        m_window->OnConnect();
        QVERIFY(script.Done());
        QVERIFY(script.messages.isEmpty());
    }

    // Chooses the language at `index` in the window's language dialog, as an
    // operator does: the window's language settings.
    LanguageConfig *ChooseLanguage(int index)
    {
        auto *language = new LanguageConfig;
        m_window->SetLanguageConfig(language);
        ModalScript script({[index](QWidget *w) {
            Child<QComboBox>(w, "comboBox")->setCurrentIndex(index);
            Child<QPushButton>(w, "pushButtonOk")->click();
        }});
        m_window->OnLanguageConfig();
        QTest::qVerify(script.Done(), "script.Done()", "", __FILE__, __LINE__);
        return language;
    }

    void Disconnect()
    {
        ModalScript script({ModalScript::Button(QMessageBox::Yes)});
        m_window->OnDisConnect();
        QVERIFY(script.Done());
        QVERIFY(m_window->Link().IsOffline());
    }

    // Shows the page of a tree item as a press on it does.
    void Press(QTreeWidgetItem *item) { m_window->OnTreeItemPressed(item, 0); }
    // Shows the page of `key` so: that page, or null when it is no `Page`.
    template <class Page = BaseWidget>
    Page *Show(PageKey key)
    {
        Press(FindItem(m_window->Form().treeWidget, key));
        return qobject_cast<Page *>(m_window->CurrentPage());
    }
    QString StatusLine() const { return m_window->statusBar()->currentMessage(); }

    // Exports to `file`, or imports it, accepting the message at the end:
    // that message (none when it did not come within ten seconds).
    QStringList Export(const QString &file) { return Transfer(file, &cfg::OnExport); }
    QStringList Import(const QString &file) { return Transfer(file, &cfg::OnImport); }
    QStringList Transfer(const QString &file, void (cfg::*flow)())
    {
        m_chosenFile = file;
        ModalScript script({ModalScript::Accept()});
        (m_window.get()->*flow)();
        static_cast<void>(QTest::qWaitFor([&script] { return script.Done(); }, 10000));
        return script.messages;
    }

private:
    static void QuietOffscreen(QtMsgType type, const QMessageLogContext &context,
                               const QString &text)
    {
        if (!text.contains(QLatin1String("propagateSizeHints")) && s_testHandler) {
            s_testHandler(type, context, text);
        }
    }
    static inline QtMessageHandler s_testHandler = nullptr;
};

// The test program's main: settings of its own, so that test programs running
// side by side and the developer's own settings never meet.
template <class Test>
int RunAppTest(int argc, char **argv)
{
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", config.path().toLocal8Bit());
    qputenv("XDG_DATA_HOME", config.path().toLocal8Bit());
    // Backups at disconnect and close go here, not beside the shared programs.
    g_testLogDirectory = config.path() + QStringLiteral("/logs");
    QApplication app(argc, argv);
    Test test;
    return QTest::qExec(&test, argc, argv);
}

#define QVT_APP_TEST_MAIN(Test)              \
    int main(int argc, char **argv)          \
    {                                        \
        return RunAppTest<Test>(argc, argv); \
    }
