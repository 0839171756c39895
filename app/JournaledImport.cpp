#include "JournaledImport.h"

#include "XmlDocument.h"

JournaledImport::JournaledImport(int productType, CfgNetClient &client, XmlDocument &doc,
                                 std::function<bool()> nextPart)
    : m_parts(ParamParts(productType)),
      m_client(client),
      m_doc(doc),
      m_nextPart(std::move(nextPart))
{}

int JournaledImport::PrepareImport()
{
    m_result = PartsWrite();
    // Every part is checked before any is written, so a bad file writes nothing.
    for (const ParamPart &part : m_parts) {
        QString problem;
        if (!part.check(m_doc, &problem)) {
            m_doc.SetProblem(problem);
            return -1;
        }
    }
    return 0;
}

int JournaledImport::ImportParameters()
{
    bool first = true;
    const auto stop = [this, &first] {
        const bool go = first || !m_nextPart || m_nextPart();
        first = false;
        return !go;
    };
    m_result = WriteParts(m_client, m_parts, m_doc, stop);
    if (m_result.status != 0) {
        m_doc.SetProblem(m_result.failure);
    }
    return m_result.status;
}
