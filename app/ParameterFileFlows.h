#pragma once

#include <QString>

class BaseWidget;
class CfgNetClient;
class QWidget;
class XmlDocument;

// "Export..." and "Import..." as the main window runs them, each ending in
// its message. Both walk the parts of params/ParamsFile.
namespace ParameterFileFlows {

// The file dialogs of both flows, starting at "Configure.xml" beside the
// program; empty when cancelled.
QString ChooseFile(QWidget *window, bool save);

// Every part's parameters from the device into `file`; a failure leaves an
// existing file as it was.
void Export(QWidget *window, CfgNetClient &client, XmlDocument &doc, int productType,
            const QString &file);
// Loads `file` and checks that it is this model's, or says why not; true
// when the command worker may run the import (which reads and checks every
// part before it writes).
bool Load(QWidget *window, XmlDocument &doc, int productType, const QString &file);
// The worker's report: the shown page refreshed (unless the session ended),
// and the message.
void Finish(QWidget *window, XmlDocument &doc, int status, BaseWidget *shown);

}  // namespace ParameterFileFlows
