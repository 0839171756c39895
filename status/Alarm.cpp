#include "Alarm.h"

#include "CfgNetClient.h"
#include "DeviceTables.h"
#include "Settings.h"
#include "TextForms.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QStandardPaths>

namespace {
const QString kTimeFormat = QStringLiteral("hh:mm:ss");

QStringList Candidates(const QString &preferred)
{
    return AlarmCsv::LogDirectoryCandidates(
        QCoreApplication::applicationDirPath(), preferred,
        QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation));
}

}  // namespace

Alarm::Alarm(CfgNetClient *client, QWidget *parent, FileChooser chooser, Clock clock,
             const QString &logDirectory)
    : BaseWidget(parent),
      m_client(client),
      m_clock(std::move(clock)),
      m_chooser(std::move(chooser)),
      m_preferredDirectory(logDirectory)
{
    if (!m_chooser) {
        m_chooser = [](QWidget *over, const QString &proposed) {
            return QFileDialog::getSaveFileName(over, tr("Save File"), proposed,
                                                QStringLiteral("log (*.csv);;log(*.log)"));
        };
    }
    m_ui.setupUi(this);
    // Created after the form, so that the view, an older child, goes first.
    m_log = new AlarmLogModel(this);
    m_ui.tableWidgetAlarm->setModel(m_log);
    // Wide enough for a time stamp and the longest alarm names.
    const QFontMetrics metrics = m_ui.tableWidgetAlarm->fontMetrics();
    const QString widest[] = {QStringLiteral("Number__"), QStringLiteral("0000-00-00 00:00:00__"),
                              QStringLiteral("A-Input 1__"),
                              QStringLiteral("Genlocking Source Switched__"),
                              QStringLiteral("Alarm Status__")};
    for (int column = 0; column < 5; ++column) {
        m_ui.tableWidgetAlarm->horizontalHeader()->resizeSection(
            column, metrics.horizontalAdvance(widest[column]));
    }
    connect(m_ui.pushButtonClear, &QPushButton::clicked, this, &Alarm::OnClear);
    connect(m_ui.pushButtonSaveAs, &QPushButton::clicked, this, &Alarm::OnSaveAs);
    connect(m_ui.checkBoxAutoSave, &QCheckBox::stateChanged, this, &Alarm::OnSetAutoSaveTimeEnable);
    connect(m_ui.timeEdit, &QTimeEdit::timeChanged, this, &Alarm::OnTimeChanged);
    connect(&m_timer, &QTimer::timeout, this, &Alarm::OnAutoSaveTimer);

    {
        // Absent, or unreadable: the form's value stands, and is stored.
        Settings settings;
        if (const auto stored = settings.AutoSaveTime()) {
            m_ui.timeEdit->setTime(*stored);
        } else {
            settings.SetAutoSaveTime(m_ui.timeEdit->time());
        }
        if (const auto enabled = settings.AutoSaveEnabled()) {
            m_ui.checkBoxAutoSave->setChecked(*enabled);
        } else {
            settings.SetAutoSaveEnabled(m_ui.checkBoxAutoSave->isChecked());
        }
    }
    m_autoSaveTime = m_ui.timeEdit->time().toString(kTimeFormat);
    m_autoSaveEnabled = m_ui.checkBoxAutoSave->isChecked();
    m_ui.timeEdit->setEnabled(m_autoSaveEnabled);
    SelectDirectory();
    OnAutoSaveTimer();
    m_timer.start(1000);
}

int Alarm::Start(const QString &address)
{
    m_online = true;
    // A read that fails keeps the value read before, but never one of
    // another device: its rows would go out under that device's name.
    if (address != m_readAt) {
        m_device = AlarmCsv::Preamble();
        m_device.ipAddress = address;
        m_readAt = address;
    }
    return AlarmCsv::ReadPreamble(*m_client, m_device);
}

int Alarm::RefreshFromDevice()
{
    m_ui.tableWidgetAlarm->scrollToBottom();
    return 0;
}

void Alarm::ApplyGuestRestrictions()
{
    m_guest = true;
    m_ui.checkBoxAutoSave->setDisabled(true);
    m_ui.timeEdit->setDisabled(true);
}

void Alarm::LiftGuestRestrictions()
{
    m_guest = false;
    m_ui.checkBoxAutoSave->setEnabled(true);
    m_ui.timeEdit->setEnabled(m_autoSaveEnabled);
}

void Alarm::Retranslate()
{
    m_ui.retranslateUi(this);
    ShowDirectory();
    m_log->Retranslate();
}

void Alarm::OnNotityAlarmInfo(AlarmInfo info)
{
    AddRow(info);
}

void Alarm::OnAddAlarmLogs(AlarmInfo info)
{
    AddRow(info);
}

void Alarm::AddRow(const AlarmInfo &info)
{
    m_log->Add(info, m_device);
    SayUnsaved();
    ScrollSoon();
}

void Alarm::ScrollSoon()
{
    if (m_scrollPending) {
        return;
    }
    m_scrollPending = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_scrollPending = false;
            m_ui.tableWidgetAlarm->scrollToBottom();
        },
        Qt::QueuedConnection);
}

QDateTime Alarm::Now() const
{
    return m_clock ? m_clock() : QDateTime::currentDateTime();
}

void Alarm::OnAutoSaveTimer()
{
    if (!m_online || !m_autoSaveEnabled) {
        return;
    }
    const QDateTime now = Now();
    if (now.toString(QStringLiteral("hh:mm")) != m_autoSaveTime.left(m_autoSaveTime.size() - 3)) {
        return;
    }
    QString time = m_autoSaveTime;
    const QString name = now.toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char('_') +
                         time.replace(QLatin1Char(':'), QLatin1Char('-')) + QStringLiteral(".csv");
    // Only a write that is due looks at the directories again.
    if (QFileInfo::exists(QDir(m_logDirectory).filePath(name))) {
        return;
    }
    // A write that failed is tried once a day, not every second of its
    // minute: its rows are kept, and the next backup tries again.
    if (name == m_failedAutoSave) {
        return;
    }
    SelectDirectory();
    const QString path = QDir(m_logDirectory).filePath(name);
    if (QFileInfo::exists(path)) {
        return;
    }
    if (!WriteTo(path, true)) {
        m_failedAutoSave = name;
    }
}

int Alarm::Rows() const
{
    return m_log->rowCount();
}

void Alarm::OnClear()
{
    // The rows are gone: by the operator's choice, or written.
    m_log->Clear();
    m_unsaved = false;
    SayUnsaved();
}

void Alarm::OnSaveAs()
{
    SelectDirectory();
    const QString proposed = QDir(m_logDirectory).filePath(QStringLiteral("mylog.csv"));
    const QString path = m_chooser(this, proposed);
    if (!path.isEmpty()) {
        WriteTo(path, false);
    }
}

bool Alarm::SaveElsewhere()
{
    const QString proposed = QDir::home().filePath(QFileInfo(m_failedPath).fileName());
    const QString path = m_chooser(window(), proposed);
    return !path.isEmpty() && WriteTo(path, true);
}

void Alarm::OnAppClose()
{
    // Offline, only rows logged since the session ended (a lost connection,
    // a version mismatch) are worth a file.
    if (!m_online && m_log->rowCount() == 0) {
        return;
    }
    SelectDirectory();
    const QString stem =
        QStringLiteral("backup_") + Now().toString(QStringLiteral("yyyy-MM-dd_hh-mm"));
    WriteTo(AlarmCsv::UniquePath(m_logDirectory, stem), true);
}

QStringList Alarm::SaveToFallback()
{
    QStringList directories = Candidates(m_preferredDirectory);
    directories << QDir::homePath() << QDir::tempPath();
    for (QString &directory : directories) {
        directory = QDir::cleanPath(directory);
    }
    directories.removeAll(QDir::cleanPath(QFileInfo(m_failedPath).absolutePath()));
    directories.removeDuplicates();
    const QString stem = QFileInfo(m_failedPath).completeBaseName();
    QStringList written;
    // A full disk still takes the probe of a new, empty file, and the next
    // directory is often on the same disk: each is tried in turn, and each
    // takes what it can of the rows still unsaved.
    for (const QString &candidate : directories) {
        if (UnsavedRows() == 0) {
            break;
        }
        const QString directory = AlarmCsv::ChooseDirectory({candidate});
        if (!directory.isEmpty()) {
            WriteTo(AlarmCsv::UniquePath(directory, stem), true, &written);
        }
    }
    return written;
}

void Alarm::OnSetAutoSaveTimeEnable(int status)
{
    Settings().SetAutoSaveEnabled(status != 0);
    m_autoSaveEnabled = status != 0;
    m_ui.timeEdit->setEnabled(m_autoSaveEnabled && !m_guest);
}

void Alarm::OnTimeChanged(const QTime &time)
{
    m_autoSaveTime = time.toString(kTimeFormat);
    Settings().SetAutoSaveTime(time);
}

void Alarm::SelectDirectory()
{
    const QStringList candidates = Candidates(m_preferredDirectory);
    const QString chosen = AlarmCsv::ChooseDirectory(candidates);
    // With no usable directory the first candidate is named, and the write
    // that fails there says so.
    m_logDirectory =
        !chosen.isEmpty() || candidates.isEmpty() ? chosen : QDir::cleanPath(candidates.first());
    ShowDirectory();
}

void Alarm::ShowDirectory()
{
    m_ui.labelLogDirectory->setText(
        tr("Log directory: %1").arg(QDir::toNativeSeparators(m_logDirectory)));
}

// One file per device, in the order the devices first logged a row: the
// first to `path`, each next one beside it under a free numbered name. An
// empty log is one file for the device of the session.
bool Alarm::WriteTo(const QString &path, bool clearing, QStringList *writtenPaths)
{
    QVector<AlarmCsv::Preamble> devices = m_log->Devices();
    const bool empty = devices.isEmpty();
    if (empty) {
        devices << m_device;
    }
    const QFileInfo first(path);
    QVector<AlarmCsv::Preamble> written;
    for (int d = 0; d < devices.size(); ++d) {
        QString target = path;
        for (int n = 2; d > 0 && (n == 2 || QFileInfo::exists(target)); ++n) {
            target = first.dir().filePath(first.completeBaseName() + QLatin1Char('_') +
                                          QString::number(n) + QLatin1Char('.') + first.suffix());
        }
        const QVector<AlarmCsv::Row> rows =
            empty ? QVector<AlarmCsv::Row>() : m_log->RowsOf(devices.at(d));
        if (WriteFile(target, devices.at(d), rows, clearing)) {
            written << devices.at(d);
            if (writtenPaths) {
                *writtenPaths << target;
            }
        }
    }
    const bool all = written.size() == devices.size();
    // Rows that a write would have emptied stay unsaved until one succeeds;
    // a Save As that takes every row saves them too.
    m_unsaved = clearing ? !all : m_unsaved && !all;
    if (clearing) {
        if (all) {
            OnClear();
        } else {
            m_log->RemoveRowsOf(written);
        }
    }
    SayUnsaved();
    return all;
}

void Alarm::SayUnsaved()
{
    if (UnsavedRows() != m_saidUnsaved) {
        m_saidUnsaved = UnsavedRows();
        emit NotifyUnsavedRows(m_saidUnsaved);
    }
}

QString Alarm::FailureText() const
{
    return tr("The alarm log could not be written to %1 (%2).")
        .arg(QDir::toNativeSeparators(m_failedPath), m_failedReason);
}

bool Alarm::WriteFile(const QString &path, const AlarmCsv::Preamble &device,
                      const QVector<AlarmCsv::Row> &rows, bool clearing)
{
    QString error;
    if (AlarmCsv::Write(path, device, rows, Now(), &error)) {
        return true;
    }
    m_failedPath = path;
    m_failedReason = error;
    const QString file = QDir::toNativeSeparators(path);
    const QString text =
        clearing ? tr("The alarm log could not be written to %1 (%2); its rows are kept.")
                       .arg(file, error)
                 : tr("The alarm log could not be written to %1 (%2).").arg(file, error);
    qWarning().noquote() << text;
    emit SendStatusMessage(text, 0);
    return false;
}
