#include "Twin.h"

#include "CfgNetClient.h"
#include "ParamsFile.h"

namespace Twin {
namespace {
// A client logged in to the simulator as admin; empty, or why not.
QString LogIn(CfgNetClient &client, const QString &address, quint16 port,
              const QByteArray &adminPassword)
{
    client.Open(address, port);
    client.SetUser(0, QString::fromUtf8(adminPassword));
    return client.Login() == 0
               ? QString()
               : QStringLiteral("the simulator at %1 refused the login").arg(address);
}
}  // namespace

int ModelOf(const QByteArray &content, QString *error)
{
    XmlDocument doc;
    if (!doc.LoadContent(content) || doc.Root().tagName() != QLatin1String("configure")) {
        *error = QStringLiteral("not a parameter file of this tool");
        return 0;
    }
    const int model = FileModel(doc);
    if (model < 50000 || model > 50002) {
        *error = QStringLiteral("ModuleType %1 is no model the simulator knows")
                     .arg(doc.Root().firstChildElement(QStringLiteral("ModuleType")).text());
        return 0;
    }
    return model;
}

QString Load(const QString &address, quint16 port, const QByteArray &adminPassword,
             const QByteArray &content)
{
    XmlDocument doc;
    QString error;
    const int model = ModelOf(content, &error);
    if (model == 0) {
        return error;
    }
    doc.LoadContent(content);
    if (!CheckParts(doc, model, &error)) {
        return error;
    }
    CfgNetClient client;
    error = LogIn(client, address, port, adminPassword);
    if (error.isEmpty()) {
        for (const ParamPart &part : ParamParts(model)) {
            if (part.importFrom(client, doc, &error) != 0) {
                break;
            }
        }
    }
    client.Close();
    return error;
}

QByteArray Save(const QString &address, quint16 port, const QByteArray &adminPassword,
                QString *error)
{
    CfgNetClient client;
    *error = LogIn(client, address, port, adminPassword);
    quint32 code = 0;
    QByteArray serial, extra;
    if (error->isEmpty() && client.GetProductInfo(code, serial, extra) != 0) {
        *error = QStringLiteral("the simulator did not report its model");
    }
    XmlDocument doc;
    if (error->isEmpty() && ExportFile(client, doc, static_cast<int>(code), error) != 0) {
        return QByteArray();
    }
    client.Close();
    return error->isEmpty() ? doc.ToBytes() : QByteArray();
}

}  // namespace Twin
