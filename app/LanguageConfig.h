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
};
