#pragma once

#include "StatusPage.h"
#include "ui_Status2x1.h"

// The dual 2x1 model's board: the genlock and power lamps, seven lamps of
// each switching group, and the inputs of groups A and B.
class Status2x1 final : public StatusPage
{
    Q_OBJECT

public:
    explicit Status2x1(Session *session, QWidget *parent = nullptr);

    void Retranslate() override { m_ui.retranslateUi(this); }

private:
    Ui::Status2x1 m_ui;
};
