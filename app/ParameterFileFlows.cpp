#include "ParameterFileFlows.h"

#include "AlarmCsv.h"
#include "BaseWidget.h"
#include "MessageBoxes.h"
#include "ParamsFile.h"
#include "XmlDocument.h"

#include <QDir>
#include <QFileDialog>

namespace ParameterFileFlows {

QString ChooseFile(QWidget *window, bool save)
{
    // Beside the program in a build tree; an installed program's directory
    // is no place for the operator's files.
    const QString program = QCoreApplication::applicationDirPath();
    const QString initial = (AlarmCsv::IsInstalled(program) ? QDir::homePath() : program) +
                            QStringLiteral("/Configure.xml");
    const QString filter = QCoreApplication::translate("cfg", "XML files (*.xml)");
    const QString title = QCoreApplication::translate("cfg", "Select File");
    if (save) {
        return QFileDialog::getSaveFileName(window, title, initial, filter);
    }
    return QFileDialog::getOpenFileNames(window, title, initial, filter).value(0);
}

void Export(QWidget *window, CfgNetClient &client, XmlDocument &doc, int productType,
            const QString &file)
{
    // The second line says which device operation failed, and its answer, or
    // why the file could not be written.
    const auto fail = [&] {
        Warn(window, QCoreApplication::translate("cfg", "The export fails.") + QLatin1Char('\n') +
                         doc.Problem());
    };
    doc.SetProblem(QString());
    doc.SetFileName(file);
    if (!doc.CreateNew()) {
        fail();
        return;
    }
    // The walk of the command-line tool and the twin, so the files agree.
    QString failure;
    if (ExportFile(client, doc, productType, &failure) != 0) {
        // The file on disk stays as it was.
        doc.Close();
        doc.SetProblem(failure);
        fail();
        return;
    }
    if (!doc.Save()) {
        fail();
        return;
    }
    Inform(window, QCoreApplication::translate("cfg", "The export is done."));
}

bool Load(QWidget *window, XmlDocument &doc, int productType, const QString &file)
{
    doc.SetFileName(file);
    if (!doc.Load()) {
        doc.Close();
        Warn(window, QCoreApplication::translate("cfg", "The parameter file cannot be read.") +
                         QLatin1Char('\n') + doc.Problem());
        return false;
    }
    const int fileType =
        doc.FindElement(doc.ChildNodes(doc.Root()), QStringLiteral("ModuleType")).text().toInt();
    if (fileType != productType) {
        doc.Close();
        Warn(window, QCoreApplication::translate(
                         "cfg", "The parameter file and the device are mismatched."));
        return false;
    }
    doc.SetProblem(QString());
    return true;
}

void Finish(QWidget *window, XmlDocument &doc, int status, BaseWidget *shown)
{
    doc.Close();
    if (status == kImportStopped) {
        Warn(window, QCoreApplication::translate(
                         "cfg",
                         "The import did not complete: the session ended before every page "
                         "was written. The device keeps the values written so far."));
        return;
    }
    // A failed import may have written the parts before the one that failed:
    // the shown page must not keep older values for the next Apply to write.
    if (shown) {
        shown->RefreshFromDevice();
    }
    if (status != 0) {
        // The second line says which element or which device operation.
        const QString fails = QCoreApplication::translate("cfg", "The import fails.");
        const QString problem = doc.Problem();
        Warn(window, problem.isEmpty() ? fails : fails + QLatin1Char('\n') + problem);
        return;
    }
    Inform(window, QCoreApplication::translate("cfg", "The import is done."));
}

}  // namespace ParameterFileFlows
