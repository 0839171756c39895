#include "StationWindow.h"

#include "Settings.h"

#include <QElapsedTimer>
#include <QFileDialog>
#include <QHideEvent>
#include <QShowEvent>

StationWindow::StationWindow(QWidget *parent, const QString &url) : QWidget(parent, Qt::Window)
{
    m_ui.setupUi(this);
    setAttribute(Qt::WA_QuitOnClose, false);
    m_filter.setSourceModel(&m_model);
    m_ui.listViewTiles->setModel(&m_filter);
    m_ui.listViewTiles->setItemDelegate(&m_delegate);

    const Settings settings;
    m_ui.lineEditUrl->setText(url.isEmpty() ? settings.StationUrl() : url);
    m_ui.lineEditUser->setText(settings.StationUser());
    m_ui.lineEditPassword->setText(settings.StationPassword());
    m_ui.checkBoxRemember->setChecked(!settings.StationPassword().isEmpty());
    m_ui.lineEditCaFile->setText(settings.StationCaFile());
    m_access = Access();
    m_ui.checkBoxCompact->setChecked(settings.StationCompact());
    m_ui.checkBoxProblems->setChecked(settings.StationProblemsOnly());
    m_delegate.SetCompact(settings.StationCompact());
    m_filter.SetProblemsOnly(settings.StationProblemsOnly());
    if (!restoreGeometry(settings.StationGeometry())) {
        resize(900, 600);
    }

    connect(m_ui.pushButtonRead, &QPushButton::clicked, this, &StationWindow::OnRead);
    for (QLineEdit *field :
         {m_ui.lineEditUrl, m_ui.lineEditUser, m_ui.lineEditPassword, m_ui.lineEditCaFile}) {
        connect(field, &QLineEdit::returnPressed, this, &StationWindow::OnRead);
    }
    connect(m_ui.checkBoxRemember, &QCheckBox::toggled, this, [](bool remember) {
        if (!remember) {
            Settings().remove(QStringLiteral("StationPassword"));
        }
    });
    connect(m_ui.toolButtonCaFile, &QToolButton::clicked, this, [this] {
        const QString file = QFileDialog::getOpenFileName(
            this, tr("Certificate authority of the service"), m_ui.lineEditCaFile->text(),
            tr("PEM certificates (*.crt *.pem);;All files (*)"));
        if (!file.isEmpty()) {
            m_ui.lineEditCaFile->setText(file);
        }
    });
    connect(m_ui.lineEditFilter, &QLineEdit::textChanged, &m_filter, &StationFilter::SetText);
    connect(m_ui.checkBoxProblems, &QCheckBox::toggled, this, [this](bool only) {
        m_filter.SetProblemsOnly(only);
        Settings().SetStationProblemsOnly(only);
    });
    connect(m_ui.checkBoxCompact, &QCheckBox::toggled, this, [this](bool compact) {
        m_delegate.SetCompact(compact);
        Settings().SetStationCompact(compact);
        // The view keeps its tiles' size until told that it changed.
        m_ui.listViewTiles->doItemsLayout();
    });
    connect(m_ui.listViewTiles, &QListView::doubleClicked, this, [this](const QModelIndex &index) {
        emit OpenDevice(index.data(StationModel::AddressRole).toString(),
                        index.data(StationModel::UserRole).toString());
    });
    connect(&m_feed, &StationFeed::Updated, this, &StationWindow::OnUpdated);
    connect(&m_feed, &StationFeed::Failed, this, &StationWindow::OnFailed);
    SayState();
}

StationWindow::~StationWindow()
{
    Settings().SetStationGeometry(saveGeometry());
}

StationAccess StationWindow::Access() const
{
    return {QUrl::fromUserInput(m_ui.lineEditUrl->text().trimmed()),
            m_ui.lineEditUser->text().trimmed(), m_ui.lineEditPassword->text(),
            m_ui.lineEditCaFile->text().trimmed()};
}

void StationWindow::OnRead()
{
    m_model.Update({});
    m_model.SetStale(false);
    m_lastAnswer = QDateTime();
    ShowCounts();
    if (Start(Access())) {
        Settings().SetStationAccess(
            m_ui.lineEditUrl->text().trimmed(), m_access.user,
            m_ui.checkBoxRemember->isChecked() ? m_access.password : QString(), m_access.caFile);
    }
}

bool StationWindow::Start(const StationAccess &access)
{
    m_access = access;
    m_problem = m_feed.Start(access);
    SayState();
    return m_problem.isEmpty();
}

void StationWindow::OnUpdated(const QVector<StationDevice> &devices, double readMs)
{
    QElapsedTimer clock;
    clock.start();
    m_model.Update(devices);
    m_model.SetStale(false);
    m_problem.clear();
    m_lastAnswer = QDateTime::currentDateTime();
    ShowCounts();
    SayState();
    m_timing = {readMs, double(clock.nsecsElapsed()) / 1e6};
}

void StationWindow::OnFailed(const QString &why)
{
    m_model.SetStale(m_model.rowCount() > 0);
    m_problem = why;
    SayState();
}

void StationWindow::ShowCounts()
{
    const QVector<int> counts = m_model.Counts();
    m_ui.labelCounts->setText(m_model.rowCount() == 0
                                  ? QString()
                                  : tr("%1 switches: %2 in alarm, %3 lost, %4 not routed, %5 fine")
                                        .arg(m_model.rowCount())
                                        .arg(counts[int(StationStatus::Alarm)])
                                        .arg(counts[int(StationStatus::Lost)])
                                        .arg(counts[int(StationStatus::Unrouted)])
                                        .arg(counts[int(StationStatus::Fine)]));
}

void StationWindow::SayState()
{
    const QString url = m_feed.ListUrl().toString(QUrl::RemoveUserInfo);
    QString text;
    if (!m_feed.IsRunning() && m_problem.isEmpty()) {
        text = tr("Enter the address of the station's qvt-monitord and press Read.");
    } else if (!m_feed.IsRunning()) {
        text = m_problem;
    } else if (m_problem.isEmpty() && m_model.IsStale()) {
        text = tr("Reading %1 again; the tiles are its answer of %2.")
                   .arg(url, m_lastAnswer.toString(QStringLiteral("HH:mm:ss")));
    } else if (m_problem.isEmpty()) {
        text = m_lastAnswer.isValid()
                   ? tr("Read from %1 every second; last at %2.")
                         .arg(url, m_lastAnswer.toString(QStringLiteral("HH:mm:ss")))
                   : tr("Reading %1...").arg(url);
    } else if (m_lastAnswer.isValid()) {
        text = tr("%1 cannot be read: %2. The tiles are its answer of %3; trying again every "
                  "second.")
                   .arg(url, m_problem, m_lastAnswer.toString(QStringLiteral("HH:mm:ss")));
    } else {
        text = tr("%1 cannot be read: %2. Trying again every second.").arg(url, m_problem);
    }
    if (m_feed.IsRunning() && m_feed.ListUrl().scheme() == QLatin1String("http") &&
        !m_access.user.isEmpty()) {
        text += QLatin1Char(' ') +
                tr("The password crosses the network unencrypted over http: use https.");
    }
    m_ui.labelState->setStyleSheet(m_problem.isEmpty() ? QString()
                                                       : QStringLiteral("QLabel{color: #c00000}"));
    m_ui.labelState->setText(text);
}

void StationWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_feed.IsRunning() && !m_access.url.isEmpty()) {
        Start(m_access);
    }
}

void StationWindow::hideEvent(QHideEvent *event)
{
    // Nobody looks: the service is not asked, and what it said last is
    // not current by the time the window shows again.
    if (!event->spontaneous()) {
        m_feed.Stop();
        m_model.SetStale(m_model.rowCount() > 0);
        Settings().SetStationGeometry(saveGeometry());
    }
    QWidget::hideEvent(event);
}

void StationWindow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        m_ui.retranslateUi(this);
        ShowCounts();
        SayState();
        m_ui.listViewTiles->viewport()->update();
    }
    QWidget::changeEvent(event);
}
