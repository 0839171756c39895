#include "Loading.h"

#include <QMovie>

Loading::Loading(QWidget *parent) : QWidget(parent)
{
    m_ui.setupUi(this);
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setAttribute(Qt::WA_TranslucentBackground);
    auto *movie = new QMovie(QStringLiteral(":/cfg/Resources/Loading.gif"), QByteArray(), this);
    m_ui.labelMovie->setMovie(movie);
    movie->start();
}
