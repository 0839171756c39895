#pragma once

#include "ParamField.h"

#include <QVector>

class CfgNetClient;

// One switching group's genlock and clocking settings, and on the 4x1 models
// the audio effect and the AUX output as well.
struct SignalIOParams {
    qint64 delayLine = 0;      // genlock phase delay, lines
    qint64 delayPixel = 0;     // genlock phase delay, pixels
    qint64 followGenlock = 0;  // phase alignment follows the genlock: 0 or 1
    qint64 clockingMode = 0;   // 0 auto genlock, 1 auto input
    qint64 fadingEnable = 0;
    qint64 fadingDuration = 0;  // milliseconds
    qint64 duplication = 0;     // 0 disabled, 1 auto, 2 left-left, 3 right-right
    qint64 auxSource = 0;       // 0 to 3 inputs 1 to 4, 4 programme output

    // Which sets of values a parameter file held: a set with an empty or
    // missing value is skipped on import, and the others still written.
    bool hasPhase = true;
    bool hasFollow = true;
    bool hasAudio = true;
};

// Where a signal I/O page sits on the device: the dual model has a page per
// group and shares the device's two-element arrays between them; the 4x1
// models have one page, group 0, with the audio settings besides.
struct SignalIOScope {
    int group;
    bool dual;
};

// The signal I/O pages' parameters, without widgets.
namespace SignalIOModel {
constexpr char kElement[] = "SignalIO";

// "GroupA" or "GroupB".
QString GroupElement(int group);

// The follow-genlock item for a device flag: the device may hold values the
// page has no item for (2 and above); those show as no item.
int FollowIndex(qint64 flag);
// Apply's fields: a value a control cannot show goes back as read.
std::vector<EditField<SignalIOParams>> EditFields();

// The two-element array to send: element `scope.group` := `value`; the other
// element as the device holds it on the dual model, 0 on the 4x1 models.
template <class T>
QVector<T> Merged(const QVector<T> &device, SignalIOScope scope, T value)
{
    QVector<T> out = scope.dual ? device : QVector<T>{0, 0};
    out.resize(2);
    out[scope.group] = value;
    return out;
}

// Device to values; 0, or -1 with `failure` naming the operation.
int Read(CfgNetClient &client, SignalIOScope scope, SignalIOParams &values, QString *failure);
// Only the phase delay and clocking mode.
int ReadPhase(CfgNetClient &client, SignalIOScope scope, SignalIOParams &values, QString *failure);

// The writes of Apply and of the import, in the device's order.
int WritePhase(CfgNetClient &client, SignalIOScope scope, const SignalIOParams &values,
               QString *failure);
int WriteFollow(CfgNetClient &client, SignalIOScope scope, const SignalIOParams &values,
                QString *failure);
int WriteAudio(CfgNetClient &client, const SignalIOParams &values, QString *failure);
// The import: the sets the file held, in that order.
int Write(CfgNetClient &client, SignalIOScope scope, const SignalIOParams &values,
          QString *failure);

// Values to the parameter document (adds to a SignalIO element already
// there, so both groups of the dual model share one), and back. Every value
// present must be a decimal number that fits its field.
void ToDocument(XmlDocument &doc, SignalIOScope scope, const SignalIOParams &values);
bool FromDocument(const XmlDocument &doc, SignalIOScope scope, SignalIOParams &values,
                  QString *problem);

// Whether the values of the sets present fit their fields.
bool Check(SignalIOScope scope, const SignalIOParams &values, QString *problem);
}  // namespace SignalIOModel
