#include "ComboxItemDelegate.h"

#include <QComboBox>

QWidget *ComboxItemDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &,
                                          const QModelIndex &) const
{
    auto *combo = new QComboBox(parent);
    combo->insertItems(0, items);
    connect(combo, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &ComboxItemDelegate::currentIndexChanged);
    return combo;
}

void ComboxItemDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    auto *combo = static_cast<QComboBox *>(editor);
    const QString text = index.model()->data(index, Qt::EditRole).toString();
    combo->setCurrentIndex(combo->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive));
}

void ComboxItemDelegate::setModelData(QWidget *editor, QAbstractItemModel *model,
                                      const QModelIndex &index) const
{
    auto *combo = static_cast<QComboBox *>(editor);
    model->setData(index, combo->currentText(), Qt::EditRole);
}

void ComboxItemDelegate::currentIndexChanged(int)
{
    if (auto *combo = qobject_cast<QComboBox *>(sender())) {
        emit commitData(combo);
    }
}
