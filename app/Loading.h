#pragma once

#include "ui_Loading.h"

#include <QWidget>

// The animated overlay that covers the main window while an import runs.
class Loading final : public QWidget
{
    Q_OBJECT

public:
    explicit Loading(QWidget *parent = nullptr);

private:
    Ui::Loading m_ui;
};
