#pragma once

#include "QvtVersion.h"
#include "ui_AboutDialog.h"

#include <QDialog>

// The product title and the version.
class AboutDialog final : public QDialog
{
    Q_OBJECT

public:
    explicit AboutDialog(QWidget *parent = nullptr) : QDialog(parent)
    {
        m_ui.setupUi(this);
        m_ui.label_Version->setText(QString::fromLatin1(kProgramVersion));
        setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
        setFixedSize(sizeHint());
    }

private slots:
    void on_pushButton_Close_clicked() { close(); }

private:
    Ui::AboutDialog m_ui;
};
