#pragma once

#include <QDomDocument>
#include <QFile>
#include <QSaveFile>
#include <QString>

#include <QPair>
#include <QVector>

#include <memory>

// The parameter file: the document through which the export, the import and
// every part (params/ParamsFile) read and write it. The main window owns one
// and hands it to its import's parts. Export runs on the user-interface
// thread; an import's walk runs on the command worker's thread while the user
// interface waits for its end, so one party uses the document at a time.
class XmlDocument final
{
public:
    // Files above this size are not parameter files of this tool.
    static constexpr qint64 kMaxFileBytes = 4 * 1024 * 1024;

    XmlDocument() = default;

    void SetFileName(const QString &name);
    // Starts a new document for the file. The file itself is replaced only by
    // Save(): until then an existing file stays as it was. Both put the
    // system's reason for a failure in Problem().
    bool CreateNew();
    // Reads and parses the file. A file that is too large, or that declares a
    // document type or entities (which this tool never writes, and which can
    // make a parser expand without bound or read other files), is refused
    // unparsed; so is one that cannot be opened, is not XML, or has another
    // top element than "configure". The document is then empty and Problem()
    // says why, for the operator.
    bool Load();
    // Writes the document (indent 4) and replaces the file with it.
    bool Save();
    // Without a file: a new empty document, parsed content (checked like a
    // file's), and the bytes Save() would write.
    void StartDocument();
    bool LoadContent(const QByteArray &content);
    QByteArray ToBytes() const;
    // The XML declaration as the export writes it: a parsed one is written
    // back with other quotes, so that content read and written again would
    // not be the exported file byte for byte.
    void DeclareAsExported();
    // Ends the current flow; an export that was not saved leaves the file alone.
    void Close();

    QDomElement Root() const { return m_document.documentElement(); }
    QDomElement CreateElement(const QString &tag) { return m_document.createElement(tag); }
    void AddTextElement(QDomElement &parent, const QString &tag, const QString &text);
    // If `parent` already has a child named like `element`, `element` becomes
    // that child; otherwise it is appended to `parent`.
    void MergeChild(QDomElement &element, QDomElement &parent);
    QDomNodeList ChildNodes(const QDomNode &node) const { return node.childNodes(); }
    // The first element named `tag` in `nodes`; when there is none, sets the
    // missing-element flag and returns an empty element.
    QDomElement FindElement(const QDomNodeList &nodes, const QString &tag);
    bool IsMissing() const { return m_missing; }
    void SetMissing(bool missing) { m_missing = missing; }

    // Why the file could not be read or written, or why the import or export
    // failed, for the second line of its message: the element path and the
    // reason, or the device operation that failed and its answer.
    QString Problem() const { return m_problem; }
    void SetProblem(const QString &problem) { m_problem = problem; }

    // Whether raw file content may be handed to the parser at all.
    static bool IsSafeToParse(const QByteArray &content);

    // Every value (a leaf element) by its path below the document element,
    // in document order: "SignalIO/GroupA/QuietSwitching/AudioFadingDuration".
    // A name repeated among siblings is numbered from the second on
    // ("Input", "Input[2]"). A value is never null: an empty element is "".
    QVector<QPair<QString, QString>> Values() const;

private:
    Q_DISABLE_COPY(XmlDocument)

    QString m_fileName;
    std::unique_ptr<QSaveFile> m_output;
    QDomDocument m_document;
    bool m_missing = false;
    QString m_problem;
};
