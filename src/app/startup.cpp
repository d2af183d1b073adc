#include "app/startup.h"

#include "app/commandline.h"
#include "app/crashreports.h"
#include "app/dialprompt.h"
#include "app/eventdispatch.h"
#include "app/mainformview.h"
#include "app/programend.h"
#include "app/transfer.h"
#include "app/shooting.h"
#include "camera/appmaster.h"
#include "camera/camera.h"
#include "camera/madeimages.h"
#include "camera/sdkloader.h"
#include "diagnostics/crashreport.h"
#include "diagnostics/keyremote.h"
#include "platform/check.h"
#include "platform/dialogs.h"
#include "platform/texthelpers.h"
#include "platform/x11windows.h"
#include "postprocess/catalogue.h"
#include "postprocess/imagemagickstage.h"
#include "scripting/scriptnames.h"
#include "scripting/scripthost.h"
#include "review/exifreader.h"
#include "review/pictureloader.h"
#include "review/viewerstep.h"
#include "sequence/commandlistfile.h"
#include "settings/configuration.h"
#include "settings/programsettings.h"
#include "settings/propertyfiles.h"
#include "settings/windowlayout.h"
#include "ui/aufnahmeeinstform.h"
#include "ui/bilderfolgeform.h"
#include "ui/bildanzeigeform.h"
#include "ui/biostestform.h"
#include "ui/dateimaskedialog.h"
#include "ui/dllfehlerform.h"
#include "ui/ebveinstellungen.h"
#include "ui/exifinfoform.h"
#include "ui/fhdroptions.h"
#include "ui/fcommandbuilder.h"
#include "ui/fkommandeditor.h"
#include "ui/fscripter.h"
#include "ui/imagemagickbatchform.h"
#include "ui/imagemagickconfigform.h"
#include "ui/mainform.h"
#include "ui/qtdialogs.h"
#include "ui/reportform.h"
#include "ui/scriptfuremoteform.h"
#include "ui/viewersetup.h"
#include "ui/windowplacement.h"

#include <QAction>
#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include <vector>

namespace {

using P = CameraProperty;

// Where the missing-file window sends the user for the SDK files.
const char *const SdkDownloadAddress = "README.md#camera-sdk";

// What the exit prompt writes back, by the AE mode found at start.
const std::vector<P> &restoredProperties(quint32 startAEMode)
{
    static const std::vector<P> aperture{P::Av, P::ISO, P::ExpComp, P::WhiteBalance,
                                         P::Quality, P::AFMode, P::Metering};
    static const std::vector<P> shutter{P::Tv, P::ISO, P::ExpComp, P::WhiteBalance,
                                        P::Quality, P::AFMode, P::Metering};
    static const std::vector<P> manual{P::Av, P::Tv, P::ISO, P::ExpComp, P::WhiteBalance,
                                       P::Quality, P::AFMode, P::Metering};
    static const std::vector<P> depth{P::ISO, P::ExpComp, P::WhiteBalance, P::AFMode,
                                      P::Metering};
    static const std::vector<P> nothing;
    switch (startAEMode) {
    case 0:
    case 2:
        return aperture;
    case 1:
        return shutter;
    case 3:
        return manual;
    case 9:
        return depth;
    default:
        return nothing;
    }
}

bool cameraConnected()
{
    return connectedCamera() != nullptr;
}

void connectOnce(TForm1 &form)
{
    AppMaster.reset();
    AppMaster = std::make_unique<TAppMaster>(&form);
    form.setStatus(QStringLiteral("Camera : ") + AppMaster->GetModelName(), form.statusColor());
    AppMaster->SetEventHandlers();
    AppMaster->OpenSession();
    AppMaster->SetSaveToHost();
}

QString aeModeText(const TForm1 &form, quint32 code)
{
    const TPropList *entry = form.entryWithCode(P::AEMode, code);
    return entry ? entry->Name : QString();
}

// After Stop the time-lapse settings may be changed again.
void enableTimeLapseControls(QWidget &capture)
{
    for (const char *name : {"ZeitRafferCheckbox", "InterValStdComboBox", "InterValMinComboBox",
                             "InterValSekComboBox", "AufnahmenAnzahlEdit"}) {
        auto *control = capture.findChild<QWidget *>(QString::fromLatin1(name));
        TESSARO_ASSERT(control, continue);
        control->setEnabled(true);
    }
}

void showFromMenu(QAction *entry, QWidget *window, void (*before)() = nullptr)
{
    TESSARO_ASSERT(entry, return);
    QObject::connect(entry, &QAction::triggered, window, [window, before] {
        if (before)
            before();
        window->show();
        window->raise();
    });
}

QAction *menuEntry(const TForm1 &form, const char *name)
{
    return form.findChild<QAction *>(QLatin1String(name));
}

// Shows the mask dialog modally and gives back mask and prefix; without a display nobody
// could close it, so the fields come back as they went in.
std::pair<QString, QString> runMaskDialog(TDateimaskeDialog &dialog, const QString &mask,
                                          const QString &prefix)
{
    dialog.setFields(mask, prefix);
    if (!QtDialogs::headless())
        dialog.exec();
    return {dialog.mask(), dialog.prefix()};
}

// The developer button "addline": the enabled operations for the last picture received, or
// for a test picture in the root folder.
void addTestLines(ImageMagickStage &stage)
{
    const TProgramSettings &s = ProgramSettings();
    const TMadeImage *last = ImageCount() > 0 ? MadeImages().find(ImageCount() - 1) : nullptr;
    const QString folder = last ? last->Folder : s.Savepath;
    const QString fileName = last ? last->FileName : QStringLiteral("test.jpg");
    const QString label = QStringLiteral("20080414:10:00");
    using Op = MagickOperation;
    const std::pair<Op, bool> operations[] = {{Op::Thumbnail, s.ImageMagickThumbnails},
                                              {Op::TextmaskCreate, s.ImagemagickTextmask},
                                              {Op::TextmaskOverlay, s.ImagemagickTextmask},
                                              {Op::Copyright, s.ImageMagickCopyright}};
    for (const auto &[op, enabled] : operations) {
        if (enabled)
            stage.AddPictureCommands(op, folder, QString(), fileName, label);
    }
}

void showMissingSdkFile(const QString &text)
{
    if (QtDialogs::headless()) {
        reportOnStderr(QStringLiteral("Fehler: ") + text);
        return;
    }
    Tdllfehlerform window;
    window.setText(text);
    window.exec();
}

} // namespace

QString missingSdkFileText(const QString &fileName, bool first)
{
    const QStringList lines{
        QStringLiteral("Für die Ausführung des Programmes ist die die Datei \"") + fileName
            + QStringLiteral("\" zwingend erforderlich") + (first ? QStringLiteral(".") : QString()),
        QString(),
        QStringLiteral("Bitte laden Sie sich die Datei hier "),
        QString(),
        QString::fromLatin1(SdkDownloadAddress),
        QString(),
        QStringLiteral("runter und kopieren Sie sie in das Anwendungsverzeichnis."),
        QString(),
        QStringLiteral("Das Programm wird nun beendet!"),
    };
    return lines.join(crlf());
}

bool checkSdkFiles(const QString &folder, const std::function<void(const QString &)> &showMissing,
                   const QString &sdkLibrary)
{
    const QStringList missing = missingSdkFiles(folder, sdkLibrary);
    for (const QString &file : missing)
        showMissing(missingSdkFileText(file, file == sdkLibrary));
    return missing.isEmpty();
}

int ConnectCamera(TForm1 &form)
{
    connectOnce(form);
    if (cameraConnected() || IgnoreDisconnect)
        return ConnectOk;
    for (;;) {
        connectOnce(form);
        if (cameraConnected())
            return ConnectOk;
        const DialogButton answer = appDialogs().askCancelRetryIgnore(
            QStringLiteral("Fehler"), QStringLiteral("Kamera nicht verbunden"));
        if (answer == DialogButton::Cancel)
            return ConnectCancelled;
        if (answer == DialogButton::Ignore)
            return ConnectIgnored;
    }
}

bool ReconnectCamera(TForm1 &form)
{
    connectOnce(form);
    return cameraConnected();
}

void RestoreStartSettings(TForm1 &form, const TCamerasettings &start)
{
    if (!cameraConnected())
        return;
    std::optional<quint32> aeMode = readAEMode();
    const quint32 startAEMode = start.AEMode.ID;
    const QString question = modeDialQuestion(
        QStringLiteral("Möchten sie vor dem Beenden die Starteinstellungen der Kamera "
                       "wiederherstellen ? "),
        aeModeText(form, startAEMode));
    const auto ask = [&question] {
        return appDialogs().askYesNo(QStringLiteral("Bestätigen"), question);
    };
    DialogButton answer = ask();
    if (answer != DialogButton::Yes)
        return;
    while (aeMode != startAEMode && answer == DialogButton::Yes) {
        answer = ask();
        aeMode = readAEMode();
    }
    for (P property : restoredProperties(startAEMode))
        form.ApplyProperty(cameraPropertyInfo(property).sdkId, settingOf(start, property).ID);
}

QString startPropertyFile(const QString &programFolder)
{
    const QString name = QStringLiteral("default.cpf");
    const QString besideProgram = QDir(programFolder).filePath(name);
    if (!QFileInfo::exists(name) && QFileInfo::exists(besideProgram))
        return besideProgram;
    return name;
}

void MainWindowCreated(TForm1 &form, const QString &programFolder)
{
    loadproperties(startPropertyFile(programFolder.isEmpty() ? QCoreApplication::applicationDirPath()
                                                             : programFolder));
    form.FillValueLists();
    TProgramSettings &settings = ProgramSettings();
    settings.Zeitraffer = false;
    settings.Aufnahmenanzahl = 10;
    settings.Einzelaufnahme = true;
    settings.Belichtungsreihe = false;
    settings.Bilderfolge = false;
    form.Timer1->stop();
    form.Timer1->setInterval(1000);
    auto *windowMenu = form.findChild<QMenu *>(QStringLiteral("Fenster1"));
    TESSARO_ASSERT(windowMenu, return);
    windowMenu->setEnabled(true);
}

int MainWindowFirstShown(TForm1 &form)
{
    MadeImages().clear();
    const int connected = ConnectCamera(form);
    form.ReadCameraSettings(StartSettings());
    CurrentSettings() = StartSettings();
    if (connected == ConnectCancelled)
        return connected;
    form.ReadCameraSettings(StartSettings());
    return connected;
}

struct ProgramWindows::Others
{
    Tdllfehlerform dllfehlerform;
    TDateimaskeDialog dateimaskeDialog;
    TBildanzeigeForm bildanzeigeForm;
    TExifInfoForm exifInfoForm;
    TBilderFolgeForm bilderFolgeForm;
    TAufnahmeEinstForm aufnahmeEinstForm;
    TBiosTestForm biosTestForm;
    TViewerSetup viewerSetup;
    TImageMagickConfigForm imageMagickConfigForm;
    TImageMagickbatchform imageMagickbatchform;
    TScriptFuRemoteForm scriptFuRemoteForm;
    TEBVeinstellungen ebvEinstellungen;
    TFHdrOptions hdrOptions;
    TExternApplications catalogue;
    TFKommandeditor kommandeditor{catalogue};
    TFScripter scripter;
    TReportForm reportForm;

    PictureLoader pictureLoader;
    X11ViewerWindows viewerWindows;
    std::unique_ptr<KeyRemote> keyRemote; // opened with the first send
    std::unique_ptr<ViewerStep> viewerStep;
    ImageMagickStage imageMagickStage;
    std::unique_ptr<ScriptHost> scriptHost;
};

ProgramWindows::ProgramWindows()
    : m_form(std::make_unique<TForm1>())
    , m_view(std::make_unique<MainFormView>(*m_form))
{
    m_dispatcher = new EventDispatcher(*m_form);
    m_shooting = new Shooting(*m_view, m_dispatcher->transfer(), m_form.get());
    wireShootingControls(*m_form, *m_shooting);
    MainWindowCreated(*m_form);
    m_others = std::make_unique<Others>();

    TForm1 &form = *m_form;
    QObject::connect(&form, &TForm1::firstShown, &form, [this] {
        if (connectAtStart() == ConnectCancelled)
            requestProgramEnd(0);
    });
    // Closing the main window ends the program, whatever other windows are open. The
    // external program in progress is ended meanwhile; the queue joins its worker when it goes.
    QObject::connect(&form, &TForm1::closing, &form, [this, &form] {
        m_others->catalogue.StopWorker();
        RestoreStartSettings(form, StartSettings());
        m_others->imageMagickStage.CloseBatchFile();
        QCoreApplication::quit();
    });
    wireWindowMenus();
    wireCaptureSettings();
    TransferHooks transferHooks;
    wireViewer(transferHooks);
    wireImageMagickStage(transferHooks);
    m_dispatcher->transfer().setHooks(std::move(transferHooks));
    wireRemote();
    wireCommandQueue();
    wireScriptHost();
    m_layout = std::make_unique<WidgetLayoutWindows>(windows());
    setLayoutWindows(m_layout.get());
    setExternWindowFinder([this](const QString &title) { return findExternWindow(title); });
    wirePostprocessSettings();
}

void ProgramWindows::wireWindowMenus()
{
    TForm1 &form = *m_form;
    Others &o = *m_others;
    bindWindowToggle(form.Bildansicht1, &o.bildanzeigeForm);
    bindWindowToggle(form.Exifinfos1, &o.exifInfoForm);
    bindWindowToggle(form.Befehlsliste1, &o.bilderFolgeForm);
    showFromMenu(form.Skripter1, &o.scripter);
    showFromMenu(form.EBV1, &o.kommandeditor);
    showFromMenu(menuEntry(form, "Imagemagick1"), &o.ebvEinstellungen, &ImageMagickSettingsToWindow);
    showFromMenu(menuEntry(form, "ScriptFuSetupMenu"), &o.scriptFuRemoteForm);
    QObject::connect(form.ReportSchicken, &QAction::triggered, &o.reportForm,
                     [&o] { sendReport(o.reportForm); });
}

int ProgramWindows::connectAtStart()
{
    if (!m_startConnection)
        m_startConnection = MainWindowFirstShown(*m_form);
    return *m_startConnection;
}

bool ProgramWindows::loadCommandList(const QString &path)
{
    if (!LoadCommandlist2(path))
        return false;
    m_others->aufnahmeEinstForm.setImageSequence(true);
    m_others->bilderFolgeForm.fillCommandlistSG();
    m_others->bilderFolgeForm.show();
    return true;
}

TExternApplications &ProgramWindows::catalogue() const
{
    return m_others->catalogue;
}

TFKommandeditor &ProgramWindows::commandEditor() const
{
    return m_others->kommandeditor;
}

bool ProgramWindows::loadCatalogue(const QString &path)
{
    const Result<> loaded = m_others->catalogue.LoadCatalogue(path);
    if (!loaded)
        appDialogs().showMessage(QString::fromUtf8(ProgramCaption), loaded.error());
    return loaded.ok();
}

void ProgramWindows::wireCaptureSettings()
{
    TForm1 &form = *m_form;
    TAufnahmeEinstForm &capture = m_others->aufnahmeEinstForm;
    attachSettingsWindow(SettingsWindowKind::Capture, &capture);
    setConfigurationHooks({[&form](bool on) { form.setDebugging(on); },
                           [&form](const QString &name) { form.showProjectName(name); },
                           [](const QString &path) { setCrashReportSettingsFile(path); }});
    TDateimaskeDialog &maskDialog = m_others->dateimaskeDialog;
    // The command builder starts the mask dialog empty and takes only the mask back.
    m_others->kommandeditor.builder().setMaskDialogOpener(
        [&maskDialog] { return runMaskDialog(maskDialog, {}, {}).first; });
    capture.setMaskDialogOpener([&maskDialog](const QString &mask, const QString &prefix) {
        return runMaskDialog(maskDialog, mask, prefix);
    });
    auto *captureEntry = form.findChild<QAction *>(QStringLiteral("Aufnahmeeinstellungen1"));
    TESSARO_CHECK(captureEntry);
    QObject::connect(captureEntry, &QAction::triggered, &capture, &TAufnahmeEinstForm::openFromMenu);
    QObject::connect(&form, &TForm1::propertiesLoaded, &capture,
                     &TAufnahmeEinstForm::fillBracketingLists);
    QObject::connect(&capture, &TAufnahmeEinstForm::keepAliveChanged, m_shooting,
                     &Shooting::setKeepAlive);
    // The capture window's sequence box is the mode; the list window follows it.
    TBilderFolgeForm &commandList = m_others->bilderFolgeForm;
    QObject::connect(&capture, &TAufnahmeEinstForm::imageSequenceModeChanged, &commandList,
                     &TBilderFolgeForm::setSequenceMode);
    commandList.setSettingsReader(
        [&form](TCamerasettings &settings) { return form.ReadCameraSettings(settings); });
    m_shooting->setHooks({[&commandList](int step) { commandList.selectStep(step); },
                          [&capture] { enableTimeLapseControls(capture); },
                          [&form] { return ReconnectCamera(form); }});
}

void ProgramWindows::wireViewer(TransferHooks &transferHooks)
{
    TForm1 &form = *m_form;
    Others &o = *m_others;
    TViewerSetup &setup = o.viewerSetup;
    TBildanzeigeForm &imageWindow = o.bildanzeigeForm;
    TExifInfoForm &exifWindow = o.exifInfoForm;
    attachSettingsWindow(SettingsWindowKind::Viewer, &setup);
    m_dispatcher->watchEscapeTimer(setup.Timer1);
    setup.setPointerTextSource([&o] { return o.viewerWindows.x11().textUnderPointer(); });
    auto *setupEntry = form.findChild<QAction *>(QStringLiteral("ViewerEinstellungen1"));
    TESSARO_CHECK(setupEntry);
    QObject::connect(setupEntry, &QAction::triggered, &setup, &TViewerSetup::openFromMenu);

    // The internal display reads the controls of the moment, not the settings.
    ViewerStep::Hooks hooks;
    hooks.internalDisplayWanted = [&setup, &imageWindow] {
        return setup.ShowPicCheckBox->isChecked() && imageWindow.isVisible()
               && setup.ShowInternView->isChecked();
    };
    hooks.displaySize = [&imageWindow] { return imageWindow.Image1->size(); };
    hooks.showError = [&form](const QString &text) { form.setStatus(text, StatusErrorColor); };
    hooks.windows = &o.viewerWindows;
    o.viewerStep = std::make_unique<ViewerStep>(o.pictureLoader, std::move(hooks));
    QObject::connect(&o.pictureLoader, &PictureLoader::decoded, &imageWindow,
                     [&imageWindow](const QString &, const QImage &image) { imageWindow.showPicture(image); });
    QObject::connect(&o.pictureLoader, &PictureLoader::failed, &imageWindow,
                     [&imageWindow, &form](const QString &path, const QString &) {
                         imageWindow.clearPicture();
                         form.setStatus(QStringLiteral("Bild kann nicht angezeigt werden: ")
                                            + QFileInfo(path).fileName(),
                                        StatusErrorColor);
                     });

    transferHooks.showReceivedPicture = [&o](const QString &folder, const QString &fileName) {
        o.viewerStep->ShowReceivedPicture(folder, fileName);
    };
    // The EXIF window shows the latest picture.
    transferHooks.readPictureExif = [&exifWindow](TMadeImage &image, const QString &path) {
        ReadPictureExif(image.Exif, path);
        exifWindow.showExif(image.Exif);
    };
}

void ProgramWindows::wireImageMagickStage(TransferHooks &transferHooks)
{
    TForm1 &form = *m_form;
    ImageMagickStage &stage = m_others->imageMagickStage;
    TImageMagickbatchform &preview = m_others->imageMagickbatchform;
    transferHooks.addPictureCommands = [&stage](const QString &savePath, const QString &subFolder,
                                                const QString &fileName, const TCamerasettings &settings) {
        stage.AddPicture(savePath, subFolder, fileName, settings);
    };
    const auto showFailure = [&form, &preview](const QString &message) {
        form.setStatus(message, StatusErrorColor);
        preview.appendBatchLine(message);
    };
    QObject::connect(&stage, &ImageMagickStage::failed, &form, showFailure);
    QObject::connect(&stage, &ImageMagickStage::programMissing, &form,
                     [showFailure, &preview](const QString &message) {
                         showFailure(message);
                         preview.showNotice(message);
                         if (QtDialogs::headless())
                             reportOnStderr(QStringLiteral("Imagemagick: ") + message);
                     });
    QObject::connect(&stage, &ImageMagickStage::batchLineWritten, &preview,
                     &TImageMagickbatchform::appendBatchLine);
    QObject::connect(&stage, &ImageMagickStage::pendingChanged, &preview,
                     &TImageMagickbatchform::showPendingCommands);

    const auto button = [&form](const char *name) {
        return form.findChild<QPushButton *>(QLatin1String(name));
    };
    QObject::connect(button("addlineButton"), &QPushButton::clicked, &stage,
                     [&stage] { addTestLines(stage); });
    QObject::connect(button("executecommandButton"), &QPushButton::clicked, &stage,
                     &ImageMagickStage::RunNextStageCommand);
    QObject::connect(button("closebatchButton"), &QPushButton::clicked, &stage, &ImageMagickStage::endBurst);
}

void ProgramWindows::wireRemote()
{
    Others &o = *m_others;
    TScriptFuRemoteForm &remote = o.scriptFuRemoteForm;
    m_dispatcher->watchEscapeTimer(remote.Timer1);
    remote.setPointerTextSource([&o] { return o.viewerWindows.x11().textUnderPointer(); });
    // Messages wait until the keys are sent: a box shown meanwhile would take the focus and
    // the rest of the keys with it.
    auto messages = std::make_shared<QStringList>();
    remote.setSender([&o, messages](const QString &title, const QString &text) {
        if (!o.keyRemote) {
            o.keyRemote = std::make_unique<KeyRemote>(KeyRemote::Hooks{
                [messages](const QString &message) { *messages << message; },
                [] { QCoreApplication::processEvents(); }});
        }
        const SendKeysResult result = o.keyRemote->activateAndSend(title, text);
        for (const QString &message : std::exchange(*messages, {}))
            appDialogs().showMessage(QStringLiteral("SendKeys"), message);
        return result;
    });
}

void ProgramWindows::wireCommandQueue()
{
    Others &o = *m_others;
    TFScripter &scripter = o.scripter;
    o.catalogue.SetNotifyWindow(m_form.get());
    m_dispatcher->setCommandOutputReceiver(
        [&scripter](const QString &text) { scripter.AppendCommandOutput(text); });
    scripter.setCatalogue(&o.catalogue);
    scripter.setCommandEditor(&o.kommandeditor, &o.kommandeditor);
    TDateimaskeDialog &maskDialog = o.dateimaskeDialog;
    TFScripter::Sources sources;
    sources.chooseMask = [&maskDialog]() -> std::optional<QString> {
        maskDialog.setFields({}, {});
        if (QtDialogs::headless() || maskDialog.exec() != QDialog::Accepted)
            return std::nullopt;
        return maskDialog.mask();
    };
    // The "Bild … einsetzen" macros insert what Bild(0,0,…) gives now.
    sources.pictureValue = [](const QString &eigenschaft) { return scriptPictureValue(0, 0, eigenschaft); };
    scripter.setSources(std::move(sources));
    // A script still running when the program closes is stopped first; the close comes back
    // once its run has unwound.
    TForm1 &form = *m_form;
    form.setCloseGuard([&scripter, &form] { return !scripter.requestStopAndClose([&form] { form.close(); }); });
}

TFScripter &ProgramWindows::scripter() const
{
    return m_others->scripter;
}

bool ProgramWindows::loadScript(const QString &path)
{
    return m_others->scripter.LoadScriptFile(path);
}

ScriptHostHooks scriptHostHooks(Shooting &shooting)
{
    return {
        [&shooting] { return quint32(shooting.ShootAlone()); },
        [&shooting] { return shooting.pictureWaitMs(); },
        [&shooting] { shooting.Stop(); },
        [] { return PictureArrived; },
    };
}

void ProgramWindows::wireScriptHost()
{
    Others &o = *m_others;
    o.scriptHost = std::make_unique<ScriptHost>(o.catalogue, m_form.get());
    o.scriptHost->setView(&o.scripter);
    o.scriptHost->setHooks(scriptHostHooks(*m_shooting));
    o.scripter.setRunner(o.scriptHost.get());
    ScriptHost &host = *o.scriptHost;
    m_dispatcher->setImageStoredReceiver([&host] { host.ImageStored(); });
}

ScriptHost &ProgramWindows::scriptHost() const
{
    return *m_others->scriptHost;
}


// The external viewer's window as the layout file stores it. Its show state is not asked of
// the window system: a window found by its title counts as a normal one.
std::optional<ExternWindowPlacement> ProgramWindows::findExternWindow(const QString &title) const
{
    X11Windows &x11 = m_others->viewerWindows.x11();
    const std::optional<X11Windows::WindowId> window = x11.findWindowByTitle(title);
    const std::optional<QRect> frame = window ? x11.geometry(*window) : std::nullopt;
    if (!frame)
        return std::nullopt;
    return ExternWindowPlacement{*frame, 1};
}

void ProgramWindows::wirePostprocessSettings()
{
    Others &o = *m_others;
    TImageMagickConfigForm &magick = o.imageMagickConfigForm;
    attachSettingsWindow(SettingsWindowKind::ImageMagick, &magick);
    attachSettingsWindow(SettingsWindowKind::Hdr, &o.hdrOptions);
    magick.setPreviewWindow(&o.imageMagickbatchform);
    TDateimaskeDialog &maskDialog = o.dateimaskeDialog;
    magick.setMaskDialogOpener([&maskDialog](const QString &mask, const QString &prefix) {
        return runMaskDialog(maskDialog, mask, prefix);
    });
    o.ebvEinstellungen.setPages(&magick, &o.hdrOptions);
}

ProgramWindows::~ProgramWindows()
{
    // The worker posts to the main window, which outlives the other windows.
    m_others->catalogue.StopWorker();
    m_dispatcher->setImageStoredReceiver({});
    m_dispatcher->setCommandOutputReceiver({});
    m_dispatcher->transfer().setHooks({});
    attachSettingsWindow(SettingsWindowKind::Viewer, nullptr);
    attachSettingsWindow(SettingsWindowKind::ImageMagick, nullptr);
    attachSettingsWindow(SettingsWindowKind::Hdr, nullptr);
    setLayoutWindows(nullptr);
    setExternWindowFinder({});
    setConfigurationHooks({});
    attachSettingsWindow(SettingsWindowKind::Capture, nullptr);
}

void ProgramWindows::offerLastCrashReport()
{
    ::offerLastCrashReport(m_others->reportForm);
}

QWidget &ProgramWindows::imageWindow() const
{
    return m_others->bildanzeigeForm;
}

ImageMagickStage &ProgramWindows::imageMagickStage() const
{
    return m_others->imageMagickStage;
}

QList<QWidget *> ProgramWindows::windows() const
{
    Others &o = *m_others;
    return {m_form.get(),         &o.dllfehlerform,       &o.dateimaskeDialog,
            &o.bildanzeigeForm,   &o.exifInfoForm,        &o.bilderFolgeForm,
            &o.aufnahmeEinstForm, &o.biosTestForm,        &o.viewerSetup,
            &o.imageMagickConfigForm, &o.imageMagickbatchform, &o.scriptFuRemoteForm,
            &o.ebvEinstellungen,  &o.hdrOptions,          &o.kommandeditor,
            &o.scripter};
}

int runProgram()
{
    QCoreApplication::setApplicationName(QString::fromUtf8(ProgramCaption));
    installProgramCrashReports();
    QtDialogs dialogs;
    setAppDialogs(&dialogs);
    const QString folder = QCoreApplication::applicationDirPath();
    const Result<QString> sdkLibrary = chosenSdkLibrary();
    if (!sdkLibrary)
        dialogs.showMessage(QStringLiteral("Fehler"), sdkLibrary.error(), MessageIcon::Error);
    bool ready = sdkLibrary.ok() && checkSdkFiles(folder, showMissingSdkFile, *sdkLibrary);
    if (ready) {
        const Result<> loaded = loadSdk(folder, *sdkLibrary);
        if (!loaded)
            dialogs.showMessage(QStringLiteral("Fehler"), loaded.error(), MessageIcon::Error);
        ready = loaded.ok();
    }
    int code = 1;
    if (ready) {
        resetProgramEnd();
        ProgramWindows windows;
        // Before the first show, so that its connection does not run inside the shot.
        const QStringList parameters = QCoreApplication::arguments().mid(1);
        if (!parameters.isEmpty())
            ParseCommandLine(windows, parameters, folder);
        if (const std::optional<int> end = requestedProgramEnd()) {
            code = *end;
        } else {
            windows.offerLastCrashReport();
            windows.mainForm().show();
            windows.imageWindow().show();
            code = QApplication::exec();
        }
    }
    setAppDialogs(nullptr);
    return code;
}
