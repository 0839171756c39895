#include "PassWordLineEdit.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QToolTip>

bool IsCapsLockOn()
{
    // Tests set this property to stand in for the keyboard.
    const QVariant forced = qApp->property("qvtCapsLockForTests");
    if (forced.isValid()) {
        return forced.toBool();
    }
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

void PassWordLineEdit::ShowCapsLockHint(QWidget *field)
{
    if (IsCapsLockOn()) {
        QWidget *parent = field->parentWidget() ? field->parentWidget() : field;
        const QPoint at(parent->x() + field->x(), parent->y() + field->y() + 2 * field->height());
        QToolTip::showText(at, tr("The Caps Lock is enabled."), field);
    } else {
        QToolTip::hideText();
    }
}

void PassWordLineEdit::mouseMoveEvent(QMouseEvent *)
{
    ShowCapsLockHint(this);
}

void PassWordLineEdit::mouseReleaseEvent(QMouseEvent *)
{
    ShowCapsLockHint(this);
}

void PassWordLineEdit::leaveEvent(QEvent *event)
{
    QToolTip::hideText();
    QLineEdit::leaveEvent(event);
}
