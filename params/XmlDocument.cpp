#include "XmlDocument.h"

#include <QCoreApplication>
#include <QDomElement>
#include <QHash>
#include <QTextStream>
#include <QXmlStreamReader>

void XmlDocument::SetFileName(const QString &name)
{
    m_fileName = name;
}

bool XmlDocument::CreateNew()
{
    Close();
    m_output = std::make_unique<QSaveFile>(m_fileName);
    if (!m_output->open(QIODevice::WriteOnly | QIODevice::Text)) {
        m_problem = m_output->errorString();
        m_output.reset();
        return false;
    }
    StartDocument();
    return true;
}

namespace {
QDomProcessingInstruction Declaration(QDomDocument &document)
{
    return document.createProcessingInstruction("xml", "version=\"1.0\" encoding=\"utf-8\"");
}
}  // namespace

void XmlDocument::StartDocument()
{
    m_document.clear();
    m_document.appendChild(Declaration(m_document));
    m_document.appendChild(m_document.createElement("configure"));
}

void XmlDocument::DeclareAsExported()
{
    const QDomNode first = m_document.firstChild();
    if (first.isProcessingInstruction()) {
        m_document.replaceChild(Declaration(m_document), first);
    } else {
        m_document.insertBefore(Declaration(m_document), first);
    }
}

bool XmlDocument::IsSafeToParse(const QByteArray &content)
{
    if (content.size() > kMaxFileBytes) {
        return false;
    }
    // Look at the prolog with a reader that expands nothing: a document type
    // declaration before the root element means entities may follow.
    QXmlStreamReader reader(content);
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::DTD || token == QXmlStreamReader::EntityReference) {
            return false;
        }
        if (token == QXmlStreamReader::StartElement || token == QXmlStreamReader::Invalid) {
            break;
        }
    }
    // And whatever the encoding claims, no declaration anywhere in the bytes.
    return !content.contains("<!DOCTYPE") && !content.contains("<!ENTITY");
}

namespace {
QString TooLarge()
{
    return QCoreApplication::translate("XmlDocument", "larger than %1 MiB")
        .arg(XmlDocument::kMaxFileBytes >> 20);
}
}  // namespace

bool XmlDocument::Load()
{
    Close();
    m_document.clear();
    QFile file(m_fileName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        m_problem = file.errorString();
        return false;
    }
    if (file.size() > kMaxFileBytes) {
        m_problem = TooLarge();
        return false;
    }
    return LoadContent(file.read(kMaxFileBytes + 1));
}

bool XmlDocument::LoadContent(const QByteArray &content)
{
    m_document.clear();
    if (content.size() > kMaxFileBytes) {
        m_problem = TooLarge();
        return false;
    }
    if (!IsSafeToParse(content)) {
        m_problem = QCoreApplication::translate(
            "XmlDocument",
            "it declares a document type or entities, which a parameter file never holds");
        return false;
    }
    m_missing = false;
    QString error;
    int line = 0, column = 0;
    if (!m_document.setContent(content, &error, &line, &column)) {
        m_document.clear();
        m_problem = QCoreApplication::translate("XmlDocument", "not XML: %1 (line %2, column %3)")
                        .arg(error)
                        .arg(line)
                        .arg(column);
        return false;
    }
    if (Root().tagName() != QLatin1String("configure")) {
        m_problem =
            QCoreApplication::translate("XmlDocument", "its top element is <%1>, not <configure>")
                .arg(Root().tagName());
        m_document.clear();
        return false;
    }
    return true;
}

bool XmlDocument::Save()
{
    if (!m_output) {
        return false;
    }
    const QByteArray bytes = ToBytes();
    if (m_output->write(bytes) != bytes.size()) {
        m_output->cancelWriting();
    }
    const bool saved = m_output->commit();
    if (!saved) {
        m_problem = m_output->errorString();
    }
    m_output.reset();
    return saved;
}

QByteArray XmlDocument::ToBytes() const
{
    QByteArray bytes;
    QTextStream out(&bytes, QIODevice::WriteOnly);
    out.setCodec("UTF-8");
    m_document.save(out, 4);
    out.flush();
    return bytes;
}

void XmlDocument::Close()
{
    if (m_output) {
        m_output->cancelWriting();
        m_output.reset();
    }
}

void XmlDocument::AddTextElement(QDomElement &parent, const QString &tag, const QString &text)
{
    QDomElement element = m_document.createElement(tag);
    element.appendChild(m_document.createTextNode(text));
    parent.appendChild(element);
}

void XmlDocument::MergeChild(QDomElement &element, QDomElement &parent)
{
    const QDomElement existing = parent.firstChildElement(element.tagName());
    if (!existing.isNull()) {
        element = existing;
    } else {
        parent.appendChild(element);
    }
}

QDomElement XmlDocument::FindElement(const QDomNodeList &nodes, const QString &tag)
{
    for (int i = 0; i < nodes.count(); ++i) {
        if (nodes.at(i).nodeName() == tag) {
            return nodes.at(i).toElement();
        }
    }
    m_missing = true;
    return QDomElement();
}

namespace {
void WalkValues(const QDomElement &parent, const QString &path,
                QVector<QPair<QString, QString>> &values)
{
    QHash<QString, int> seen;
    for (QDomElement child = parent.firstChildElement(); !child.isNull();
         child = child.nextSiblingElement()) {
        const int n = ++seen[child.tagName()];
        QString name = path + child.tagName();
        if (n > 1) {
            name += QStringLiteral("[%1]").arg(n);
        }
        if (child.firstChildElement().isNull()) {
            const QString text = child.text();
            values.append({name, text.isNull() ? QStringLiteral("") : text});
        } else {
            WalkValues(child, name + QLatin1Char('/'), values);
        }
    }
}
}  // namespace

QVector<QPair<QString, QString>> XmlDocument::Values() const
{
    QVector<QPair<QString, QString>> values;
    WalkValues(Root(), QString(), values);
    return values;
}
