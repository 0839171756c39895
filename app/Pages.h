#pragma once

#include <QList>
#include <QString>

class BaseWidget;
class CfgNetClient;
class CmdThread;
class QObject;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

class General;
class GenlockWidget;
class GPIO;

// The pages of one product type, their tree and their wiring. Adding a page
// means: a member here, a line in Create(), a row in PageFor() and its
// connections in Wire(); nothing else.
struct Pages {
    General *general = nullptr;
    GenlockWidget *genlock = nullptr;
    GPIO *gpio = nullptr;

    // In page-list order, the order of export and import.
    QList<BaseWidget *> list;

    // Creates the pages of `productType` as children of `parent`.
    void Create(CfgNetClient *client, int productType, QWidget *parent);
    void Destroy();
};

// Fills the tree with the items of `productType`, in the current language.
void BuildTree(QTreeWidget *tree, int productType);

// The page that a tree item shows, or null for an item whose page does not
// exist (or for a branch).
BaseWidget *PageFor(const Pages &pages, const QTreeWidgetItem *item, int productType);
