#include "Pages.h"

#include "BaseWidget.h"
#include "PageTable.h"

#include <QCoreApplication>
#include <QHash>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <algorithm>
#include <functional>
#include <vector>

namespace {
BaseWidget *CreatePage(PageKey key, const PageContext &context)
{
    for (const PageDescriptor &page : PageDescriptors()) {
        if (page.key == key && page.make) {
            return page.make(context);
        }
    }
    return nullptr;
}

QTreeWidgetItem *NewItem(QTreeWidget *tree, QTreeWidgetItem *parent, const char *text, PageKey key)
{
    auto *item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree);
    item->setData(0, kSourceTextRole, QByteArray(text));
    item->setData(0, kPageKeyRole, static_cast<int>(key));
    item->setText(0, QCoreApplication::translate("cfg", text));
    return item;
}
}  // namespace

QList<PageKey> PageOrder(int productType)
{
    QList<PageKey> order;
    for (const PageDescriptor &page : PageDescriptors()) {
        if (page.PlaceIn(productType).text) {
            order.append(page.key);
        }
    }
    return order;
}

void BuildTree(QTreeWidget *tree, int productType)
{
    tree->clear();
    std::vector<const PageDescriptor *> shown;
    for (const PageDescriptor &page : PageDescriptors()) {
        if (page.PlaceIn(productType).text) {
            shown.push_back(&page);
        }
    }
    std::stable_sort(
        shown.begin(), shown.end(),
        [](const PageDescriptor *a, const PageDescriptor *b) { return a->treeRank < b->treeRank; });
    // A branch's item is made with the first page under it.
    QHash<int, QTreeWidgetItem *> branches;
    std::function<QTreeWidgetItem *(Branch)> branchItem = [&](Branch branch) {
        if (branch == Branch::Top) {
            return static_cast<QTreeWidgetItem *>(nullptr);
        }
        QTreeWidgetItem *item = branches.value(static_cast<int>(branch));
        if (!item) {
            const TreeBranch &row = BranchOf(branch);
            item = NewItem(tree, branchItem(row.parent), row.text, PageKey::None);
            branches.insert(static_cast<int>(branch), item);
        }
        return item;
    };
    for (const PageDescriptor *page : shown) {
        const TreePlace place = page->PlaceIn(productType);
        NewItem(tree, branchItem(place.parent), place.text, page->key);
    }
    tree->expandAll();
}

void RetranslateTree(QTreeWidget *tree)
{
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        const QByteArray source = (*it)->data(0, kSourceTextRole).toByteArray();
        (*it)->setText(0, QCoreApplication::translate("cfg", source.constData()));
    }
}

PageKey KeyOf(const QTreeWidgetItem *item)
{
    return item ? static_cast<PageKey>(item->data(0, kPageKeyRole).toInt()) : PageKey::None;
}

void Pages::Create(const PageContext &context)
{
    Destroy();
    m_productType = context.productType;
    for (PageKey key : PageOrder(context.productType)) {
        BaseWidget *page = nullptr;
        for (const auto &kept : context.kept) {
            if (kept.first == key) {
                page = kept.second;
            }
        }
        if (!page) {
            page = CreatePage(key, context);
            if (page) {
                m_owned.append(page);
            }
        }
        if (page) {
            page->hide();
            m_keyed.append({key, page});
            list.append(page);
        }
    }
}

void Pages::Destroy()
{
    qDeleteAll(m_owned);
    m_owned.clear();
    list.clear();
    m_keyed.clear();
}

BaseWidget *Pages::Find(PageKey key) const
{
    for (const auto &entry : m_keyed) {
        if (entry.first == key) {
            return entry.second;
        }
    }
    return nullptr;
}

QList<PageKey> Pages::Keys() const
{
    QList<PageKey> keys;
    for (const auto &entry : m_keyed) {
        keys.append(entry.first);
    }
    return keys;
}
