#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>

// Answers modal dialogs and message boxes as they appear, in order: the
// n-th new modal widget gets the n-th action. Message box texts are
// recorded. Destroying the script stops it.
class ModalScript final : public QObject
{
public:
    using Action = std::function<void(QWidget *)>;

    explicit ModalScript(QList<Action> actions) : m_actions(std::move(actions))
    {
        connect(&m_timer, &QTimer::timeout, this, &ModalScript::Poll);
        m_timer.start(5);
    }

    bool Done() const { return m_next >= m_actions.size(); }
    QStringList messages;

    // Common answers.
    static Action Accept()
    {
        return [](QWidget *w) { Close(w, true); };
    }
    static Action Reject()
    {
        return [](QWidget *w) { Close(w, false); };
    }
    static Action Button(QMessageBox::StandardButton button)
    {
        return [button](QWidget *w) {
            if (auto *box = qobject_cast<QMessageBox *>(w)) {
                box->button(button)->click();
            }
        };
    }
    static void Close(QWidget *w, bool accept)
    {
        if (auto *box = qobject_cast<QMessageBox *>(w)) {
            box->button(box->buttons().value(0) ? box->standardButton(box->buttons().value(0))
                                                : QMessageBox::Ok)
                ->click();
        } else if (auto *dialog = qobject_cast<QDialog *>(w)) {
            accept ? dialog->accept() : dialog->reject();
        }
    }

private:
    void Poll()
    {
        // A widget counts again once another has been answered after it: a
        // dialog is active again when the message box it opened is gone.
        QWidget *w = QApplication::activeModalWidget();
        if (!w || w == m_last || !w->isVisible() || Done()) {
            return;
        }
        m_last = w;
        if (auto *box = qobject_cast<QMessageBox *>(w)) {
            messages << box->text();
        }
        const Action action = m_actions.at(m_next++);
        QPointer<QWidget> guard(w);
        // Act from a fresh event so the dialog's own exec() is under way.
        QTimer::singleShot(0, w, [action, guard] {
            if (guard) {
                action(guard);
            }
        });
    }

    QList<Action> m_actions;
    QPointer<QWidget> m_last;
    int m_next = 0;
    QTimer m_timer;
};
