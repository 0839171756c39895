#pragma once

#include "AlarmCsv.h"
#include "AlarmLogModel.h"
#include "BaseWidget.h"
#include "ui_Alarm.h"

#include <QDateTime>
#include <QTimer>

#include <functional>

// The alarm log: every alarm event in a numbered table, written as a CSV file
// once a day at the configured time, as a backup when a session ends or the
// program closes, and on demand. One page lives as long as the window, across
// sessions with devices of any model.
class Alarm final : public BaseWidget
{
    Q_OBJECT

public:
    // Asks for a file to write the log to, proposing `proposed`; empty when
    // the operator cancels.
    using FileChooser = std::function<QString(QWidget *parent, const QString &proposed)>;

    // The time of the auto-save check, the backup names and the empty log's row.
    using Clock = std::function<QDateTime()>;

    // `chooser` answers "Save As..." and SaveElsewhere; unset, a file dialog
    // asks. `clock` unset: the computer's. `logDirectory`: the directory
    // tried first for the files, instead of "<program directory>/../logs"
    // (a test's own, as test programs share one program directory).
    Alarm(CfgNetClient *client, QWidget *parent = nullptr, FileChooser chooser = {},
          Clock clock = {}, const QString &logDirectory = QString());

    // At each session start, with the device's address: reads its model,
    // serial number and versions for the files' preamble, and counts the log
    // online. A read that fails keeps the values it would have replaced. 0,
    // or -1 when a read failed.
    int Start(const QString &address);
    // The session went on or off line: the automatic files are written only
    // online, and a backup offline only when there are rows.
    void SetOnline(bool online) { m_online = online; }

    int RefreshFromDevice() override;
    void ApplyGuestRestrictions() override;
    void LiftGuestRestrictions() override;
    void Retranslate() override;

    AlarmCsv::Preamble DeviceInfo() const { return m_device; }
    // Where the automatic files and the backups go.
    QString LogDirectory() const { return m_logDirectory; }

    // Rows that a write which would have emptied the table could not save,
    // with those logged since: 0 once a write succeeds or the table is
    // cleared.
    int UnsavedRows() const { return m_unsaved ? m_log->rowCount() : 0; }
    // The last write that failed, translated: names the file and the reason.
    QString FailureText() const;
    QString FailedPath() const { return m_failedPath; }
    QString FailureReason() const { return m_failedReason; }

    // Asks for another file, proposing the failed one's name in the home
    // directory, and writes every row there, emptying the log. False when
    // the operator cancels or the write fails (FailureText then names it).
    bool SaveElsewhere();
    // For an end that nobody can be asked about: writes the unsaved rows to
    // the log directories, the home directory and the temporary directory in
    // turn (not the one that failed), each taking what it can, until every
    // row is written; the rows written leave the log. The files written.
    QStringList SaveToFallback();
    // Rows in the log, saved or not.
    int Rows() const;

signals:
    // The number of UnsavedRows, whenever it changes.
    void NotifyUnsavedRows(int count);

public slots:
    void OnNotityAlarmInfo(AlarmInfo info);
    void OnAddAlarmLogs(AlarmInfo info);
    void OnAutoSaveTimer();
    void OnClear();
    void OnSaveAs();
    void OnAppClose();
    void OnSetAutoSaveTimeEnable(int status);
    void OnTimeChanged(const QTime &time);

private:
    void AddRow(const AlarmInfo &info);
    QDateTime Now() const;
    // Picks the log directory again (the program's in a build tree, else the
    // user's data directory) and shows it.
    void SelectDirectory();
    void ShowDirectory();
    void SayUnsaved();
    // Writes the rows to `path`, one file per device they came from (see
    // WriteTo in the .cpp); a failure goes to the status bar. With
    // `clearing`, the rows of each file written leave the table; the files
    // written are added to `writtenPaths`.
    bool WriteTo(const QString &path, bool clearing, QStringList *writtenPaths = nullptr);
    bool WriteFile(const QString &path, const AlarmCsv::Preamble &device,
                   const QVector<AlarmCsv::Row> &rows, bool clearing);
    // The view follows the newest row once per burst, not once per row.
    void ScrollSoon();

    CfgNetClient *m_client;
    bool m_online = false;
    Ui::Alarm m_ui;
    QTimer m_timer;
    // The rows, with the device each came from: rows kept after a failed
    // write must not go out under the next device's name.
    AlarmLogModel *m_log;
    bool m_scrollPending = false;
    QString m_autoSaveTime;  // "hh:mm:ss"
    bool m_autoSaveEnabled = true;
    bool m_guest = false;
    QString m_failedAutoSave;  // the automatic file whose write failed
    QString m_readAt;          // the address whose device the preamble describes
    bool m_unsaved = false;    // the last write that would have cleared failed
    int m_saidUnsaved = 0;
    QString m_failedPath;  // the last write that failed, and why
    QString m_failedReason;
    AlarmCsv::Preamble m_device;
    QString m_logDirectory;
    Clock m_clock;
    FileChooser m_chooser;
    QString m_preferredDirectory;
};
