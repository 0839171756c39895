#pragma once

#include "PassWordLineEdit.h"
#include "ui_Login.h"

#include <QDialog>

// Asks for the device address, the user and the password.
class Login final : public QDialog
{
    Q_OBJECT

public:
    // `capsLock` tells the password field whether Caps Lock is on.
    explicit Login(QWidget *parent = nullptr,
                   PassWordLineEdit::CapsLockProbe capsLock = IsCapsLockOn);

    void SetAddress(const QString &address) { m_ui.lineEditIP->setText(address); }
    QString Address() const { return m_ui.lineEditIP->text(); }
    void SetUser(int user) { m_ui.comboBoxUser->setCurrentIndex(user); }
    int UserIndex() const { return m_ui.comboBoxUser->currentIndex(); }
    QString Password() const { return m_ui.lineEditPassword->text(); }

public slots:
    // Accepts only a whole address: a half-typed one is refused here.
    void OnLogin();
    void OnCancel() { reject(); }

protected:
    void keyReleaseEvent(QKeyEvent *event) override;

private:
    Ui::Login m_ui;
};
