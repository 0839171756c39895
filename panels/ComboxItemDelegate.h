#pragma once

#include <QItemDelegate>
#include <QStringList>

// A table cell edited with a combo box of fixed texts; every change of the
// selection reaches the model at once.
class ComboxItemDelegate final : public QItemDelegate
{
    Q_OBJECT

public:
    explicit ComboxItemDelegate(QObject *parent = nullptr) : QItemDelegate(parent) {}

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override;

    QStringList items;

private slots:
    void currentIndexChanged(int index);
};
