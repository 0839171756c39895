#pragma once

#include <QLineEdit>

// A password field that warns, in a tooltip under it, while Caps Lock is on.
class PassWordLineEdit final : public QLineEdit
{
    Q_OBJECT

public:
    explicit PassWordLineEdit(QWidget *parent = nullptr) : QLineEdit(parent) {}

    // Shows or hides the Caps Lock warning under `field`.
    static void ShowCapsLockHint(QWidget *field);

protected:
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
};

// Whether the keyboard reports Caps Lock toggled on.
bool IsCapsLockOn();
