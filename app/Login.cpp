#include "Login.h"

#include "AddressField.h"

#include <QKeyEvent>
#include <QMessageBox>
#include <QRegularExpressionValidator>
#include <QToolTip>

#include <utility>

namespace {
// Four octets; the last cannot be 255 (a broadcast address is no device).
const char *const kAddressPattern =
    "((2[0-4]\\d|25[0-5]|[1]?\\d\\d?)\\.){3}(2[0-4]\\d|25[0-4]|[1]?\\d\\d?)";
const char *const kPasswordPattern = "(^[A-Za-z0-9]+$)";
}  // namespace

Login::Login(QWidget *parent, PassWordLineEdit::CapsLockProbe capsLock) : QDialog(parent)
{
    m_ui.setupUi(this);
    m_ui.lineEditPassword->SetCapsLockProbe(std::move(capsLock));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setFixedSize(sizeHint());
    m_ui.lineEditIP->setInputMask(QString());
    m_ui.lineEditIP->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QString::fromLatin1(kAddressPattern)), this));
    m_ui.lineEditPassword->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QString::fromLatin1(kPasswordPattern)), this));
    m_ui.lineEditPassword->setFocus();
    connect(m_ui.pushButtonOk, &QPushButton::clicked, this, &Login::OnLogin);
    connect(m_ui.pushButtonCancel, &QPushButton::clicked, this, &Login::OnCancel);
}

void Login::keyReleaseEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_CapsLock) {
        m_ui.lineEditPassword->ShowCapsLockHint();
    } else {
        QToolTip::hideText();
    }
    QDialog::keyReleaseEvent(event);
}

void Login::OnLogin()
{
    if (!IsCompleteAddress(m_ui.lineEditIP)) {
        QMessageBox::warning(this, tr("Warning"), tr("The IP address is invalid."));
        return;
    }
    accept();
}
