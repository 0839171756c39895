#pragma once

#include "ui_LanguageConfig.h"

#include <QDialog>
#include <QTranslator>

// Chooses between English and Chinese, installs or removes the translators,
// and stores the choice under "Language".
class LanguageConfig final : public QDialog
{
    Q_OBJECT

public:
    explicit LanguageConfig(QWidget *parent = nullptr);

    // 1 installs the Chinese translators, anything else removes them.
    void SetLanguage(int index);
    int Language() const { return m_language; }

    // Where the translations are loaded from: <program directory>/../share/
    // qvt-config/lang/ when it exists (installed), else <program directory>/../lang/.
    static QString Directory();
    // Whether cfg_zh.qm loaded, and qt_zh_CN.qm with every catalogue it
    // names (Qt loads none of it when one is missing).
    bool AppTranslationLoaded() const { return m_appLoaded; }
    bool QtTranslationLoaded() const { return m_qtLoaded; }
    // Puts the current language into the combo box.
    void SelectCurrent() { m_ui.comboBox->setCurrentIndex(m_language); }
    // Takes the combo box's choice, applies and stores it.
    void Apply();

public slots:
    void OnOk() { accept(); }
    void OnCancel() { reject(); }

protected:
    void changeEvent(QEvent *event) override;

private:
    Ui::LanguageConfig m_ui;
    QTranslator m_qtTranslator;
    QTranslator m_appTranslator;
    int m_language = 0;
    bool m_qtLoaded = false;
    bool m_appLoaded = false;
};
