#pragma once

#include "PageKey.h"

#include <QList>
#include <QObject>
#include <QPair>
#include <Qt>

class BaseWidget;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;
class Session;

// What a page's factory is given.
struct PageContext {
    Session *session;
    int productType;
    int alignSettleMs;  // the signal I/O pages' wait after a phase alignment
    QWidget *parent;
    // Pages the window keeps for its whole life (the alarm log, whose rows
    // must outlive a change of model): put in the list, never deleted here.
    QList<QPair<PageKey, BaseWidget *>> kept = {};
};

// The pages of a model in page-list order, from app/PageTable.cpp.
QList<PageKey> PageOrder(int productType);

// Item data roles of the tree: the PageKey (as int), and the untranslated
// text that a language change translates again.
constexpr int kPageKeyRole = Qt::UserRole;
constexpr int kSourceTextRole = Qt::UserRole + 1;

// Fills the tree with the items of `productType`, in the current language.
void BuildTree(QTreeWidget *tree, int productType);
// Sets every item's text again in the current language.
void RetranslateTree(QTreeWidget *tree);
// The key of the page an item shows; PageKey::None for a branch or null.
PageKey KeyOf(const QTreeWidgetItem *item);

// The pages of one product type, in page-list order.
class Pages
{
public:
    Pages() = default;
    Pages(const Pages &) = delete;
    Pages &operator=(const Pages &) = delete;

    // Creates the pages of `context.productType` as children of its parent,
    // taking the context's kept pages in their places.
    void Create(const PageContext &context);
    // Deletes the pages it created; kept pages only leave the list.
    void Destroy();

    // The page of `key`, or null when the model has none.
    BaseWidget *Find(PageKey key) const;
    template <class T>
    T *Get(PageKey key) const
    {
        return qobject_cast<T *>(Find(key));
    }
    // The keys of `list`, in its order.
    QList<PageKey> Keys() const;
    // The product type they were created for.
    int ProductType() const { return m_productType; }

    // In page-list order. Read it only; Create and Destroy keep it.
    QList<BaseWidget *> list;

private:
    QList<QPair<PageKey, BaseWidget *>> m_keyed;
    QList<BaseWidget *> m_owned;
    int m_productType = 0;
};
