#include "ChangePassword.h"

#include <QMessageBox>
#include <QRegularExpressionValidator>

ChangePassword::ChangePassword(QWidget *parent) : QDialog(parent)
{
    m_ui.setupUi(this);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setFixedSize(sizeHint());
    for (QLineEdit *edit : {m_ui.lineEditNewPassword, m_ui.lineEditComfirmPassword}) {
        edit->setValidator(new QRegularExpressionValidator(
            QRegularExpression(QStringLiteral("(^[A-Za-z0-9]+$)")), this));
    }
    m_ui.lineEditNewPassword->setFocus();
    connect(m_ui.pushButtonOk, &QPushButton::clicked, this, &ChangePassword::OnOk);
    connect(m_ui.pushButtonCancel, &QPushButton::clicked, this, &ChangePassword::OnCancel);
}

void ChangePassword::DisableInputs()
{
    m_ui.comboBoxUser->setDisabled(true);
    m_ui.lineEditNewPassword->setDisabled(true);
    m_ui.lineEditComfirmPassword->setDisabled(true);
    m_ui.pushButtonOk->setDisabled(true);
}

void ChangePassword::OnOk()
{
    if (NewPassword().isEmpty() || Confirmation().isEmpty()) {
        QMessageBox::warning(this, tr("Change Password"), tr("The password should not be blank."));
        return;
    }
    if (NewPassword() != Confirmation()) {
        QMessageBox::warning(this, tr("Change Password"), tr("The two passwords are mismatched."));
        return;
    }
    accept();
}
