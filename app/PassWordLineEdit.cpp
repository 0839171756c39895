#include "PassWordLineEdit.h"

#include <QDir>
#include <QFile>
#include <QToolTip>

bool IsCapsLockOn()
{
    // Qt offers no query for lock keys. On Linux every keyboard's Caps Lock
    // light is a file whose content is 1 while it is on.
    const QDir leds(QStringLiteral("/sys/class/leds"));
    for (const QString &name : leds.entryList({QStringLiteral("*capslock*")}, QDir::Dirs)) {
        QFile brightness(leds.filePath(name + QStringLiteral("/brightness")));
        if (brightness.open(QIODevice::ReadOnly) && brightness.readAll().trimmed() != "0") {
            return true;
        }
    }
    return false;
}

void PassWordLineEdit::ShowCapsLockHint()
{
    if (m_capsLock && m_capsLock()) {
        QWidget *parent = parentWidget() ? parentWidget() : this;
        const QPoint at(parent->x() + x(), parent->y() + y() + 2 * height());
        QToolTip::showText(at, tr("The Caps Lock is enabled."), this);
    } else {
        QToolTip::hideText();
    }
}

void PassWordLineEdit::mouseMoveEvent(QMouseEvent *)
{
    ShowCapsLockHint();
}

void PassWordLineEdit::mouseReleaseEvent(QMouseEvent *)
{
    ShowCapsLockHint();
}

void PassWordLineEdit::leaveEvent(QEvent *event)
{
    QToolTip::hideText();
    QLineEdit::leaveEvent(event);
}
