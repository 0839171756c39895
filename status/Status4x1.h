#pragma once

#include "StatusPage.h"
#include "ui_Status4x1.h"

// The 4x1 models' board: twelve system lamps and four inputs.
class Status4x1 final : public StatusPage
{
    Q_OBJECT

public:
    explicit Status4x1(Session *session, QWidget *parent = nullptr);

    void Retranslate() override { m_ui.retranslateUi(this); }

private:
    Ui::Status4x1 m_ui;
};
