#include "mainwindowtest.h"

#include "app/eventdispatch.h"
#include "camera/appmaster.h"
#include "camera/camera.h"
#include "camera/cameraevents.h"
#include "camera/edserrors.h"
#include "camera/proptables.h"
#include "diagnostics/debuglog.h"
#include "settings/programsettings.h"
#include "settings/propertyfiles.h"
#include "ui/mainform.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QKeyEvent>
#include <QTimer>
#include <QTemporaryDir>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include <algorithm>

namespace {

using P = CameraProperty;

quint32 sdkId(P property)
{
    return cameraPropertyInfo(property).sdkId;
}

QList<quint32> allowedCodes(quint32 property)
{
    const EdsPropertyDesc desc = AppMaster->GetCamera()->GetPropertyDesc(property);
    QList<quint32> codes;
    for (int i = 0; i < desc.numElements; ++i)
        codes.append(quint32(desc.propDesc[i]));
    return codes;
}

// The user picks an item as a click would: selection first, then the activation.
void choose(QComboBox *box, int index)
{
    box->setCurrentIndex(index);
    emit box->activated(index);
}

int indexOfCode(const QComboBox *box, quint32 code)
{
    for (int i = 0; i < box->count(); ++i) {
        const TPropList *entry = TForm1::entryOf(box, i);
        if (entry && entry->ID == code)
            return i;
    }
    return -1;
}

class SettingsPanel : public MainWindowTest
{
protected:
    // An allowed Av code other than the one the camera holds.
    quint32 otherAv()
    {
        const QList<quint32> codes = allowedCodes(1029);
        const quint32 now = cachedValue(1029);
        const auto it = std::find_if(codes.begin(), codes.end(), [now](quint32 c) { return c != now; });
        EXPECT_NE(it, codes.end());
        return it == codes.end() ? now : *it;
    }
};

TEST_F(SettingsPanel, FillsFromTheCameraEventsAlone)
{
    connectAndSettle();
    for (P property : {P::AEMode, P::Av, P::Tv, P::ISO, P::WhiteBalance, P::Quality, P::AFMode,
                       P::Metering, P::DriveMode}) {
        SCOPED_TRACE(cameraPropertyInfo(property).fileHeader.data());
        EXPECT_TRUE(waitUntil([&] {
            return selectedCode(form->valueList(property)) == qint64(cachedValue(sdkId(property)));
        }));
        EXPECT_EQ(settingOf(CurrentSettings(), property).ID, cachedValue(sdkId(property)));
    }
    // Camera-filtered lists offer exactly what the camera allows; Tv adds master entry 0 first.
    EXPECT_EQ(form->valueList(P::Av)->count(), allowedCodes(1029).size());
    const QComboBox *tv = form->valueList(P::Tv);
    ASSERT_EQ(tv->count(), allowedCodes(1030).size() + 1);
    EXPECT_EQ(TForm1::entryOf(tv, 0)->ID, MasterTable(P::Tv).front().ID);
    EXPECT_TRUE(waitUntil([&] {
        return form->findChild<QLabel *>(QStringLiteral("BatterieValueLabel"))->text() == "80";
    }));
    EXPECT_EQ(form->findChild<QProgressBar *>(QStringLiteral("BatteryLevelBar"))->value(), 80);
}

TEST_F(SettingsPanel, UserChoiceIsWrittenAndComesBackByTheCameraEvent)
{
    connectAndSettle();
    const quint32 code = otherAv();
    QComboBox *av = form->valueList(P::Av);
    simClearCallLog();
    choose(av, indexOfCode(av, code));

    EXPECT_EQ(form->statusText(), QStringLiteral(" Set Value "));
    EXPECT_EQ(form->statusColor(), StatusSetValueColor);
    EXPECT_TRUE(simCallLog().contains(QStringLiteral("EdsSetPropertyData 1029 %1").arg(code)));
    // Only the camera's change event fills the cache and the record.
    ASSERT_TRUE(waitUntil([&] { return cachedValue(1029) == code; }));
    EXPECT_TRUE(waitUntil([&] { return CurrentSettings().Av.ID == code; }));
    EXPECT_EQ(selectedCode(av), qint64(code));
    EXPECT_EQ(form->findChild<QLineEdit *>(QStringLiteral("AVIDedit"))->text(), QString::number(code));
}

TEST_F(SettingsPanel, RefusedWriteShowsTheErrorAndReturnsToTheCameraValue)
{
    connectAndSettle();
    // Drive mode offers the whole table; pick a code the body does not allow now.
    QComboBox *drive = form->valueList(P::DriveMode);
    const QList<quint32> allowed = allowedCodes(1025);
    int refused = -1;
    for (int i = 0; i < drive->count() && refused < 0; ++i) {
        if (!allowed.contains(TForm1::entryOf(drive, i)->ID))
            refused = i;
    }
    ASSERT_GE(refused, 0);
    const qint64 before = selectedCode(drive);

    choose(drive, refused);

    EXPECT_EQ(form->statusText(), EdsErrorText(EDS_ERR_DEVICE_INVALID_PARAMETER));
    EXPECT_FALSE(form->statusText().isEmpty());
    EXPECT_EQ(form->statusColor(), StatusErrorColor);
    EXPECT_EQ(selectedCode(drive), before);
}

TEST_F(SettingsPanel, RefusedAeModeWriteAsksNothingButShowsAMessage)
{
    connectAndSettle();
    QComboBox *ae = form->valueList(P::AEMode);
    const qint64 before = selectedCode(ae);
    const int other = indexOfCode(ae, before == 0 ? 1 : 0);
    ASSERT_GE(other, 0);
    const QString statusBefore = form->statusText();
    dialogs.answer(DialogButton::Ok);

    choose(ae, other);

    ASSERT_EQ(dialogs.calls().size(), 1);
    EXPECT_EQ(dialogs.calls().front().text, QStringLiteral("Cannot set new value..."));
    EXPECT_EQ(selectedCode(ae), before);
    EXPECT_EQ(form->statusText(), statusBefore);
}

TEST_F(SettingsPanel, ValueTurnedAtTheBodyShowsAtOnce)
{
    connectAndSettle();
    const quint32 code = otherAv();
    ASSERT_EQ(simTurnValue(1029, code), 0);
    EXPECT_TRUE(waitUntil([&] { return selectedCode(form->valueList(P::Av)) == qint64(code); }));
    EXPECT_EQ(CurrentSettings().Av.ID, code);
}

TEST_F(SettingsPanel, AeModeChangeShowsTheOthersFromTheCacheWithoutReadingThem)
{
    connectAndSettle();
    const quint32 code = otherAv();
    // Changed in the cache only: a read from the camera would bring the old value back.
    AppMaster->GetCamera()->SetPropertyUInt32(1029, code);
    simClearCallLog();

    postWindowMessage(form.get(), WM_PROPERTYEVENT, kEdsPropertyEvent_PropertyChanged, 1024);
    QCoreApplication::sendPostedEvents(form.get());

    EXPECT_EQ(selectedCode(form->valueList(P::Av)), qint64(code));
    const QStringList reads = simCallLog().filter(QStringLiteral("EdsGetPropertyData"));
    EXPECT_EQ(reads, QStringList{QStringLiteral("EdsGetPropertyData 1024")});
}

TEST_F(SettingsPanel, AllowedCodeUnknownToTheMasterTableAppearsAsUnbekannt)
{
    connectAndSettle();
    const quint32 unknown = 0x7777;
    EdsPropertyDesc desc = AppMaster->GetCamera()->GetPropertyDesc(1026);
    desc.propDesc[desc.numElements++] = qint32(unknown);
    AppMaster->GetCamera()->SetPropertyDesc(1026, desc);
    QComboBox *iso = form->valueList(P::ISO);
    const size_t masterBefore = MasterTable(P::ISO).size();

    form->RebuildValueList(1026);
    form->RebuildValueList(1026);

    // Grown once; the second rebuild finds the new entry.
    ASSERT_EQ(MasterTable(P::ISO).size(), masterBefore + 1);
    ASSERT_EQ(iso->count(), desc.numElements);
    EXPECT_EQ(iso->itemText(iso->count() - 1), QStringLiteral("Unbekannt30583"));
    EXPECT_EQ(TForm1::entryOf(iso, iso->count() - 1)->ID, unknown);
    // Every item still names the entry it refers to after the table grew.
    for (int i = 0; i < iso->count(); ++i)
        EXPECT_EQ(iso->itemText(i), TForm1::entryOf(iso, i)->Name);
    // The current table holds the new entry too, and no empty one.
    const PropTable &current = CurrentTable(P::ISO);
    EXPECT_EQ(current.size(), size_t(desc.numElements));
    EXPECT_TRUE(std::none_of(current.begin(), current.end(),
                             [](const TPropList &e) { return e.Name.isEmpty(); }));
    EXPECT_EQ(PropertyTextByCode(QStringLiteral("ISO"), unknown), QStringLiteral("Unbekannt30583"));
    EXPECT_EQ(PropertyCodeByText(QStringLiteral("ISO"), QString(), 0), std::nullopt);
}

TEST_F(SettingsPanel, TvWithoutBulbFromTheCameraStillOffersMasterEntryZeroFirst)
{
    connectAndSettle();
    EdsPropertyDesc desc{};
    desc.numElements = 2;
    desc.propDesc[0] = 0x60;
    desc.propDesc[1] = 0x68;
    AppMaster->GetCamera()->SetPropertyDesc(1030, desc);

    form->RebuildValueList(1030);

    const QComboBox *tv = form->valueList(P::Tv);
    ASSERT_EQ(tv->count(), 3);
    EXPECT_EQ(TForm1::entryOf(tv, 0)->ID, MasterTable(P::Tv).front().ID);
    EXPECT_EQ(CurrentTable(P::Tv).size(), 3u);
    EXPECT_EQ(CurrentTable(P::Tv).front().ID, MasterTable(P::Tv).front().ID);
}

TEST_F(SettingsPanel, BulbFollowsTheTvValue)
{
    connectAndSettle();
    QLineEdit *bulbTime = form->findChild<QLineEdit *>(QStringLiteral("BulbTimeedit"));
    ASSERT_EQ(simSetModeDial(4), 0); // the bulb position of the dial
    ASSERT_TRUE(waitUntil([&] { return form->BulbMode; }));
    EXPECT_TRUE(bulbTime->isEnabled());
    EXPECT_EQ(form->valueList(P::Tv)->currentText(), QStringLiteral("Bulb"));
    ASSERT_EQ(simSetModeDial(3), 0);
    ASSERT_TRUE(waitUntil([&] { return !form->BulbMode; }));
    EXPECT_FALSE(bulbTime->isEnabled());

    // Bulb, always offered first, is refused in M: the flag follows the camera, not the click.
    QComboBox *tv = form->valueList(P::Tv);
    ASSERT_EQ(tv->itemText(0), QStringLiteral("Bulb"));
    choose(tv, 0);
    EXPECT_EQ(form->statusColor(), StatusErrorColor);
    EXPECT_FALSE(form->BulbMode);
    EXPECT_FALSE(bulbTime->isEnabled());
}

TEST_F(SettingsPanel, ExposureCompensationOutsideTheListSelectsItemOneAndKeepsTheRecord)
{
    connectAndSettle();
    const TPropList before = CurrentSettings().ExpComp;
    AppMaster->GetCamera()->SetPropertyUInt32(1031, 0x7777);

    form->UpdatePropertyDisplay(1031);

    EXPECT_EQ(form->valueList(P::ExpComp)->currentIndex(), 1);
    EXPECT_EQ(CurrentSettings().ExpComp.ID, before.ID);
    EXPECT_EQ(CurrentSettings().ExpComp.Name, before.Name);
}

TEST_F(SettingsPanel, AeModeDecidesWhetherBracketingIsOfferedButNotWhetherItIsChosen)
{
    connectAndSettle();
    for (const bool chosen : {false, true}) {
        ProgramSettings().Belichtungsreihe = chosen;
        for (const auto &[mode, offered] : {std::pair{3u, false}, std::pair{2u, true}}) {
            AppMaster->GetCamera()->SetPropertyUInt32(1024, mode);
            form->UpdatePropertyDisplay(1024);
            EXPECT_EQ(ProgramSettings().AEModeCode, std::optional<quint32>(mode));
            EXPECT_EQ(bracketingAllowed(ProgramSettings().AEModeCode), offered) << mode;
            EXPECT_EQ(ProgramSettings().Belichtungsreihe, chosen) << mode;
        }
    }
}

TEST_F(SettingsPanel, ReportedModesShowByTheirNamesOrAsUnbekannt)
{
    connectAndSettle();
    QComboBox *ae = form->valueList(P::AEMode);
    for (const auto &[dial, name] : {std::pair{19u, "Creative Auto"}, std::pair{22u, "Scene Intelligent Auto"}}) {
        ASSERT_EQ(simSetModeDial(dial), 0);
        const qint64 wanted = dial; // a structured binding cannot be captured by every compiler
        EXPECT_TRUE(waitUntil([&] { return selectedCode(ae) == wanted; })) << name;
        EXPECT_EQ(ae->currentText(), QString::fromLatin1(name));
        EXPECT_EQ(CurrentSettings().AEMode.Name, QString::fromLatin1(name));
    }

    // Codes no table knows, in lists that offer the whole table.
    for (const auto &[property, code] : {std::pair{P::AEMode, 77u}, std::pair{P::DriveMode, 0x7777u}}) {
        const quint32 id = sdkId(property);
        AppMaster->GetCamera()->SetPropertyUInt32(id, code);
        form->UpdatePropertyDisplay(id);
        form->UpdatePropertyDisplay(id);
        const QString unknown = QStringLiteral("Unbekannt") + QString::number(code);
        EXPECT_EQ(form->valueList(property)->currentText(), unknown);
        EXPECT_EQ(selectedCode(form->valueList(property)), qint64(code));
        EXPECT_EQ(settingOf(CurrentSettings(), property).Name, unknown);
        const quint32 added = code;
        EXPECT_EQ(std::count_if(MasterTable(property).begin(), MasterTable(property).end(),
                                [added](const TPropList &e) { return e.ID == added; }), 1);
    }
    EXPECT_EQ(PropertyTextByCode(QStringLiteral("AE"), 77), QStringLiteral("Unbekannt77"));
}

TEST_F(SettingsPanel, ReadCameraSettingsTakesTheSelectionsOrUnknown)
{
    connectAndSettle();
    form->valueList(P::Metering)->setCurrentIndex(-1);
    TCamerasettings settings;
    ASSERT_TRUE(form->ReadCameraSettings(settings));
    EXPECT_EQ(settings.Av.ID, cachedValue(1029));
    EXPECT_EQ(settings.Metering.Name, QStringLiteral("UNKNOWN"));
    EXPECT_EQ(settings.Metering.ID, 0x0FFFFFFFu);
    EXPECT_EQ(settings.Bulbtime, 60);
    EXPECT_TRUE(settings.DriveMode.Name.isEmpty());

    form->findChild<QLineEdit *>(QStringLiteral("BulbTimeedit"))->setText(QStringLiteral("x"));
    EXPECT_FALSE(form->ReadCameraSettings(settings));
    ASSERT_EQ(dialogs.calls().size(), 1);
    EXPECT_TRUE(dialogs.calls().front().text.contains(QStringLiteral("'x'")));
}

class MainWindowControls : public MainWindowTest
{
};

TEST_F(MainWindowControls, EscapeStopsTheWatchedTimersAndOtherMessagesAreHandled)
{
    QTimer capture;
    capture.start(10);
    dispatcher->watchEscapeTimer(&capture);
    QKeyEvent other(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier);
    QCoreApplication::sendEvent(form.get(), &other);
    EXPECT_TRUE(capture.isActive());
    QKeyEvent escape(QEvent::KeyRelease, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(form->valueList(P::Av), &escape);
    EXPECT_FALSE(capture.isActive());

    setDebugEnabled(true);
    clearDebugLines();
    postWindowMessage(form.get(), WM_UNKNOWNEVENT, kEdsPropertyEvent_PropertyDescChanged, 2);
    QCoreApplication::sendPostedEvents(form.get());
    setDebugEnabled(false);
    EXPECT_EQ(takeDebugLines(), (QStringList{QStringLiteral("Unbekannter Event aufgetreten"), QString()}));
}

TEST_F(MainWindowControls, ListsCarryTheirPropertyAndStartWithTheTableDefaults)
{
    struct Case
    {
        const char *list;
        quint32 tag;
        int selected;
    };
    const Case cases[] = {
        {"AeModeComboBox", 1024, 16},      {"AvComboBox", 1029, 53},
        {"TvComboBox", 1030, 74},          {"ISOComboBox", 1026, 19},
        {"WeissabgleichCombobox", 262, 8}, {"afmodeCombobox", 1028, 4},
        {"ImageQualityComboBox", 256, 28}, {"ExpCompComboBox", 1031, 17},
        {"MeteringModeComboBox", 1027, 4}, {"DriveModeComboBox", 1025, 8},
    };
    for (const Case &c : cases) {
        const auto *box = form->findChild<QComboBox *>(QString::fromLatin1(c.list));
        ASSERT_NE(box, nullptr) << c.list;
        EXPECT_EQ(box->property("tag").toUInt(), c.tag) << c.list;
        const CameraProperty property = cameraPropertyBySdkId(c.tag)->property;
        const int expected = c.selected < int(MasterTable(property).size()) ? c.selected : -1;
        EXPECT_EQ(box->currentIndex(), expected) << c.list;
    }
    EXPECT_EQ(CurrentTable(P::ExpComp).size(), std::min<size_t>(34, MasterTable(P::ExpComp).size()));
    EXPECT_EQ(ProgramSettings().ExpComp1, QStringLiteral("-2"));
    EXPECT_EQ(ProgramSettings().ExpComp3, QStringLiteral("+2"));
    EXPECT_FALSE(form->findChild<QPushButton *>(QStringLiteral("StopZeitrafferButton"))->isEnabled());
    EXPECT_EQ(form->findChild<QPushButton *>(QStringLiteral("AusloeserButton"))->statusTip(),
              QStringLiteral(" Send Release command to Camera."));
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Tessaro für Canon EOS DSLR"));
}

TEST_F(MainWindowControls, DebugMenuShowsAndHidesTheDebugFields)
{
    form->show();
    QAction *enable = form->Enable1;
    auto *aeId = form->findChild<QLineEdit *>(QStringLiteral("AEIDedit"));
    auto *change = form->findChild<QPushButton *>(QStringLiteral("MeteringChangebutton"));
    form->ShowDebugFields(false);

    enable->trigger();
    EXPECT_TRUE(debugEnabled());
    EXPECT_FALSE(aeId->isHidden());
    EXPECT_FALSE(change->isHidden());
    EXPECT_FALSE(change->isEnabled());
    EXPECT_EQ(enable->text(), QStringLiteral("&Disable"));

    form->resize(700, form->height());
    enable->trigger();
    EXPECT_FALSE(debugEnabled());
    EXPECT_TRUE(aeId->isHidden());
    EXPECT_EQ(enable->text(), QStringLiteral("&Enable"));
    EXPECT_EQ(form->width(), 330);
}

TEST_F(MainWindowControls, ProjectNameEditsGoStraightIntoTheSettings)
{
    auto *edit = form->findChild<QLineEdit *>(QStringLiteral("Projektnameedit"));
    edit->setFocus();
    edit->insert(QStringLiteral("Hochzeit"));
    emit edit->textEdited(edit->text());
    EXPECT_EQ(ProgramSettings().Projektname, QStringLiteral("Hochzeit"));
}

TEST_F(MainWindowControls, PropertyFileMenusUseTheirDialogs)
{
    QTemporaryDir dir;
    const QString cpf = dir.filePath(QStringLiteral("saved.cpf"));
    const QString csf = dir.filePath(QStringLiteral("saved.csf"));
    dialogs.answerPath(cpf).answerPath(csf).answerCancel();
    form->findChild<QAction *>(QStringLiteral("SavepropsMenu"))->trigger();
    form->findChild<QAction *>(QStringLiteral("KameraEinstellungenspeichern1"))->trigger();
    form->findChild<QAction *>(QStringLiteral("LoadPropertiesMenu"))->trigger();

    EXPECT_TRUE(QFile::exists(cpf));
    EXPECT_TRUE(QFile::exists(csf));
    ASSERT_EQ(dialogs.calls().size(), 3);
    EXPECT_EQ(dialogs.calls()[0].file.filter, QStringLiteral("*.cpf|*.cpF"));
    EXPECT_EQ(dialogs.calls()[1].file.fileName, QStringLiteral("Ordivan.csf"));
    EXPECT_EQ(dialogs.calls()[2].kind, DialogKind::OpenFile);
}

TEST_F(MainWindowControls, LoadedPropertyFileRefillsTheListsAndKeepsTheWorkingSettings)
{
    // A file whose AE block holds a single entry.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("small.cpf"));
    const QString saved = dir.filePath(QStringLiteral("all.cpf"));
    ASSERT_TRUE(saveproperties(saved));
    QFile in(saved);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    QByteArray text = in.readAll();
    const qsizetype avHeader = text.indexOf("[AVPROP]");
    text = "[AEMODEPROP]\r\nBegin\r\nName=Nur P\r\nID=0\r\nEnabled=True\r\nEnd\r\n" + text.mid(avHeader);
    QFile out(path);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(text);
    out.close();
    dialogs.answerPath(path);
    // The user's working settings: bulb with its time, bracketing texts, selections.
    QComboBox *tv = form->valueList(P::Tv);
    choose(tv, indexOfCode(tv, TvBulbCode));
    ASSERT_TRUE(form->BulbMode);
    auto *bulbTime = form->findChild<QLineEdit *>(QStringLiteral("BulbTimeedit"));
    bulbTime->setText(QStringLiteral("120"));
    ProgramSettings().ExpComp1 = QStringLiteral("-1");
    ProgramSettings().ExpComp2 = QStringLiteral("+ 1/3");
    ProgramSettings().ExpComp3 = QStringLiteral("+1");
    QComboBox *ae = form->valueList(P::AEMode);
    ae->setCurrentIndex(indexOfCode(ae, 0));
    QComboBox *av = form->valueList(P::Av);
    av->setCurrentIndex(3);
    const qint64 avBefore = selectedCode(av);

    form->findChild<QAction *>(QStringLiteral("LoadPropertiesMenu"))->trigger();

    ASSERT_EQ(ae->count(), 1);
    EXPECT_EQ(ae->itemText(0), QStringLiteral("Nur P"));
    EXPECT_EQ(TForm1::entryOf(ae, 0)->Name, QStringLiteral("Nur P"));
    EXPECT_EQ(ae->currentIndex(), 0) << "code 0 is still offered";
    EXPECT_EQ(selectedCode(tv), qint64(TvBulbCode));
    EXPECT_EQ(selectedCode(av), avBefore);
    EXPECT_TRUE(form->BulbMode);
    EXPECT_TRUE(bulbTime->isEnabled());
    EXPECT_EQ(form->bulbTimeText(), QStringLiteral("120"));
    EXPECT_EQ(ProgramSettings().ExpComp1, QStringLiteral("-1"));
    EXPECT_EQ(ProgramSettings().ExpComp2, QStringLiteral("+ 1/3"));
    EXPECT_EQ(ProgramSettings().ExpComp3, QStringLiteral("+1"));
}

} // namespace
