#pragma once

#include <QLineEdit>

#include <functional>
#include <utility>

// Whether the keyboard reports Caps Lock toggled on.
bool IsCapsLockOn();

// A password field that warns, in a tooltip under it, while Caps Lock is on.
class PassWordLineEdit final : public QLineEdit
{
    Q_OBJECT

public:
    // Answers whether Caps Lock is on.
    using CapsLockProbe = std::function<bool()>;

    explicit PassWordLineEdit(QWidget *parent = nullptr) : QLineEdit(parent) {}

    // The keyboard is asked unless the dialog hands in another probe; a form
    // creates the field, so the dialog does it after its setupUi.
    void SetCapsLockProbe(CapsLockProbe probe) { m_capsLock = std::move(probe); }
    // Shows or hides the Caps Lock warning under the field.
    void ShowCapsLockHint();

protected:
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    CapsLockProbe m_capsLock = IsCapsLockOn;
};
