#pragma once

#include "ui_NotificationDest.h"

#include <QDialog>

class CfgNetClient;
class NoticesServer;

// Edits the two destinations of the device's alarm notifications.
class NotificationDest final : public QDialog
{
    Q_OBJECT

public:
    NotificationDest(CfgNetClient *client, NoticesServer *receiver, QWidget *parent = nullptr);

    // Fills the fields with the device's values, which "Auto" restores.
    void SetValues(const QStringList &ips, const QVector<quint16> &ports);
    // Addresses as typed ("0.0.0.0" when empty), ports clamped to the
    // notification range, whatever field still has the focus.
    QStringList Addresses() const;
    QVector<quint16> Ports() const;
    bool IsAuto(int destination) const;
    void DisableInputs();

    // A port text as the tool uses it: 40000 to 65535.
    static quint16 ClampPort(const QString &text);

public slots:
    // Accepts whole addresses or empty fields; a half-typed one is refused.
    void OnOk();
    void OnCancel() { reject(); }
    void OnPort1Finished();
    void OnPort2Finished();
    void OnAutoCheck1(int state);
    void OnAutoCheck2(int state);

private:
    void AutoCheck(int destination, int state);

    Ui::NotificationDest m_ui;
    CfgNetClient *m_client;
    NoticesServer *m_receiver;
    QStringList m_ips = {QString(), QString()};
    QStringList m_portTexts = {QString(), QString()};
};
