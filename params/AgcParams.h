#pragma once

#include "ParamField.h"

#include <array>

class CfgNetClient;
struct AGCParam;

// Automatic gain control of the programme audio (the 4x1 AGC model), as the
// device holds it: the magnitudes are dB below full scale, the codes the
// device's own (see AGCParam).
struct AgcParams {
    static constexpr int kChannels = 16;

    qint64 gainControlMode = 0;                   // 1 automatic, 0 manual
    qint64 manualGain = 0;                        // dB
    std::array<qint64, kChannels> channelMode{};  // 0 auto, 1 forced off, 2 forced on
    qint64 targetLevel = 0;
    qint64 loudnessSource = 0;  // 0 true peak, else power
    qint64 frequencyCompensation = 0;
    qint64 stereoMode = 0;
    qint64 noiseThreshold = 0;
    qint64 gainRatio = 0;  // 0 = 100 %, 1 = 75 %, 2 = 50 %, 3 = 25 %
    qint64 upperThreshold = 0;
    qint64 lowerThreshold = 0;
    qint64 outputLimitThreshold = 0;

    bool operator==(const AgcParams &other) const;
    bool operator!=(const AgcParams &other) const { return !(*this == other); }
};

// What the AGC page's controls show, in the controls' own terms: combo
// indexes, dBFS as negative numbers, the gain ratio in percent.
struct AgcControls {
    int gainModeIndex = 0;  // 0 "AGC", 1 "Manual"
    int manualGain = 0;
    std::array<int, AgcParams::kChannels> channelIndex{};  // 0 "Auto", 1 "Force On", 2 "Force Off"
    int outputLimit = 0;                                   // dBFS, -40 to 0
    int targetLevel = 0;                                   // dBFS, -40 to -12
    int loudnessIndex = 0;                                 // 0 "True Peak", 1 "Power"
    int frequencyIndex = 0;                                // 0 "Enabled", 1 "Disabled"
    int stereoIndex = 0;                                   // 0 "Enabled", 1 "Disabled"
    int noiseThreshold = 0;                                // dBFS, -63 to -40
    int gainRatioPercent = 100;                            // 25, 50, 75 or 100
    int upperThreshold = 0;
    int lowerThreshold = 0;

    bool operator==(const AgcControls &other) const;
};

// The AGC page's parameters, without widgets: the page, the import on the
// command worker's thread and the command-line tool all use these.
namespace AgcModel {
constexpr char kElement[] = "AGC";

// Device to values, and values to device; 0, or -1 with `failure` naming the
// operation and the device's answer.
int Read(CfgNetClient &client, AgcParams &values, QString *failure);
int Write(CfgNetClient &client, const AgcParams &values, QString *failure);

AgcParams FromDevice(const AGCParam &param);
AGCParam ToDevice(const AgcParams &values);

// Values to the parameter document (AGC/GeneralConfig, AGC/AGC), and back
// with every value present and checked.
void ToDocument(XmlDocument &doc, const AgcParams &values);
bool FromDocument(const XmlDocument &doc, AgcParams &values, QString *problem);

// Whether the values fit the message that carries them.
bool Check(const AgcParams &values, QString *problem);

// The controls' terms and the device's, one field at a time. Each pair is
// exact inverses over the codes the device defines and the values the
// controls offer.
int GainModeIndex(qint64 mode);
qint64 GainModeOf(int index);
// -1 (no item) for a code the device does not define.
int ChannelIndex(qint64 mode);
qint64 ChannelModeOf(int index);
int ShownDbfs(qint64 magnitude);
qint64 MagnitudeOf(int dbfs);
int GainRatioPercent(qint64 code);
qint64 GainRatioOf(int percent);
int LoudnessIndex(qint64 source);
qint64 LoudnessOf(int index);
int EnabledIndex(qint64 flag);
qint64 EnabledOf(int index);

// A code the device does not define shows as no item (-1) in a combo, and a
// gain ratio code as 0 %, outside the box; back from there it gives kNoItem.
AgcControls ToControls(const AgcParams &values);
AgcParams FromControls(const AgcControls &controls);
// Apply's fields: a value a control cannot show goes back as read.
std::vector<EditField<AgcParams>> EditFields();
}  // namespace AgcModel
