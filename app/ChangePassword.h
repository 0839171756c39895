#pragma once

#include "ui_ChangePassword.h"

#include <QDialog>

// Asks for a user and a new password, twice.
class ChangePassword final : public QDialog
{
    Q_OBJECT

public:
    explicit ChangePassword(QWidget *parent = nullptr);

    QString User() const { return m_ui.comboBoxUser->currentText(); }
    QString NewPassword() const { return m_ui.lineEditNewPassword->text(); }
    QString Confirmation() const { return m_ui.lineEditComfirmPassword->text(); }
    void DisableInputs();

public slots:
    void OnOk();
    void OnCancel() { reject(); }

private:
    Ui::ChangePassword m_ui;
};
