#include "ui/mainform.h"

#include "camera/appmaster.h"
#include "camera/camera.h"
#include "camera/edserrors.h"
#include "diagnostics/debuglog.h"
#include "platform/dialogs.h"
#include "platform/waits.h"
#include "settings/configuration.h"
#include "settings/programsettings.h"
#include "settings/propertyfiles.h"
#include "settings/windowlayout.h"
#include "ui/debuglog.h"
#include "ui/widgethelpers.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

namespace {

using P = CameraProperty;

constexpr int DebugOffWidth = 330;

// One row of the settings panel and its debug fields.
struct RowSpec
{
    P property;
    const char *label;
    const char *caption;
    const char *labelHint;
    const char *list;
    const char *listHint;
    const char *nameEdit;
    const char *idEdit;
    const char *changeButton;
};

constexpr std::array<RowSpec, CameraPropertyCount> kRows{{
    {P::AEMode, "AeModeLabel", "AE", "AE Mode", "AeModeComboBox", "| AE Mode", "AEEdit",
     "AEIDedit", "AEChangeButton"},
    {P::Av, "AvLabel", "Av", "Aperture Priority Mode", "AvComboBox", "| Aperture Priority Mode",
     "AVedit", "AVIDedit", "AVChangebutton"},
    {P::Tv, "TvLabel", "Tv", "Shutter Priority Mode", "TvComboBox", "| Shutter Priority Mode",
     "TVEdit", "TVIDedit", "TVChangeButton"},
    {P::ISO, "IsoModeLabel", "ISO", "", "ISOComboBox", "| ISO Speed", "IsoEdit", "isoIDedit",
     "IsochangeButton"},
    {P::WhiteBalance, "WeissabgleichLabel", "WB", "", "WeissabgleichCombobox", "Weissabgleich",
     "WBEdit", "WBIDedit", "WBChangeButton"},
    {P::AFMode, "AfmodeModeLabel", "Fokus", "", "afmodeCombobox", "Fokus", "Afmodeedit",
     "afmodeidedit", "AfmodeChangeButton"},
    {P::Quality, "QualityLabel", "Quality", "", "ImageQualityComboBox", "", "QualityEdit",
     "QualityIDedit", "QualityChangebutton"},
    {P::ExpComp, "ExpCompLabel", "ExpComp", "", "ExpCompComboBox", "", "ExpCompEdit",
     "ExpCompIDedit", "ExpCompChangeButton"},
    {P::Metering, "MeteringModeLabel", "Metering Mode", "", "MeteringModeComboBox", "",
     "MeteringEdit", "MeteringIDedit", "MeteringChangebutton"},
    {P::DriveMode, "DriveModeLabel", "AufnahmeModus", "", "DriveModeComboBox", "",
     "Drivemodeedit", "DriveModeidEdit", "DrivemodeChangebutton"},
}};

// Initial filling: how many master entries each list offers and which one it selects.
struct FillSpec
{
    P property;
    int count;
    int selected;
};

constexpr std::array<FillSpec, CameraPropertyCount> kFill{{
    {P::AEMode, 17, 16},
    {P::Av, 54, 53},
    {P::Tv, 75, 74},
    {P::ISO, 20, 19},
    {P::WhiteBalance, 9, 8},
    {P::AFMode, 5, 4},
    {P::Quality, 29, 28},
    {P::ExpComp, 34, 17},
    {P::Metering, 5, 4},
    {P::DriveMode, 9, 8},
}};

// Lists whose items come from the camera's allowed values; the others offer the whole table.
bool isCameraFiltered(P property)
{
    return property == P::Quality || property == P::WhiteBalance || property == P::ISO
           || property == P::Av || property == P::Tv;
}

// A Delphi-style hint: short part before "|" as tool tip, long part after it for the status bar.
void setHint(QWidget *widget, const QString &hint)
{
    if (hint.isEmpty())
        return;
    const qsizetype bar = hint.indexOf(QLatin1Char('|'));
    widget->setToolTip(bar < 0 ? hint : hint.left(bar));
    widget->setStatusTip(bar < 0 ? hint : hint.mid(bar + 1));
}

QAction *menuEntry(QMenu *menu, const char *name, const QString &caption)
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

QString number(quint32 value)
{
    return QString::number(value);
}

// Position of the first entry with this code; a code the table lacks is appended as
// "Unbekannt" + code first.
qsizetype masterPosition(PropTable &master, quint32 code)
{
    for (size_t m = 0; m < master.size(); ++m) {
        if (master[m].ID == code)
            return qsizetype(m);
    }
    appendUnknownEntry(master, code);
    return qsizetype(master.size()) - 1;
}


} // namespace

TForm1::TForm1(QWidget *parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QString::fromUtf8(ProgramCaption));

    auto *scroll = named(new QScrollArea(this), "ScrollBox");
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto *content = new QWidget;
    auto *columns = new QHBoxLayout(content);
    auto *left = new QVBoxLayout;
    auto *caption = named(new QLabel(QStringLiteral("Camera Setting :")), "StaticText1");
    left->addWidget(caption);
    auto *panel = named(new QFrame, "Einstellungen");
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setFixedWidth(DebugOffWidth - 30);
    buildPanel(panel);
    left->addWidget(panel);
    left->addStretch();
    columns->addLayout(left);
    // The debug fields start beyond the normal width; only a wider window shows them.
    columns->addSpacing(30);
    auto *debugPanel = named(new QFrame, "Panel1");
    buildDebugPanel(debugPanel);
    columns->addWidget(debugPanel, 0, Qt::AlignTop);
    columns->addStretch();
    scroll->setWidget(content);
    setCentralWidget(scroll);

    m_status = named(new QLabel, "StatusBar1Text");
    m_status->setAutoFillBackground(true);
    m_statusColor = m_status->palette().color(QPalette::Window);
    auto *bar = named(new QStatusBar, "StatusBar1");
    bar->addWidget(m_status, 1);
    setStatusBar(bar);
    buildMenu();

    Timer1 = named(new QTimer(this), "Timer1");
    Timer1->setInterval(1000);

    resize(DebugOffWidth, 560);
}

TForm1::~TForm1()
{
    // The SDK's threads post to this window; they must stop before it goes.
    AppMaster.reset();
}

void TForm1::buildPanel(QWidget *panel)
{
    auto *grid = new QGridLayout(panel);
    grid->setColumnStretch(1, 1);
    int line = 0;
    for (const RowSpec &spec : kRows) {
        auto *label = named(new QLabel(QString::fromLatin1(spec.caption)), spec.label);
        setHint(label, QString::fromLatin1(spec.labelHint));
        auto *list = named(new QComboBox, spec.list);
        setHint(list, QString::fromLatin1(spec.listHint));
        list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        list->setMinimumContentsLength(8);
        list->setProperty("tag", cameraPropertyInfo(spec.property).sdkId);
        row(spec.property).list = list;
        const P property = spec.property;
        connect(list, &QComboBox::activated, this,
                [this, property](int index) { valueListActivated(property, index); });
        grid->addWidget(label, line, 0);
        if (property == P::Tv) {
            grid->addWidget(list, line, 1);
            m_bulbTimeEdit = named(new QLineEdit, "BulbTimeedit");
            m_bulbTimeEdit->setMaximumWidth(50);
            connect(m_bulbTimeEdit, &QLineEdit::editingFinished, this, &TForm1::bulbTimeEdited);
            grid->addWidget(m_bulbTimeEdit, line, 2);
        } else {
            grid->addWidget(list, line, 1, 1, 2);
        }
        ++line;
    }

    grid->addWidget(named(new QLabel(QStringLiteral("Batterie")), "BatterieLabel1"), line, 0);
    m_batteryBar = named(new QProgressBar, "BatteryLevelBar");
    m_batteryBar->setRange(0, 100);
    m_batteryBar->setValue(0);
    grid->addWidget(m_batteryBar, line, 1);
    m_batteryValue = named(new QLabel, "BatterieValueLabel");
    grid->addWidget(m_batteryValue, line++, 2);

    grid->addWidget(named(new QLabel(QStringLiteral("Projektname")), "Label1"), line, 0);
    m_projectName = named(new QLineEdit, "Projektnameedit");
    connect(m_projectName, &QLineEdit::textEdited, this,
            [](const QString &text) { ProgramSettings().Projektname = text; });
    grid->addWidget(m_projectName, line++, 1, 1, 2);

    AusloeserButton = named(new QPushButton(QStringLiteral("Auslösen")), "AusloeserButton");
    setHint(AusloeserButton, QStringLiteral("Release | Send Release command to Camera."));
    StopZeitrafferButton = named(new QPushButton(QStringLiteral("Stop")), "StopZeitrafferButton");
    StopZeitrafferButton->setEnabled(false);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(AusloeserButton, 2);
    buttons->addWidget(StopZeitrafferButton, 1);
    grid->addLayout(buttons, line++, 0, 1, 3);

    ProgressBar1 = named(new QProgressBar, "ProgressBar1");
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    grid->addWidget(ProgressBar1, line++, 0, 1, 3);

    m_releaseNumber = named(new QLabel, "AusloesungNRLabel");
    m_releaseNumber->setVisible(false);
    grid->addWidget(m_releaseNumber, line++, 0);
}

void TForm1::buildDebugPanel(QWidget *panel)
{
    panel->setEnabled(false);
    auto *grid = new QGridLayout(panel);
    int line = 0;
    for (const RowSpec &spec : kRows) {
        PropertyRow &r = row(spec.property);
        r.nameEdit = named(new QLineEdit, spec.nameEdit);
        r.idEdit = named(new QLineEdit, spec.idEdit);
        r.nameEdit->setReadOnly(true);
        r.idEdit->setReadOnly(true);
        r.changeButton = named(new QPushButton(QStringLiteral("Ändern")), spec.changeButton);
        r.changeButton->setEnabled(false);
        grid->addWidget(r.nameEdit, line, 0);
        grid->addWidget(r.idEdit, line, 1);
        grid->addWidget(r.changeButton, line++, 2);
    }
    // Batch controls of the ImageMagick stage; never shown.
    const std::array<std::pair<const char *, const char *>, 4> batchButtons{{
        {"initbatchButton", "initbatch"},
        {"addlineButton", "addline"},
        {"executecommandButton", "execute command"},
        {"closebatchButton", "close batch"},
    }};
    for (const auto &[name, text] : batchButtons) {
        auto *button = named(new QPushButton(QString::fromLatin1(text)), name);
        button->setEnabled(false);
        button->setVisible(false);
        grid->addWidget(button, line++, 0);
    }
    auto *imageName = named(new QLineEdit, "imagenameedit");
    imageName->setVisible(false);
    grid->addWidget(imageName, line, 0);
}

void TForm1::buildMenu()
{
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));

    QMenu *datei = named(bar->addMenu(QStringLiteral("Datei")), "Datei1");
    connect(menuEntry(datei, "EinstellungLaden", QStringLiteral("Aufnahme Einstellungen laden")),
            &QAction::triggered, this, [] { EinstellungLadenClick(); });
    connect(menuEntry(datei, "EinstellungSpeichern",
                      QStringLiteral("Aufnahme Einstellungen Speichern")),
            &QAction::triggered, this, [] { EinstellungSpeichernClick(); });
    menuEntry(datei, "KameraEinstellungenladen1", QStringLiteral("Kamera Einstellungen laden"));
    connect(menuEntry(datei, "KameraEinstellungenspeichern1",
                      QStringLiteral("Kamera Einstellungen speichern")),
            &QAction::triggered, this, &TForm1::saveCamSettingsMenuClick);
    connect(menuEntry(datei, "LoadPropertiesMenu", QStringLiteral("Kamera Eigenschaften laden")),
            &QAction::triggered, this, &TForm1::loadPropertiesMenuClick);
    connect(menuEntry(datei, "SavepropsMenu", QStringLiteral("Kamera Eigenschaften Speichern")),
            &QAction::triggered, this, &TForm1::savePropsMenuClick);

    QMenu *settings = named(bar->addMenu(QStringLiteral("Einstellungen")), "Einstellungen1");
    menuEntry(settings, "Aufnahmeeinstellungen1", QStringLiteral("Aufnahmeeinstellungen"));
    menuEntry(settings, "Imagemagick1", QStringLiteral("Imagemagick"));
    menuEntry(settings, "ScriptFuSetupMenu", QStringLiteral("ScriptFuSetup"));
    menuEntry(settings, "ViewerEinstellungen1", QStringLiteral("Viewer Einstellungen"));

    QMenu *view = named(bar->addMenu(QStringLiteral("Ansicht")), "Ansicht1");
    connect(menuEntry(view, "AnsichtLaden", QStringLiteral("Laden")), &QAction::triggered, this,
            [] { AnsichtLadenClick(); });
    connect(menuEntry(view, "AnsichtSpeichern", QStringLiteral("Speichern")), &QAction::triggered,
            this, [] { AnsichtSpeichernClick(); });

    QMenu *windows = named(bar->addMenu(QStringLiteral("Fenster")), "Fenster1");
    windows->setEnabled(false);
    Bildansicht1 = menuEntry(windows, "Bildansicht1", QStringLiteral("Bildansicht"));
    Exifinfos1 = menuEntry(windows, "Exifinfos1", QStringLiteral("Exifinfos"));
    Befehlsliste1 = menuEntry(windows, "Befehlsliste1", QStringLiteral("Befehlsliste"));
    for (QAction *toggle : {Bildansicht1, Exifinfos1, Befehlsliste1})
        toggle->setCheckable(true);
    Skripter1 = menuEntry(windows, "Skripter1", QStringLiteral("Skripter"));
    EBV1 = menuEntry(windows, "EBV1", QStringLiteral("EBV-Einstellungen"));

    QMenu *debug = named(bar->addMenu(QStringLiteral("Debug")), "Debug1");
    Enable1 = menuEntry(debug, "Enable1", QStringLiteral("Enable"));
    connect(Enable1, &QAction::triggered, this, &TForm1::toggleDebug);
    ReportSchicken = menuEntry(debug, "ReportSchicken", QStringLiteral("Report schicken"));
}

QComboBox *TForm1::valueList(CameraProperty property) const
{
    return m_rows[size_t(property)].list;
}

const TPropList *TForm1::entryOf(const QComboBox *box, int index)
{
    if (!box || index < 0 || index >= box->count())
        return nullptr;
    const auto *info = cameraPropertyBySdkId(box->property("tag").toUInt());
    if (!info)
        return nullptr;
    // Items hold positions in the master table: they stay valid while the table grows.
    const PropTable &master = MasterTable(info->property);
    const qsizetype position = box->itemData(index).toLongLong();
    if (position < 0 || position >= qsizetype(master.size()))
        return nullptr;
    return &master[size_t(position)];
}

void TForm1::addItem(QComboBox *box, const PropTable &master, qsizetype index)
{
    box->addItem(master[size_t(index)].Name, QVariant::fromValue<qlonglong>(index));
}

const TPropList *TForm1::entryWithCode(CameraProperty property, quint32 code) const
{
    const QComboBox *box = valueList(property);
    return entryOf(box, indexOfCode(box, code));
}

int TForm1::indexOfCode(const QComboBox *box, quint32 code) const
{
    for (int i = 0; i < box->count(); ++i) {
        const TPropList *entry = entryOf(box, i);
        if (entry && entry->ID == code)
            return i;
    }
    return -1;
}

void TForm1::fillList(CameraProperty property, int count, int selected)
{
    QComboBox *box = valueList(property);
    box->clear();
    const PropTable &master = MasterTable(property);
    const qsizetype n = std::min<qsizetype>(count, qsizetype(master.size()));
    for (qsizetype i = 0; i < n; ++i)
        addItem(box, master, i);
    box->setCurrentIndex(selected < box->count() ? selected : -1);
}

void TForm1::fillListsFromTables(const SelectedCodes &keep)
{
    for (const FillSpec &spec : kFill) {
        fillList(spec.property, spec.count, spec.selected);
        if (const std::optional<quint32> code = keep[size_t(spec.property)]) {
            QComboBox *box = valueList(spec.property);
            if (const int index = indexOfCode(box, *code); index >= 0)
                box->setCurrentIndex(index);
        }
    }
    const PropTable &expComp = MasterTable(P::ExpComp);
    CurrentTable(P::ExpComp).assign(expComp.begin(),
                                    expComp.begin() + std::min<size_t>(34, expComp.size()));
}

TForm1::SelectedCodes TForm1::selectedCodes() const
{
    SelectedCodes codes;
    for (const FillSpec &spec : kFill) {
        const QComboBox *box = valueList(spec.property);
        if (const TPropList *entry = entryOf(box, box->currentIndex()))
            codes[size_t(spec.property)] = entry->ID;
    }
    return codes;
}

void TForm1::FillValueLists()
{
    fillListsFromTables({});

    m_bulbTimeEdit->setText(QStringLiteral("60"));
    m_bulbTimeEdit->setEnabled(false);
    BulbMode = false;

    ProgramSettings().ExpComp1 = QStringLiteral("-2");
    ProgramSettings().ExpComp2 = QStringLiteral("0");
    ProgramSettings().ExpComp3 = QStringLiteral("+2");
}

void TForm1::setStatus(const QString &text, const QColor &color)
{
    if (m_statusHeld && m_errorHeld && color != StatusErrorColor)
        return;
    m_errorHeld = m_statusHeld && color == StatusErrorColor;
    m_status->setText(text);
    m_statusColor = color;
    QPalette palette = m_status->palette();
    palette.setColor(QPalette::Window, color);
    m_status->setPalette(palette);
}

QString TForm1::statusText() const
{
    return m_status->text();
}

QColor TForm1::statusColor() const
{
    return m_statusColor;
}

quint32 TForm1::ApplyProperty(quint32 property, quint32 value)
{
    const quint32 err = AppMaster ? AppMaster->SetProperty(property, value)
                                  : EDS_ERR_DEVICE_NOT_FOUND;
    if (err != EDS_ERR_OK) {
        setStatus(EdsErrorText(err), StatusErrorColor);
        UpdatePropertyDisplay(property);
    } else {
        setStatus(QStringLiteral(" Set Value "), StatusSetValueColor);
    }
    return err;
}

void TForm1::valueListActivated(CameraProperty property, int index)
{
    const TPropList *entry = entryOf(valueList(property), index);
    if (!entry)
        return;
    const quint32 id = cameraPropertyInfo(property).sdkId;
    if (property == P::AEMode) {
        row(property).nameEdit->setText(entry->Name);
        row(property).idEdit->setText(number(entry->ID));
        const quint32 err = AppMaster ? AppMaster->SetProperty(id, entry->ID)
                                      : EDS_ERR_DEVICE_NOT_FOUND;
        if (err != EDS_ERR_OK) {
            appDialogs().showMessage(QString::fromUtf8(ProgramCaption),
                                     QStringLiteral("Cannot set new value..."));
            UpdatePropertyDisplay(id);
        }
        return;
    }
    ApplyProperty(id, entry->ID);
    if (property == P::Tv) {
        // After a refused write the list shows the camera's value again; that one counts.
        QComboBox *box = valueList(property);
        const TPropList *shown = entryOf(box, box->currentIndex());
        const bool bulb = shown && shown->Name == QLatin1String("Bulb");
        m_bulbTimeEdit->setEnabled(bulb);
        BulbMode = bulb;
    }
}

void TForm1::bulbTimeEdited()
{
    if (wholeNumber(m_bulbTimeEdit->text()).value_or(0) > 30)
        setStatus(QStringLiteral(" Set Value "), StatusSetValueColor);
}

void TForm1::showEntryInFields(CameraProperty property, const TPropList *entry)
{
    PropertyRow &r = row(property);
    r.nameEdit->setText(entry ? entry->Name : QString());
    r.idEdit->setText(entry ? number(entry->ID) : QString());
}

int TForm1::offerReportedCode(CameraProperty property, quint32 code)
{
    PropTable &master = MasterTable(property);
    const qsizetype position = masterPosition(master, code);
    PropTable &current = CurrentTable(property);
    if (!findEntryByCode(current, code))
        current.push_back(master[size_t(position)]);
    QComboBox *box = valueList(property);
    addItem(box, master, position);
    return box->count() - 1;
}

void TForm1::showGeneral(CameraProperty property, quint32 value)
{
    QComboBox *box = valueList(property);
    int index = indexOfCode(box, value);
    // A list that offers the whole table shows what the camera reports, never another value.
    if (index < 0 && !isCameraFiltered(property))
        index = offerReportedCode(property, value);
    const TPropList *entry = entryOf(box, index);
    if (!entry) {
        showEntryInFields(property, nullptr);
        return;
    }
    box->setCurrentIndex(index);
    settingOf(CurrentSettings(), property) = *entry;
    showEntryInFields(property, entry);
    if (property == P::WhiteBalance) {
        DebugLine(QStringLiteral("Index WB = ") + QString::number(index));
        DebugLine(QStringLiteral("Propstr = ") + entry->Name);
        DebugLine(QStringLiteral("PropID  = ") + number(entry->ID));
    }
}

void TForm1::showExpComp(quint32 value)
{
    QComboBox *box = valueList(P::ExpComp);
    const int index = indexOfCode(box, value);
    box->setCurrentIndex(index >= 0 ? index : 1);
    // Every found entry counts, the first one of the list included.
    if (const TPropList *entry = entryOf(box, index)) {
        settingOf(CurrentSettings(), P::ExpComp) = *entry;
        showEntryInFields(P::ExpComp, entry);
    }
}

void TForm1::UpdatePropertyDisplay(quint32 property)
{
    TCamera *cam = connectedCamera();
    if (!cam)
        return;
    const quint32 value = cam->GetPropertyUInt32(property);
    DebugLine(QStringLiteral("UpdatePropertyID Proc") + number(property));
    DebugLine(QStringLiteral("UpdateProperty ID    =") + number(property));
    DebugLine(QStringLiteral("UpdateProperty Value =") + number(value));
    DebugLine(QString());

    if (property == kEdsPropID_BatteryLevel) {
        m_batteryValue->setText(number(value));
        m_batteryBar->setValue(int(std::min<quint32>(value, 100)));
        return;
    }
    if (property == kEdsPropID_FocalLength) {
        const Rational focal = cam->GetPropertyRational(property);
        m_releaseNumber->setText(QString::number(focal.Numerator) + QStringLiteral("::")
                                 + QString::number(focal.Denominator));
        return;
    }
    const CameraPropertyInfo *info = cameraPropertyBySdkId(property);
    if (!info || info->property == P::ExpComp) {
        if (info)
            showExpComp(value);
        return;
    }
    if (info->property == P::AEMode) {
        // Only whether bracketing is allowed follows the mode; whether it is chosen stays
        // the user's.
        ProgramSettings().AEModeCode = value;
        DebugLine(QStringLiteral("UpdateProperty Name  =") + number(property));
        DebugLine(QStringLiteral("UpdateProperty Value =") + number(value));
    }
    showGeneral(info->property, value);
    if (info->property == P::Tv) {
        BulbMode = value == TvBulbCode;
        m_bulbTimeEdit->setEnabled(BulbMode);
        QComboBox *box = valueList(P::Tv);
        box->setCurrentIndex(indexOfCode(box, value));
    }
}

void TForm1::rebuildCameraFiltered(CameraProperty property, const EdsPropertyDesc &desc)
{
    QComboBox *box = valueList(property);
    if (box->isEnabled())
        box->clear();
    PropTable &master = MasterTable(property);
    PropTable &current = CurrentTable(property);
    const int count = std::clamp<int>(desc.numElements, 0, EDS_MAX_DESC_VALUES);
    // Master entry 0 of Tv is always offered first.
    const bool tvFirst = property == P::Tv && !master.empty();
    current.resize(size_t(count + (tvFirst ? 1 : 0)));
    size_t slot = 0;
    if (tvFirst) {
        current[slot++] = master.front();
        addItem(box, master, 0);
    }
    for (int i = 0; i < count; ++i) {
        const qsizetype position = masterPosition(master, quint32(desc.propDesc[i]));
        // An unknown code takes its place in the current table too, so that lookups by
        // code or text never meet an empty entry.
        current[slot++] = master[size_t(position)];
        addItem(box, master, position);
    }
}

void TForm1::rebuildProgramFiltered(CameraProperty property)
{
    QComboBox *box = valueList(property);
    if (property == P::AEMode || box->isEnabled())
        box->clear();
    const PropTable &master = MasterTable(property);
    CurrentTable(property) = master;
    for (size_t i = 0; i < master.size(); ++i)
        addItem(box, master, qsizetype(i));
}

void TForm1::RebuildValueList(quint32 property)
{
    TCamera *cam = connectedCamera();
    const CameraPropertyInfo *info = cameraPropertyBySdkId(property);
    if (!cam || !info)
        return;
    const EdsPropertyDesc desc = cam->GetPropertyDesc(property);
    QComboBox *box = valueList(info->property);
    if (info->property == P::ExpComp) {
        box->setEnabled(box->count() > 0);
        return;
    }
    const TPropList *selected =
        box->isEnabled() ? entryOf(box, box->currentIndex()) : nullptr;
    const qint64 remembered = selected ? qint64(selected->ID) : -1;
    if (isCameraFiltered(info->property))
        rebuildCameraFiltered(info->property, desc);
    else
        rebuildProgramFiltered(info->property);
    box->setCurrentIndex(remembered < 0 ? -1 : indexOfCode(box, quint32(remembered)));
}

bool TForm1::ReadCameraSettings(TCamerasettings &settings)
{
    // Property events posted after connecting reach the panel first.
    WaitProcessing(500);
    const std::array<P, 9> order{P::AEMode, P::Tv,     P::Av,      P::ISO,     P::WhiteBalance,
                                 P::AFMode, P::Quality, P::ExpComp, P::Metering};
    for (P property : order) {
        const QComboBox *box = valueList(property);
        const TPropList *entry = entryOf(box, box->currentIndex());
        TPropList &field = settingOf(settings, property);
        field = entry ? *entry : TPropList{QStringLiteral("UNKNOWN"), NoSelectionCode, false};
    }
    settings.PauseHours = 0;
    settings.PauseMinutes = 0;
    settings.PauseSeconds = 0;
    const QString text = m_bulbTimeEdit->text();
    const std::optional<int> bulb = wholeNumber(text);
    if (!bulb) {
        appDialogs().showMessage(QString::fromUtf8(ProgramCaption),
                                 QStringLiteral("'%1' ist kein gültiger Integerwert").arg(text),
                                 MessageIcon::Error);
        return false;
    }
    settings.Bulbtime = *bulb;
    return true;
}

QString TForm1::bulbTimeText() const
{
    return m_bulbTimeEdit->text();
}

void TForm1::ShowDebugFields(bool visible)
{
    for (PropertyRow &r : m_rows) {
        r.nameEdit->setVisible(visible);
        r.idEdit->setVisible(visible);
        r.changeButton->setVisible(visible);
    }
}

void TForm1::showProjectName(const QString &name)
{
    m_projectName->setText(name);
}

TDebugLog &TForm1::DebugLogWindow()
{
    if (!m_debugLog)
        m_debugLog = std::make_unique<TDebugLog>();
    return *m_debugLog;
}

// The caption always follows the flag, also after a configuration switched it.
void TForm1::setDebugging(bool on)
{
    if (!on && !debugEnabled() && Enable1->text() != QLatin1String("&Disable"))
        return;
    setDebugEnabled(on);
    ProgramSettings().Debug = on;
    ShowDebugFields(on);
    Enable1->setText(on ? QStringLiteral("&Disable") : QStringLiteral("&Enable"));
    TDebugLog &log = DebugLogWindow();
    if (on) {
        log.show();
        static_cast<QScrollArea *>(centralWidget())->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    } else {
        log.hide();
        resize(DebugOffWidth, height());
    }
}

void TForm1::toggleDebug()
{
    setDebugging(!debugEnabled());
}

void TForm1::loadPropertiesMenuClick()
{
    FileDialogOptions options;
    options.fileName = QStringLiteral("Ordivan.cpf");
    options.defaultExtension = QStringLiteral("*cpf");
    options.filter = QStringLiteral("*.cpf|*.CpF");
    const auto path = appDialogs().openFile(options);
    if (!path || !QFileInfo::exists(*path)) {
        if (path)
            loadproperties(*path); // reports the missing file
        return;
    }
    // Items refer to table positions, so the selected codes are taken before the tables change.
    const SelectedCodes selected = selectedCodes();
    loadproperties(*path);
    // The lists show the tables that were loaded, still restricted to what the camera allows;
    // the bulb time and the bracketing texts are the user's and stay.
    fillListsFromTables(selected);
    if (connectedCamera()) {
        for (const CameraPropertyInfo &info : cameraProperties()) {
            RebuildValueList(info.sdkId);
            UpdatePropertyDisplay(info.sdkId);
        }
    }
    emit propertiesLoaded();
}

void TForm1::savePropsMenuClick()
{
    FileDialogOptions options;
    options.defaultExtension = QStringLiteral("*cpf");
    options.filter = QStringLiteral("*.cpf|*.cpF");
    if (const auto path = appDialogs().saveFile(options))
        saveproperties(*path);
}

void TForm1::saveCamSettingsMenuClick()
{
    FileDialogOptions options;
    options.fileName = QStringLiteral("Ordivan.csf");
    options.defaultExtension = QStringLiteral("*csf");
    options.filter = QStringLiteral("*.csf|*.csF");
    if (const auto path = appDialogs().saveFile(options))
        saveCamSettings(*path);
}

void TForm1::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    // Through the event loop, so that the connection can end the program with exit().
    QTimer::singleShot(0, this, &TForm1::firstShown);
}

void TForm1::closeEvent(QCloseEvent *event)
{
    if (m_closeGuard && !m_closeGuard()) {
        event->ignore();
        return;
    }
    emit closing();
    QMainWindow::closeEvent(event);
}

bool TForm1::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate)
        showProjectName(ProgramSettings().Projektname);
    return QMainWindow::event(event);
}

int LastPos(const QString &text, const QString &character)
{
    if (character.size() != 1)
        return 0;
    return int(text.lastIndexOf(character)) + 1;
}
