#include "LanguageConfig.h"

#include "Settings.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFileInfo>

LanguageConfig::LanguageConfig(QWidget *parent) : QDialog(parent)
{
    m_ui.setupUi(this);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setFixedSize(sizeHint());
    // A file that cannot be loaded leaves its translator empty: English stays.
    const QString lang = Directory();
    m_qtLoaded = m_qtTranslator.load(lang + QStringLiteral("qt_zh_CN.qm"));
    m_appLoaded = m_appTranslator.load(lang + QStringLiteral("cfg_zh.qm"));
    connect(m_ui.pushButtonOk, &QPushButton::clicked, this, &LanguageConfig::OnOk);
    connect(m_ui.pushButtonCancel, &QPushButton::clicked, this, &LanguageConfig::OnCancel);
}

QString LanguageConfig::Directory()
{
    // Installed: <prefix>/share/qvt-config/lang beside <prefix>/bin. A build
    // tree keeps them in <build>/lang beside <build>/bin.
    const QString program = QCoreApplication::applicationDirPath();
    const QString installed = program + QStringLiteral("/../share/qvt-config/lang/");
    if (QFileInfo(installed).isDir()) {
        return installed;
    }
    return program + QStringLiteral("/../lang/");
}

void LanguageConfig::SetLanguage(int index)
{
    m_language = index == 1 ? 1 : 0;
    QCoreApplication::removeTranslator(&m_qtTranslator);
    QCoreApplication::removeTranslator(&m_appTranslator);
    if (m_language == 1) {
        QCoreApplication::installTranslator(&m_qtTranslator);
        QCoreApplication::installTranslator(&m_appTranslator);
    }
}

void LanguageConfig::Apply()
{
    SetLanguage(m_ui.comboBox->currentIndex());
    Settings().SetLanguage(m_language);
}

void LanguageConfig::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        const int index = m_ui.comboBox->currentIndex();
        m_ui.retranslateUi(this);
        m_ui.comboBox->setCurrentIndex(index);
    }
    QDialog::changeEvent(event);
}
