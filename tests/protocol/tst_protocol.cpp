#include "../common/Golden.h"
#include "ConfigMessages.h"
#include "DeviceTables.h"
#include "IdentityMessages.h"
#include "StatusMessages.h"
#include "TextForms.h"

#include <QtTest>

namespace {
QByteArray Bytes(RequestMsg &request)
{
    const quint8 *data = nullptr;
    const int size = request.Serialize(&data);
    return size < 0 ? QByteArray("refused")
                    : QByteArray(reinterpret_cast<const char *>(data), size);
}

// Parses `payload` as a success response to `type`, as the transport would.
template <class T>
std::unique_ptr<T> Decode(quint16 type, const QByteArray &payload, int *status = nullptr)
{
    const QByteArray datagram = Framed(type, 0, 7, payload);
    const auto *bytes = reinterpret_cast<const quint8 *>(datagram.constData());
    std::unique_ptr<ResponseMsg> response = CreateResponseFor(type, bytes, datagram.size());
    const int rc = response->Parse(bytes, datagram.size());
    if (status) {
        *status = rc;
    }
    T *typed = dynamic_cast<T *>(response.get());
    if (!typed) {
        return nullptr;
    }
    response.release();
    return std::unique_ptr<T>(typed);
}
}  // namespace

class TestProtocol : public QObject
{
    Q_OBJECT

private slots:
    void requestDatagrams_data();
    void requestDatagrams();
    void credentialLimits_data();
    void credentialLimits();
    void parseRejections_data();
    void parseRejections();
    void responseFactory();
    void identityResponses();
    void configResponses();
    void statusResponses();
    void detectionBlock();
    void serialNumber_data();
    void serialNumber();
    void versionAndAddressTexts_data();
    void versionAndAddressTexts();
    void parseAddress_data();
    void parseAddress();
    void videoStandardNames_data();
    void videoStandardNames();
    void regionLimits_data();
    void regionLimits();
    void productTables_data();
    void productTables();
    void diagnosticNames();
};

void TestProtocol::requestDatagrams_data()
{
    QTest::addColumn<QByteArray>("actual");
    QTest::addColumn<QByteArray>("expected");

    SimpleRequest<kMsgGetWorkMode> workMode(0, 1);
    QTest::newRow("GetWorkMode") << Bytes(workMode) << Hex("000A0100030000000000 01F0");

    SimpleRequest<kMsgGetAlarmInfo> alarmInfo(0x01020304, 0xFFFF);
    QTest::newRow("GetAlarmInfo carries login id and sequence")
        << Bytes(alarmInfo) << Hex("000A010027 01020304 FFFF C5");

    RequestAuthentication auth(0, 2);
    auth.user = "admin";
    auth.password = "abc";
    QTest::newRow("Authentication admin/abc")
        << Bytes(auth) << Framed(2, 0, 2, Hex("05 61646D696E 03 616263"));

    RequestAuthentication empty(0, 3);
    empty.user = "admin";
    QTest::newRow("Authentication empty password")
        << Bytes(empty) << Framed(2, 0, 3, Hex("05 61646D696E 00"));

    RequestModifyPassword modify(9, 4);
    modify.user = "guest";
    modify.password = QString::fromUtf8("pä").toUtf8();
    QTest::newRow("ModifyPassword UTF-8 unchanged")
        << Bytes(modify) << Framed(27, 9, 4, Hex("05 6775657374 03 70C3A4"));

    RequestSetAudioEffect effect(1, 5);
    effect.fadingEnable[1] = 1;
    effect.fadingDuration[1] = 500;
    effect.duplication = 2;
    QTest::newRow("SetAudioEffect group 1")
        << Bytes(effect) << Framed(40, 1, 5, Hex("00 00000000 01 000001F4 02"));

    RequestGetDetectionParam detection(0, 6);
    detection.input = 2;
    QTest::newRow("GetDetectionParam input 2")
        << Bytes(detection) << Hex("000B010024 00000000 0006 02 C7");

    RequestSetPhase phase(1, 7);
    phase.delayLine[0] = 0x0102;
    phase.delayPixel[0] = 0x0304;
    phase.clockingMode[0] = 1;
    QTest::newRow("SetPhase group 0 only, group 1 empty")
        << Bytes(phase) << Framed(31, 1, 7, Hex("0102 0304 01 0000 0000 FF"));

    RequestSetAutoSwitchTrigger trigger(1, 8);
    trigger.entries[0].VideoAlarmMask = 3;
    trigger.entries[0].TriggerCombination = 1;
    trigger.entries[2].AudioLostAlarmMask = 0x8001;
    trigger.entries[2].AudioSilentAlarmMask = 0x0102;
    QTest::newRow("SetAutoSwitchTrigger") << Bytes(trigger)
                                          << Framed(50, 1, 8,
                                                    Hex("00000003 0000 0000 01"
                                                        "00000000 0000 0000 FF"
                                                        "00000000 8001 0102 FF"
                                                        "00000000 0000 0000 FF"));

    RequestSetNotificationDest dest(1, 9);
    dest.ip[0] = 0xC0A8010A;
    dest.port[0].value = 40000;
    dest.ip[1] = 0x0A000001;
    dest.port[1].value = 0x1234;
    QTest::newRow("SetNotificationDest port low byte first")
        << Bytes(dest) << Framed(56, 1, 9, Hex("C0A8010A 409C 0A000001 3412"));

    RequestSetNetParam net(1, 10);
    net.ip = 0xC0A80164;
    net.mask = 0xFFFFFF00;
    net.gateway = 0xC0A80101;
    QTest::newRow("SetNetParam") << Bytes(net)
                                 << Framed(25, 1, 10, Hex("C0A80164 FFFFFF00 C0A80101"));

    RequestSetPGMOutputSelect pgm(1, 11);
    pgm.input[1] = 3;
    QTest::newRow("SetPGMOutputSelect group 0 empty")
        << Bytes(pgm) << Framed(42, 1, 11, Hex("FF 03"));

    RequestSetRelayControl relay(1, 12);
    relay.manualControl[1] = 1;
    relay.bypassProtect[0] = 1;
    QTest::newRow("SetRelayControl") << Bytes(relay) << Framed(46, 1, 12, Hex("00 01 01 00"));

    RequestSetAutoSwitchMethod method(1, 13);
    method.method[0] = 2;
    QTest::newRow("SetAutoSwitchMethod") << Bytes(method) << Framed(48, 1, 13, Hex("02 FF"));

    RequestSetAUXOutputSelect aux(1, 14);
    QTest::newRow("SetAUXOutputSelect empty") << Bytes(aux) << Framed(44, 1, 14, Hex("FF"));

    RequestSetGPIOTriggerMode gpio(1, 15);
    gpio.gpiMode = 1;
    gpio.gpoMode = 0;
    QTest::newRow("SetGPIOTriggerMode") << Bytes(gpio) << Framed(33, 1, 15, Hex("01 00"));

    RequestSetSystemAlarmParam system(1, 16);
    system.mask = 0x00018001;
    QTest::newRow("SetSystemAlarmParam") << Bytes(system) << Framed(37, 1, 16, Hex("00018001"));

    RequestManualReturn manualReturn(1, 17);
    manualReturn.group = 1;
    QTest::newRow("ManualReturn") << Bytes(manualReturn) << Framed(52, 1, 17, Hex("01"));

    RequestAlignPhase align(1, 18);
    QTest::newRow("AlignPhase empty") << Bytes(align) << Framed(68, 1, 18, Hex("00"));

    RequestSetPhaseAutoAlign autoAlign(1, 19);
    autoAlign.followGenlock[1] = 1;
    QTest::newRow("SetPhaseAutoAlign") << Bytes(autoAlign) << Framed(66, 1, 19, Hex("00 01"));

    RequestSetAGCParam agc(1, 20);
    agc.param.gainControlMode = 5;  // any non-zero goes out as 1
    agc.param.manualGain = -3;
    agc.param.channelMode[0] = 2;
    agc.param.channelMode[15] = 0;
    agc.param.loudnessSource = 1;
    agc.param.targetLevel = 27;
    agc.param.upperThreshold = 2;
    agc.param.lowerThreshold = 3;
    agc.param.gainRatio = 1;
    agc.param.noiseThreshold = 50;
    agc.param.outputLimitThreshold = 6;
    agc.param.frequencyCompensation = 7;
    agc.param.stereoMode = 0;
    QTest::newRow("SetAGCParam") << Bytes(agc)
                                 << Framed(53, 1, 20,
                                           Hex("01 FFFFFFFD 02 01010101010101 01010101010101 00"
                                               "01 1B 02 03 01 32 06 01 00"));

    RequestSetDetectionParam setDetection(1, 21);
    setDetection.input = 3;
    setDetection.param.lostEnable = 1;
    setDetection.param.lostTriggerTime = 0x11223344;
    setDetection.param.blackValue3 = 0x0203;
    setDetection.param.freezeValue2 = 0x99;
    setDetection.param.audioLostChannels = 0x8001;
    setDetection.param.audioSilentThreshold = -50;
    setDetection.param.audioSilentClearTime = 600;
    QByteArray block(98, '\0');
    block[0] = 1;
    block.replace(1, 4, Hex("11223344"));
    block.replace(32, 2, Hex("0203"));
    block[55] = char(0x99);
    block.replace(74, 2, Hex("8001"));
    block.replace(86, 4, Hex("FFFFFFCE"));
    block.replace(94, 4, Hex("00000258"));
    QTest::newRow("SetDetectionParam")
        << Bytes(setDetection) << Framed(35, 1, 21, Hex("03") + block);
}

void TestProtocol::requestDatagrams()
{
    QFETCH(QByteArray, actual);
    QFETCH(QByteArray, expected);
    QCOMPARE(actual.toHex(' '), expected.toHex(' '));
    unsigned sum = 0;
    for (char c : actual) {
        sum += quint8(c);
    }
    QCOMPARE(sum & 0xFF, 0xFFu);
}

void TestProtocol::credentialLimits_data()
{
    QTest::addColumn<int>("userBytes");
    QTest::addColumn<int>("passwordBytes");
    QTest::addColumn<int>("size");

    QTest::newRow("255 and 255 fit") << 255 << 255 << 255 + 255 + 2 + 12;
    QTest::newRow("password of 256 refused") << 5 << 256 << -1;
    QTest::newRow("user of 256 refused") << 256 << 3 << -1;
    QTest::newRow("far beyond the buffer refused") << 5 << 5000 << -1;
}

void TestProtocol::credentialLimits()
{
    QFETCH(int, userBytes);
    QFETCH(int, passwordBytes);
    QFETCH(int, size);
    RequestAuthentication login(0, 1);
    RequestModifyPassword modify(1, 1);
    for (CredentialsRequest *request :
         {static_cast<CredentialsRequest *>(&login), static_cast<CredentialsRequest *>(&modify)}) {
        request->user = QByteArray(userBytes, 'u');
        request->password = QByteArray(passwordBytes, 'p');
        const quint8 *data = nullptr;
        QCOMPARE(request->Serialize(&data), size);
        if (size > 0) {
            QCOMPARE(int(data[11]), userBytes);
            QCOMPARE(int(data[12 + userBytes]), passwordBytes);
        }
    }
}

void TestProtocol::parseRejections_data()
{
    QTest::addColumn<QByteArray>("datagram");
    QTest::addColumn<int>("status");
    QTest::addColumn<quint32>("result");

    const QByteArray good = Framed(23, 0, 1, Hex("00000003 14120517 0102002A"));
    QTest::newRow("valid") << good << 0 << 0u;

    QByteArray badSum = good;
    badSum[badSum.size() - 1] = char(badSum.back() + 1);
    QTest::newRow("checksum off by one") << badSum << -1 << 0u;

    QByteArray longer = good;
    longer[1] = char(longer[1] + 1);
    longer[longer.size() - 1] = char(longer.back() - 1);
    QTest::newRow("length one more than size - 2") << longer << -1 << 0u;

    QByteArray shorter = good;
    shorter[1] = char(shorter[1] - 1);
    shorter[shorter.size() - 1] = char(shorter.back() + 1);
    QTest::newRow("length one less than size - 2") << shorter << -1 << 0u;

    QByteArray version = good;
    version[2] = 2;
    version[version.size() - 1] = char(version.back() - 1);
    QTest::newRow("version 2") << version << -1 << 0u;

    QTest::newRow("empty") << QByteArray() << -1 << 0u;
    QTest::newRow("11 bytes, no room for a checksum")
        << Hex("0009 01 0017 00000000 00") + QByteArray(1, char(0xFF - 0x09 - 0x01 - 0x17)) << -1
        << 0u;

    const QByteArray biggest = Framed(23, 0, 1, QByteArray(1028, '\x01'));
    QTest::newRow("1040 bytes accepted") << biggest << 0 << 0u;
    const QByteArray tooBig = Framed(23, 0, 1, QByteArray(1029, '\x01'));
    QTest::newRow("1041 bytes rejected") << tooBig << -1 << 0u;

    QTest::newRow("failure result with a payload is accepted")
        << Framed(23, 13, 1, Hex("00000003 14120517 0102002A")) << 0 << 13u;
}

void TestProtocol::parseRejections()
{
    QFETCH(QByteArray, datagram);
    QFETCH(int, status);
    QFETCH(quint32, result);

    const auto *bytes = reinterpret_cast<const quint8 *>(datagram.constData());
    std::unique_ptr<ResponseMsg> response =
        CreateResponseFor(kMsgGetVersion, bytes, datagram.size());
    QVERIFY(response);
    QCOMPARE(response->Parse(bytes, datagram.size()), status);
    if (status == 0) {
        QCOMPARE(response->result, result);
        auto *version = dynamic_cast<ResponseGetVersion *>(response.get());
        if (result != 0) {
            // A failure carries only its header, whatever payload came with it.
            QVERIFY(!version);
        } else {
            QVERIFY(version);
        }
    }
}

void TestProtocol::responseFactory()
{
    const QSet<int> none = {0, 60, 61, 62, 63, 64, 65, 69, 70};
    const QSet<int> simple = {-1, 1,  4,  7,  9,  11, 14, 15, 16, 17, 19, 20, 21, 22, 24, 25, 27,
                              31, 33, 35, 37, 40, 42, 44, 46, 48, 50, 52, 53, 56, 58, 66, 68};
    for (int code = -1; code <= 70; ++code) {
        std::unique_ptr<ResponseMsg> response = CreateResponse(code);
        if (none.contains(code)) {
            QVERIFY2(!response, qPrintable(QString::number(code)));
            continue;
        }
        QVERIFY2(response, qPrintable(QString::number(code)));
        const bool isSimple = dynamic_cast<SimpleResponse *>(response.get()) != nullptr;
        QVERIFY2(isSimple == simple.contains(code), qPrintable(QString::number(code)));
    }
    QVERIFY(!CreateResponse(255));
    QVERIFY(!CreateResponse(65535));
    QVERIFY(dynamic_cast<ResponseGetEncryption *>(CreateResponse(8).get()));
    QVERIFY(dynamic_cast<ResponseGetMCUFlashInfo *>(CreateResponse(18).get()));
    QVERIFY(dynamic_cast<ResponseGetTrapIp *>(CreateResponse(59).get()));
    QVERIFY(dynamic_cast<ResponseGetPhaseAutoAlign *>(CreateResponse(67).get()));

    // The class follows the request, not the type the device wrote back.
    const QByteArray answer = Framed(30, 0, 1, Hex("0102"));
    const auto *bytes = reinterpret_cast<const quint8 *>(answer.constData());
    QVERIFY(dynamic_cast<ResponseGetWorkMode *>(CreateResponseFor(3, bytes, answer.size()).get()));
    const QByteArray failed = Framed(30, 1, 1, Hex("0102"));
    QVERIFY(dynamic_cast<SimpleResponse *>(
        CreateResponseFor(3, reinterpret_cast<const quint8 *>(failed.constData()), failed.size())
            .get()));
}

void TestProtocol::identityResponses()
{
    auto login = Decode<ResponseAuthentication>(2, Hex("DEADBEEF"));
    QCOMPARE(login->loginId, 0xDEADBEEFu);

    auto mode = Decode<ResponseGetWorkMode>(3, Hex("0005"));
    QCOMPARE(int(mode->workMode), 0);  // update loader, though the transaction succeeded
    QCOMPARE(int(mode->secondMode), 5);

    auto product =
        Decode<ResponseGetProductInfo>(5, Hex("0000C352 4142 00003039 002A 0102030405060708"));
    QCOMPARE(product->productCode, 50002u);
    QCOMPARE(SerialNumberText(product->serial.data()), QStringLiteral("AB00012345-00000042"));
    QCOMPARE(product->extra[7], quint8(8));

    auto net = Decode<ResponseGetNetParam>(26, Hex("7F000002 FF000000 7F000001 01"));
    QCOMPARE(AddressText(net->ip), QStringLiteral("127.0.0.2"));
    QCOMPARE(AddressText(net->mask), QStringLiteral("255.0.0.0"));
    QCOMPARE(int(net->isDefault), 1);

    auto seed = Decode<ResponseGetEncryptionSeed>(6, Hex("00112233445566778899AABBCCDDEEFF"));
    QCOMPARE(seed->second[0], quint8(0x88));
    auto flash = Decode<ResponseGetSPIFlashInfo>(13, Hex("1234"));
    QCOMPARE(flash->value, quint16(0x1234));
    auto mac = Decode<ResponseGetMacAddress>(10, Hex("0A0B0C0D0E0F"));
    QCOMPARE(mac->mac[5], quint8(0x0F));
}

void TestProtocol::configResponses()
{
    auto phase =
        Decode<ResponseGetPhase>(32, Hex("0001 0002 03  0010 0020 02  0000 0000 00  FFFF 0102 03"
                                         "0005 0006 01 01  0007 0008 00 00"));
    QCOMPARE(phase->phaseLine[1], quint16(0x10));
    QCOMPARE(phase->phasePixel[3], quint16(0x0102));
    QCOMPARE(int(phase->phaseState[0]), 3);
    QCOMPARE(int(phase->phaseState[1]), 2);
    QCOMPARE(phase->delayLine[0], quint16(5));
    QCOMPARE(phase->delayPixel[1], quint16(8));
    QCOMPARE(int(phase->clockingMode[0]), 1);
    QCOMPARE(int(phase->isLocked[0]), 1);
    QCOMPARE(int(phase->isLocked[1]), 0);

    auto dest = Decode<ResponseGetNotificationDest>(57, Hex("C0A8010A 409C 00000000 0000"));
    QCOMPARE(dest->port[0].value, quint16(40000));
    QCOMPARE(AddressText(dest->ip[0]), QStringLiteral("192.168.1.10"));

    auto trigger = Decode<ResponseGetAutoSwitchTrigger>(
        51, Hex("00000003 0000 0000 01  00000010 FFFF 0001 02"));
    QCOMPARE(trigger->entries[0].VideoAlarmMask, 3u);
    QCOMPARE(trigger->entries[0].TriggerCombination, 1u);
    QCOMPARE(trigger->entries[1].AudioLostAlarmMask, quint16(0xFFFF));
    QCOMPARE(trigger->entries[1].TriggerCombination, 2u);
    // Beyond a short payload the zero-filled buffer reads as zero, not as the empty value.
    QCOMPARE(trigger->entries[3].TriggerCombination, 0u);

    auto agc = Decode<ResponseGetAGCParam>(
        54, Hex("02 00000028 00010200000000000000000000000000 05 1B 02 03 09 32 06 02 01"));
    QCOMPARE(int(agc->param.gainControlMode), 0);  // only exactly 1 means automatic
    QCOMPARE(agc->param.manualGain, 40);
    QCOMPARE(agc->param.channelMode[1], 1u);
    QCOMPARE(agc->param.channelMode[2], 2u);
    QCOMPARE(agc->param.loudnessSource, 5u);
    QCOMPARE(int(agc->param.gainRatio), 9);
    QCOMPARE(int(agc->param.frequencyCompensation), 0);
    QCOMPARE(int(agc->param.stereoMode), 1);

    auto effect = Decode<ResponseGetAudioEffect>(41, Hex("01 000003E8 00 00000000 03"));
    QCOMPARE(int(effect->fadingEnable[0]), 1);
    QCOMPARE(effect->fadingDuration[0], 1000u);
    QCOMPARE(int(effect->duplication), 3);

    auto relay = Decode<ResponseGetRelayControl>(47, Hex("01000001"));
    QCOMPARE(int(relay->manualControl[0]), 1);
    QCOMPARE(int(relay->bypassProtect[1]), 1);

    auto pgm = Decode<ResponseGetPGMOutputSelect>(43, Hex("02FF"));
    QCOMPARE(int(pgm->input[0]), 2);
    QCOMPARE(int(pgm->input[1]), 255);
}

void TestProtocol::statusResponses()
{
    auto state = Decode<ResponseGetInputState>(
        29, Hex("01 00000011  01 00000041  00 00000009  01 7FFFFFFF  00 00000000"));
    QCOMPARE(int(state->genlockPresent), 1);
    QCOMPARE(state->genlockStandard, 17u);
    QCOMPARE(state->standard[0], 65u);
    QCOMPARE(int(state->present[1]), 0);
    QCOMPARE(state->standard[2], kNoSignal);

    auto alarms = Decode<ResponseGetAlarmInfo>(
        39, Hex("00000000 0000 0000  00000001 8001 0000  00000011 0000 0004"
                "00000000 0000 0000  00018001 01"));
    QCOMPARE(alarms->video[2], AlarmType(kAlarmSignalLost | kAlarmVideoFrozen));
    QCOMPARE(alarms->audioLost[1], quint16(0x8001));  // channels 1 and 16
    QCOMPARE(alarms->audioSilent[2], quint16(4));
    QCOMPARE(alarms->system, 0x00018001u);
    QCOMPARE(int(alarms->flag), 1);

    QByteArray levels;
    for (int k = 0; k < 32; ++k) {
        levels.append(char(k == 31 ? 0xFF : k));
    }
    auto audio = Decode<ResponseGetAudioLevel>(55, levels);
    QCOMPARE(audio->inputLevel[3], quint16(3));
    QCOMPARE(audio->outputLevel[0], quint16(16));
    QCOMPARE(audio->outputLevel[15], quint16(255));

    auto gpio = Decode<ResponseGetGPIOState>(30, Hex("1F 02"));
    QCOMPARE(int(gpio->gpiStatus), 0x1F);
    QCOMPARE(int(gpio->gpoStatus), 2);
}

// The same block written by SetDetectionParam must read back field for field
// in GetDetectionParam; every field gets a distinct value so a swapped or
// shifted offset shows.
void TestProtocol::detectionBlock()
{
    RequestSetDetectionParam request(1, 1);
    request.input = 1;
    int n = 1;
    DetectionParam::Fields(request.param, [&n](int, int width, auto &field) {
        using T = std::decay_t<decltype(field)>;
        const quint32 value = width == 1   ? quint32(n)
                              : width == 2 ? quint32(0x100 + n)
                                           : quint32(0x1000000 + n);
        field = static_cast<T>(value);
        ++n;
    });
    request.param.audioSilentThreshold = -45;
    const QByteArray sent = Bytes(request);
    QCOMPARE(sent.size(), 99 + 12);

    const QByteArray block = sent.mid(12, 98);
    auto response = Decode<ResponseGetDetectionParam>(36, block);
    QVERIFY(response->param == request.param);
    QCOMPARE(response->param.audioSilentThreshold, -45);
    QCOMPARE(response->param.freezeValue2, quint8(24));
    QCOMPARE(response->param.freezeRegionInvert, quint8(32));
    QCOMPARE(block.mid(94, 4), Hex("01000027"));
}

// A full serial number: identityResponses.
void TestProtocol::serialNumber_data()
{
    QTest::addColumn<QByteArray>("block");
    QTest::addColumn<QString>("text");

    QTest::newRow("lower case letters") << Hex("7A79 05F5E0FF 1F3F") << "zy99999999-00007999";
    QTest::newRow("number 0") << Hex("4142 00000000 002A") << "AB";
    QTest::newRow("number above 99999999") << Hex("4142 05F5E100 002A") << "AB";
    QTest::newRow("batch 0") << Hex("4142 00003039 0000") << "AB00012345-";
    QTest::newRow("batch 8000") << Hex("4142 00003039 1F40") << "AB00012345-";
    QTest::newRow("second byte not a letter") << Hex("4131 00003039 002A") << "A";
    QTest::newRow("first byte not a letter") << Hex("5B42 00003039 002A") << "";
}

void TestProtocol::serialNumber()
{
    QFETCH(QByteArray, block);
    QFETCH(QString, text);
    QCOMPARE(SerialNumberText(reinterpret_cast<const quint8 *>(block.constData())), text);
}

// Addresses: identityResponses, configResponses.
void TestProtocol::versionAndAddressTexts_data()
{
    QTest::addColumn<QString>("actual");
    QTest::addColumn<QString>("expected");
    QTest::newRow("firmware 01 02 00 2A") << FirmwareVersionText(0x0102002A) << "1.2.42";
    QTest::newRow("firmware 1.1.65") << FirmwareVersionText(0x01010041) << "1.1.65";
    QTest::newRow("firmware low 16 bits") << FirmwareVersionText(0x0A00FFFF) << "10.0.65535";
    QTest::newRow("FPGA 14 12 05 17") << FpgaVersionText(0x14120517) << "20180523";
    QTest::newRow("FPGA zero") << FpgaVersionText(0) << "00000000";
    QTest::newRow("PCB 3") << PcbVersionText(3) << "1.3";
}

void TestProtocol::versionAndAddressTexts()
{
    QFETCH(QString, actual);
    QFETCH(QString, expected);
    QCOMPARE(actual, expected);
}

void TestProtocol::parseAddress_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<quint32>("value");
    QTest::newRow("plain") << "192.168.1.10" << true << 0xC0A8010Au;
    QTest::newRow("zeros") << "0.0.0.0" << true << 0u;
    QTest::newRow("broadcast") << "255.255.255.255" << true << 0xFFFFFFFFu;
    QTest::newRow("256") << "192.168.1.256" << false << 0u;
    QTest::newRow("three parts") << "192.168.1" << false << 0u;
    QTest::newRow("five parts") << "1.2.3.4.5" << false << 0u;
    QTest::newRow("empty part") << "1..3.4" << false << 0u;
    QTest::newRow("sign") << "1.2.3.+4" << false << 0u;
    QTest::newRow("blank") << "1.2.3. 4" << false << 0u;
    QTest::newRow("empty") << "" << false << 0u;
}

void TestProtocol::parseAddress()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(quint32, value);
    quint32 address = 0x12345678;
    QCOMPARE(ParseAddress(text, &address), ok);
    QCOMPARE(address, ok ? value : 0x12345678u);
}

void TestProtocol::videoStandardNames_data()
{
    QTest::addColumn<quint32>("code");
    QTest::addColumn<QString>("context");
    QTest::addColumn<QString>("name");
    const auto row = [](const char *tag, quint32 code, const char *context, const char *name) {
        QTest::newRow(tag) << code << QString(context) << QString(name);
    };
    row("16 genlock", 16, "Genlock", "NTSC");
    row("16 SDI", 16, "SDI", "525i");
    row("16 empty context", 16, "", "525i");
    row("17 genlock", 17, "Genlock", "PAL");
    row("17 lower-case genlock", 17, "genlock", "625i");
    row("0", 0, "SDI", "Unknown");
    row("1", 1, "SDI", "1080p25");
    row("8 unnamed", 8, "SDI", "");
    row("13", 13, "Genlock", "1080i25_295M");
    row("19", 19, "SDI", "720p50");
    row("58", 58, "SDI", "SD576p29");
    row("77", 77, "SDI", "1080p50_295M");
    row("207", 207, "SDI", "1080p60DL");
    row("208", 208, "SDI", "");
    row("no signal", 0x7FFFFFFF, "Genlock", "");
}

void TestProtocol::videoStandardNames()
{
    QFETCH(quint32, code);
    QFETCH(QString, context);
    QFETCH(QString, name);
    QCOMPARE(VideoStandardName(code, context), name);
}

// The standards with limits of their own: tests/app/tst_detection
// regionLimits; here the names that only look like them.
void TestProtocol::regionLimits_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("maxX");
    QTest::addColumn<int>("maxY");
    QTest::newRow("SD480p29") << "SD480p29" << 1919 << 1080;
    QTest::newRow("576p50") << "576p50" << 1919 << 1080;
    QTest::newRow("PAL") << "PAL" << 1919 << 1080;
    QTest::newRow("1035i29") << "1035i29" << 1919 << 1080;
    QTest::newRow("empty") << "" << 1919 << 1080;
}

void TestProtocol::regionLimits()
{
    QFETCH(QString, name);
    QFETCH(int, maxX);
    QFETCH(int, maxY);
    int x = -1;
    int y = -1;
    RegionLimits(name, x, y);
    QCOMPARE(x, maxX);
    QCOMPARE(y, maxY);
}

void TestProtocol::productTables_data()
{
    QTest::addColumn<quint32>("code");
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("typeId");
    const auto row = [](const char *tag, quint32 code, const char *model, const char *typeId) {
        QTest::newRow(tag) << code << QString(model) << QString(typeId);
    };
    row("dual", 50000, "QVT Dual 2x1", "Zorvane-QVT-D2X1");
    row("4x1", 50001, "QVT 4x1", "Zorvane-QVT-4X1");
    row("AGC", 50002, "QVT 4x1 AGC", "Zorvane-QVT-AGC");
    row("empty value", 99999999, "", "Zorvane-QVT-AGC");
    row("zero", 0, "", "Zorvane-QVT-AGC");
}

void TestProtocol::productTables()
{
    QFETCH(quint32, code);
    QFETCH(QString, model);
    QFETCH(QString, typeId);
    QCOMPARE(ModelName(code), model);
    QCOMPARE(ProductTypeId(code), typeId);
}

void TestProtocol::diagnosticNames()
{
    QCOMPARE(MessageName(36), QStringLiteral("GetDetectionParam"));
    QCOMPARE(MessageName(23), QStringLiteral("GetVersion"));
    QCOMPARE(MessageName(39), QString());  // only the login and identity messages are named
    QCOMPARE(ResultName(13), QStringLiteral("AuthenticationTimeout"));
    QCOMPARE(ResultName(9), QStringLiteral("MsgFormatWrong"));
    QCOMPARE(ResultName(0), QString());
    QCOMPARE(ResultName(2), QString());
}

QTEST_APPLESS_MAIN(TestProtocol)
#include "tst_protocol.moc"
