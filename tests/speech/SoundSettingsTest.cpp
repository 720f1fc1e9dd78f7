#include <gtest/gtest.h>

#include <QAudioFormat>
#include <QtEndian>

#include "CallOutSettings.h"
#include "QtPrinters.h"
#include "TempFolder.h"
#include "ToneBeeper.h"
#include "VoiceChoice.h"

namespace {

TEST(CallOutSettings, RoundTripInTheKartConfigurationFile) {
    TempFolder folder;
    const QString path = folder.file(QStringLiteral("ustawienia.ini"));
    // An older file: no CallOuts section, so both are off; its own lines stay.
    folder.Write(QStringLiteral("ustawienia.ini"),
                 "[Parametry]\r\nRadio1=1\r\nNAME1=Jan Nowak\r\n; a comment\r\n");
    CallOutSettings loaded = LoadCallOutSettings(path);
    EXPECT_FALSE(loaded.speak);
    EXPECT_FALSE(loaded.beep);

    QString error;
    ASSERT_TRUE(SaveCallOutSettings(path, {true, false}, &error)) << error.toStdString();
    EXPECT_EQ(folder.Read(QStringLiteral("ustawienia.ini")),
              "[Parametry]\r\nRadio1=1\r\nNAME1=Jan Nowak\r\n; a comment\r\n"
              "[CallOuts]\r\nSpeak=1\r\nBeep=0\r\n");
    loaded = LoadCallOutSettings(path);
    EXPECT_TRUE(loaded.speak);
    EXPECT_FALSE(loaded.beep);

    ASSERT_TRUE(SaveCallOutSettings(path, {false, true}, &error));
    loaded = LoadCallOutSettings(path);
    EXPECT_FALSE(loaded.speak);
    EXPECT_TRUE(loaded.beep);
    EXPECT_TRUE(folder.Read(QStringLiteral("ustawienia.ini")).endsWith("Speak=0\r\nBeep=1\r\n"));
}

TEST(CallOutSettings, AnythingButOneIsOff) {
    TempFolder folder;
    const QString path = folder.file(QStringLiteral("ustawienia.ini"));
    folder.Write(QStringLiteral("ustawienia.ini"), "[callouts]\r\nspeak = \"1\"\r\nBeep=yes\r\n");
    const CallOutSettings loaded = LoadCallOutSettings(path);
    EXPECT_TRUE(loaded.speak);  // names regardless of case, quotes removed
    EXPECT_FALSE(loaded.beep);
    EXPECT_FALSE(LoadCallOutSettings(folder.file(QStringLiteral("missing.ini"))).speak);
}

TEST(CallOutSettings, AFailedSaveNamesTheFile) {
    TempFolder folder;
    const QString path = folder.file(QStringLiteral("no-such-folder/ustawienia.ini"));
    QString error;
    EXPECT_FALSE(SaveCallOutSettings(path, {true, true}, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("ustawienia.ini"))) << error.toStdString();
}

TEST(VoiceChoice, SystemLanguageThenEnglishThenAnything) {
    const QLocale polish(QLocale::Polish, QLocale::Poland);
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    const QLocale uk(QLocale::English, QLocale::UnitedKingdom);
    const QLocale german(QLocale::German, QLocale::Germany);
    const QLocale austrian(QLocale::German, QLocale::Austria);

    EXPECT_FALSE(ChooseVoice({}, polish).has_value());

    const QList<EngineVoices> flite_only = {{QStringLiteral("flite"), {us}}};
    auto choice = ChooseVoice(flite_only, polish);
    ASSERT_TRUE(choice.has_value());
    EXPECT_EQ(choice->engine, "flite");
    EXPECT_EQ(choice->locale, us);

    const QList<EngineVoices> two = {{QStringLiteral("flite"), {us}},
                                     {QStringLiteral("speechd"), {uk, german, polish, austrian}}};
    choice = ChooseVoice(two, polish);
    EXPECT_EQ(choice->engine, "speechd");
    EXPECT_EQ(choice->locale, polish);
    // The system's own country when offered, else its language elsewhere.
    EXPECT_EQ(ChooseVoice(two, QLocale(QLocale::German, QLocale::Austria))->locale, austrian);
    EXPECT_EQ(ChooseVoice(two, QLocale(QLocale::German, QLocale::Switzerland))->locale, german);
    // English fall-back: the first engine with an English voice, US English preferred.
    choice = ChooseVoice(two, QLocale(QLocale::French, QLocale::France));
    EXPECT_EQ(choice->engine, "flite");
    EXPECT_EQ(
        ChooseVoice({{QStringLiteral("speechd"), {german, uk}}}, QLocale(QLocale::French))->locale,
        uk);
    // No English either: the first engine as it is.
    choice = ChooseVoice({{QStringLiteral("x"), {german}}}, QLocale(QLocale::French));
    EXPECT_EQ(choice->engine, "x");
    EXPECT_EQ(choice->locale, german);
}

TEST(ToneSamples, AFadedSineInTheOutputsFormat) {
    QAudioFormat format;
    format.setSampleRate(8000);
    format.setChannelCount(2);
    format.setSampleFormat(QAudioFormat::Int16);
    const QByteArray tone = ToneSamples(format, 1000, 100);
    ASSERT_EQ(tone.size(), 800 * 2 * 2);  // frames x channels x bytes
    const auto sample = [&tone](int frame, int channel) {
        return qFromUnaligned<qint16>(tone.constData() + (frame * 2 + channel) * 2);
    };
    EXPECT_EQ(sample(0, 0), 0);  // faded in and out: no click
    EXPECT_EQ(sample(799, 1), 0);
    qint16 peak = 0;
    for (int frame = 0; frame < 800; ++frame) {
        EXPECT_EQ(sample(frame, 0), sample(frame, 1));
        peak = std::max(peak, sample(frame, 0));
    }
    EXPECT_GT(peak, 10000);  // half of full scale
    EXPECT_LT(peak, 20000);
    // 1000 Hz at 8000 frames/s: two frames in, an eighth of a period, sin = 0.707.
    EXPECT_NEAR(sample(402, 0), 32767 * 0.5 * std::sin(2 * M_PI * 1000 * 402 / 8000.0), 2);

    format.setSampleFormat(QAudioFormat::Float);
    format.setChannelCount(1);
    EXPECT_EQ(ToneSamples(format, 1000, 100).size(), 800 * 4);
    format.setSampleFormat(QAudioFormat::Unknown);
    EXPECT_TRUE(ToneSamples(format, 1000, 100).isEmpty());
}

}  // namespace
