#include "NetworkProperty.h"

#include "AddressField.h"
#include "TextForms.h"

#include <QMessageBox>
#include <QRegularExpressionValidator>

namespace {
const char *const kOctetsPattern =
    "((?:(?:25[0-5]|2[0-4]\\d|((1\\d{2})|([1-9]?\\d)))\\.){3}(?:25[0-5]|2[0-4]\\d|((1\\d{2})|([1-"
    "9]?\\d))))";
}

NetworkProperty::NetworkProperty(QWidget *parent) : QDialog(parent)
{
    m_ui.setupUi(this);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setFixedSize(sizeHint());
    for (QLineEdit *edit : {m_ui.lineEditIP, m_ui.lineEditSubnetMask, m_ui.lineEditGateway}) {
        edit->setValidator(new QRegularExpressionValidator(
            QRegularExpression(QString::fromLatin1(kOctetsPattern)), this));
    }
    connect(m_ui.pushButtonOk, &QPushButton::clicked, this, &NetworkProperty::OnOk);
    connect(m_ui.pushButtonCancel, &QPushButton::clicked, this, &NetworkProperty::OnCancel);
}

void NetworkProperty::SetValues(const QHostAddress &ip, const QHostAddress &mask,
                                const QHostAddress &gateway)
{
    m_ui.lineEditIP->setText(ip.toString());
    m_ui.lineEditSubnetMask->setText(mask.toString());
    m_ui.lineEditGateway->setText(gateway.toString());
}

void NetworkProperty::DisableInputs()
{
    for (QWidget *w :
         {static_cast<QWidget *>(m_ui.lineEditIP), static_cast<QWidget *>(m_ui.lineEditSubnetMask),
          static_cast<QWidget *>(m_ui.lineEditGateway),
          static_cast<QWidget *>(m_ui.pushButtonOk)}) {
        w->setDisabled(true);
    }
}

QString NetworkProperty::Problem(quint32 ip, quint32 mask, quint32 gateway)
{
    if (ip == 0 || ip == 0xFFFFFFFF) {
        return tr("The IP address is invalid.");
    }
    // A mask's one-bits run unbroken from the top.
    if (mask == 0 || mask == 0xFFFFFFFF || ((mask - 1) | mask) != 0xFFFFFFFF) {
        return tr("The subnet mask is invalid.");
    }
    const quint32 host = ip & ~mask;
    if (host == 0 || host == ~mask) {
        return tr("The IP address is invalid.");
    }
    if (gateway != 0 && (ip & mask) != (gateway & mask)) {
        return tr("The IP address and gateway should not be in different network segment.");
    }
    return QString();
}

QString NetworkProperty::Gateway() const
{
    const QString text = m_ui.lineEditGateway->text();
    return text.isEmpty() ? QStringLiteral("0.0.0.0") : text;
}

void NetworkProperty::OnOk()
{
    // A half-typed field is refused with its own message before anything else.
    QString problem;
    if (!IsCompleteAddress(m_ui.lineEditIP)) {
        problem = tr("The IP address is invalid.");
    } else if (!IsCompleteAddress(m_ui.lineEditSubnetMask)) {
        problem = tr("The subnet mask is invalid.");
    } else if (!m_ui.lineEditGateway->text().isEmpty() &&
               !IsCompleteAddress(m_ui.lineEditGateway)) {
        problem = tr("The IP address and gateway should not be in different network segment.");
    }
    quint32 ip = 0, mask = 0, gateway = 0;
    if (problem.isEmpty()) {
        const bool read = ParseAddress(Ip(), &ip) && ParseAddress(Mask(), &mask) &&
                          ParseAddress(Gateway(), &gateway);
        problem = read ? Problem(ip, mask, gateway) : tr("The IP address is invalid.");
    }
    if (!problem.isEmpty()) {
        QMessageBox::warning(this, tr("Network Property"), problem);
        return;
    }
    accept();
}
