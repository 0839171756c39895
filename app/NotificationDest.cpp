#include "NotificationDest.h"

#include "AddressField.h"
#include "CfgNetClient.h"
#include "NoticesServer.h"

#include <QMessageBox>
#include <QRegularExpressionValidator>

#include <algorithm>

namespace {
constexpr quint32 kLowestPort = 40000;
constexpr quint32 kHighestPort = 65535;
}  // namespace

NotificationDest::NotificationDest(CfgNetClient *client, NoticesServer *receiver, QWidget *parent)
    : QDialog(parent), m_client(client), m_receiver(receiver)
{
    m_ui.setupUi(this);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setFixedSize(sizeHint());
    const QRegularExpression address(
        QStringLiteral("((2[0-4]\\d|25[0-5]|[1]?\\d\\d?)\\.){3}(2[0-4]\\d|25[0-4]|[1]?\\d\\d?)"));
    const QRegularExpression port(QStringLiteral("[0-9]+$"));
    for (QLineEdit *edit : {m_ui.lineEditIP1, m_ui.lineEditIP2}) {
        edit->setValidator(new QRegularExpressionValidator(address, this));
    }
    for (QLineEdit *edit : {m_ui.lineEditPort1, m_ui.lineEditPort2}) {
        edit->setValidator(new QRegularExpressionValidator(port, this));
    }
    connect(m_ui.pushButtonOk, &QPushButton::clicked, this, &NotificationDest::OnOk);
    connect(m_ui.pushButtonCancel, &QPushButton::clicked, this, &NotificationDest::OnCancel);
    connect(m_ui.lineEditPort1, &QLineEdit::editingFinished, this,
            &NotificationDest::OnPort1Finished);
    connect(m_ui.lineEditPort2, &QLineEdit::editingFinished, this,
            &NotificationDest::OnPort2Finished);
    connect(m_ui.checkBoxAuto1, &QCheckBox::stateChanged, this, &NotificationDest::OnAutoCheck1);
    connect(m_ui.checkBoxAuto2, &QCheckBox::stateChanged, this, &NotificationDest::OnAutoCheck2);
}

quint16 NotificationDest::ClampPort(const QString &text)
{
    // Read as a wide number first, so that 70000 is too high rather than
    // wrapped; digits too many to read at all are a port far too high.
    bool ok = false;
    const qulonglong value = text.toULongLong(&ok);
    if (!ok) {
        const bool digits = !text.isEmpty() && std::all_of(text.begin(), text.end(),
                                                           [](QChar c) { return c.isDigit(); });
        return digits ? kHighestPort : kLowestPort;
    }
    if (value < kLowestPort) {
        return kLowestPort;
    }
    return static_cast<quint16>(std::min<qulonglong>(value, kHighestPort));
}

void NotificationDest::OnOk()
{
    for (const QLineEdit *edit : {m_ui.lineEditIP1, m_ui.lineEditIP2}) {
        if (!edit->text().isEmpty() && !IsCompleteAddress(edit)) {
            QMessageBox::warning(this, tr("Warning"), tr("The IP address is invalid."));
            return;
        }
    }
    accept();
}

void NotificationDest::SetValues(const QStringList &ips, const QVector<quint16> &ports)
{
    m_ips = QStringList{ips.value(0), ips.value(1)};
    m_portTexts = QStringList{QString::number(ports.value(0)), QString::number(ports.value(1))};
    m_ui.lineEditIP1->setText(m_ips[0]);
    m_ui.lineEditIP2->setText(m_ips[1]);
    m_ui.lineEditPort1->setText(m_portTexts[0]);
    m_ui.lineEditPort2->setText(m_portTexts[1]);
}

QStringList NotificationDest::Addresses() const
{
    QStringList ips;
    for (const QLineEdit *edit : {m_ui.lineEditIP1, m_ui.lineEditIP2}) {
        ips << (edit->text().isEmpty() ? QStringLiteral("0.0.0.0") : edit->text());
    }
    return ips;
}

QVector<quint16> NotificationDest::Ports() const
{
    return {ClampPort(m_ui.lineEditPort1->text()), ClampPort(m_ui.lineEditPort2->text())};
}

bool NotificationDest::IsAuto(int destination) const
{
    return (destination == 0 ? m_ui.checkBoxAuto1 : m_ui.checkBoxAuto2)->isChecked();
}

void NotificationDest::DisableInputs()
{
    for (QWidget *w : std::initializer_list<QWidget *>{
             m_ui.lineEditIP1, m_ui.lineEditIP2, m_ui.lineEditPort1, m_ui.lineEditPort2,
             m_ui.checkBoxAuto1, m_ui.checkBoxAuto2, m_ui.pushButtonOk}) {
        w->setDisabled(true);
    }
}

void NotificationDest::OnPort1Finished()
{
    m_ui.lineEditPort1->setText(QString::number(ClampPort(m_ui.lineEditPort1->text())));
}

void NotificationDest::OnPort2Finished()
{
    m_ui.lineEditPort2->setText(QString::number(ClampPort(m_ui.lineEditPort2->text())));
}

void NotificationDest::OnAutoCheck1(int state)
{
    AutoCheck(0, state);
}

void NotificationDest::OnAutoCheck2(int state)
{
    AutoCheck(1, state);
}

void NotificationDest::AutoCheck(int destination, int state)
{
    QLineEdit *ip = destination == 0 ? m_ui.lineEditIP1 : m_ui.lineEditIP2;
    QLineEdit *port = destination == 0 ? m_ui.lineEditPort1 : m_ui.lineEditPort2;
    ip->setDisabled(state != 0);
    port->setDisabled(state != 0);
    if (state == 0) {
        return;
    }
    const int other = 1 - destination;
    QCheckBox *otherAuto = other == 0 ? m_ui.checkBoxAuto1 : m_ui.checkBoxAuto2;
    otherAuto->setChecked(false);
    (other == 0 ? m_ui.lineEditIP1 : m_ui.lineEditIP2)->setText(m_ips[other]);
    (other == 0 ? m_ui.lineEditPort1 : m_ui.lineEditPort2)->setText(m_portTexts[other]);

    ip->setText(m_client->LocalAddressOnDeviceSubnet());
    // The first free port of the range: the receiver stays bound to it.
    for (quint32 candidate = kLowestPort; candidate < kHighestPort; ++candidate) {
        if (m_receiver->Rebind(static_cast<quint16>(candidate))) {
            port->setText(QString::number(candidate));
            break;
        }
    }
}
