#pragma once

#include <QList>
#include <QMetaObject>

class CmdThread;
class Pages;
class cfg;

// The connections between the pages of one model, the command worker and the
// main window (its status bar and its session signals). They are made for the pages that exist and
// taken down before a model change deletes those pages.
class PageWiring final
{
public:
    PageWiring() = default;
    PageWiring(const PageWiring &) = delete;
    PageWiring &operator=(const PageWiring &) = delete;

    void Connect(const Pages &pages, CmdThread *worker, cfg *window);
    void Disconnect();

private:
    QList<QMetaObject::Connection> m_connections;
};
