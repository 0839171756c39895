#pragma once

#include "StationDelegate.h"
#include "StationFeed.h"
#include "StationModel.h"
#include "ui_StationWindow.h"

#include <QDateTime>
#include <QWidget>

// The station at a glance: every switch that a running qvt-monitord
// watches, as a tile in its status colour, read from the service once a
// second while the window is shown. The service, and its password when one
// is needed, are set here and kept in the settings (the password only when
// asked). A double-click on a tile asks for that switch's login.
class StationWindow final : public QWidget
{
    Q_OBJECT

public:
    // `url`, when given, is read in place of the stored service.
    explicit StationWindow(QWidget *parent = nullptr, const QString &url = QString());
    ~StationWindow() override;

    // What the window last measured of a refresh: the read, then the parse
    // and model update together (the repaint follows in the event loop).
    struct Timing {
        double readMs = 0;
        double updateMs = 0;
    };
    Timing LastTiming() const { return m_timing; }

    StationModel &Model() { return m_model; }
    StationFilter &Shown() { return m_filter; }
    StationFeed &Feed() { return m_feed; }
    Ui::StationWindow &Form() { return m_ui; }

signals:
    // The tile of the switch at `address` was double-clicked; `user` is whom
    // the service logs in as there.
    void OpenDevice(const QString &address, const QString &user);

public slots:
    // Reads the service the fields name, and keeps them in the settings.
    void OnRead();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void OnUpdated(const QVector<StationDevice> &devices, double readMs);
    void OnFailed(const QString &why);
    void ShowCounts();
    void SayState();
    StationAccess Access() const;
    // Reads `access` from now on; false, and said, when it cannot be used.
    bool Start(const StationAccess &access);

    Ui::StationWindow m_ui;
    StationModel m_model;
    StationFilter m_filter;
    StationDelegate m_delegate;
    StationFeed m_feed;
    Timing m_timing;
    StationAccess m_access;  // what the tiles come from: the fields at the last Read
    QString m_problem;       // why the service cannot be read now; empty: it can
    QDateTime m_lastAnswer;  // of the tiles shown; invalid before the service's first
};
