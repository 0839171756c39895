#pragma once

#include "ImportTarget.h"
#include "ParamsFile.h"
#include "PartWrite.h"

#include <functional>

class CfgNetClient;
class XmlDocument;

// The window's import as one walk over every part, for the change journal:
// it reads all parts from the device before the first write, writes them in
// order and says of each field whether the device took it, refused it or was
// never asked (WriteParts). It runs on the command worker and never touches
// the journal: the window takes Result() once the worker says the import
// finished, and records it on its own thread.
class JournaledImport final : public ImportTarget
{
public:
    // `nextPart`: called before each part after the first, on the worker;
    // waits the gap the device needs and says whether to go on.
    JournaledImport(int productType, CfgNetClient &client, XmlDocument &doc,
                    std::function<bool()> nextPart);

    int PrepareImport() override;
    int ImportParameters() override;

    // What the last import did, taken once (an import asked for but never
    // begun leaves nothing); call it only after NotifyImportFinish.
    PartsWrite TakeResult()
    {
        PartsWrite result = std::move(m_result);
        m_result = PartsWrite();
        return result;
    }

private:
    Q_DISABLE_COPY(JournaledImport)
    QVector<ParamPart> m_parts;
    CfgNetClient &m_client;
    XmlDocument &m_doc;
    std::function<bool()> m_nextPart;
    PartsWrite m_result;
};
