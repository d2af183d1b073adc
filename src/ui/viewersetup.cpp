#include "ui/viewersetup.h"

#include "platform/dialogs.h"
#include "settings/programsettings.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

namespace {

constexpr int CaptureIntervalMs = 10;

template<typename T>
T *named(T *control, const char *name, QWidget *parent, const QRect &geometry)
{
    control->setObjectName(QLatin1String(name));
    control->setParent(parent);
    control->setGeometry(geometry);
    return control;
}

} // namespace

TViewerSetup::TViewerSetup(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("ViewerSetup"));
    setWindowTitle(QStringLiteral("Viewer Einstellungen"));
    ShowPicCheckBox = named(new QCheckBox(QStringLiteral("Bild nach Auslösen Anzeigen ")),
                            "ShowPicCheckBox", this, {16, 12, 240, 20});
    ShowInternView = named(new QCheckBox(QStringLiteral("Interner Viewer")), "ShowInternView", this,
                           {16, 36, 240, 20});
    ShowExternview = named(new QCheckBox(QStringLiteral("Externer Viewerr")), "ShowExternview", this,
                           {16, 60, 240, 20});
    Label1 = named(new QLabel(QStringLiteral("Pfad Externer Viewer")), "Label1", this, {16, 92, 240, 16});
    ExternViewDirEdit = named(new QLineEdit, "ExternViewDirEdit", this, {16, 110, 300, 22});
    ExternViewDir = named(new QPushButton(QStringLiteral("Pfad")), "ExternViewDir", this,
                          {324, 109, 90, 24});
    ExtTitleLabel = named(new QLabel(QStringLiteral("Externer Viewer FensterTitel")), "ExtTitleLabel",
                          this, {16, 142, 240, 16});
    ViewerWindowTitleEdit = named(new QLineEdit(QStringLiteral("ViewerWindowTitleEdit")),
                                  "ViewerWindowTitleEdit", this, {16, 160, 300, 22});
    FindWindowTitleButton = named(new QPushButton(QStringLiteral("FensterTitel")),
                                  "FindWindowTitleButton", this, {324, 159, 90, 24});
    Memo1 = named(new QPlainTextEdit(QStringLiteral("Memo1")), "Memo1", this, {16, 194, 300, 60});
    ViewerSetupOkButton = named(new QPushButton(QStringLiteral("OK")), "ViewerSetupOkButton", this,
                                {324, 230, 90, 24});
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    resize(430, 270);

    connect(ExternViewDir, &QPushButton::clicked, this, [this] { ExternViewDirClick(); });
    connect(FindWindowTitleButton, &QPushButton::clicked, this, [this] { FindWindowTitleButtonClick(); });
    connect(ViewerSetupOkButton, &QPushButton::clicked, this, &QWidget::hide);
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
}

bool TViewerSetup::settingsFromWindow()
{
    TProgramSettings &settings = ProgramSettings();
    settings.ShowIntern = ShowInternView->isChecked();
    settings.ShowAfterShoot = ShowPicCheckBox->isChecked();
    settings.ShowExtern = ShowExternview->isChecked();
    settings.ExternViewerPath = ExternViewDirEdit->text();
    settings.ExternViewerWindowTitle = ViewerWindowTitleEdit->text();
    return true;
}

void TViewerSetup::settingsToWindow()
{
    const TProgramSettings &settings = ProgramSettings();
    ShowInternView->setChecked(settings.ShowIntern);
    ShowPicCheckBox->setChecked(settings.ShowAfterShoot);
    ShowExternview->setChecked(settings.ShowExtern);
    ExternViewDirEdit->setText(settings.ExternViewerPath);
    ViewerWindowTitleEdit->setText(settings.ExternViewerWindowTitle);
}

void TViewerSetup::openFromMenu()
{
    ViewerSettingsFromWindow();
    show();
}

void TViewerSetup::ExternViewDirClick()
{
    FileDialogOptions options;
    // Programs here have no extension of their own.
    options.filter = QStringLiteral("Alle Dateien|*");
    options.fileName = ExternViewDirEdit->text();
    if (const std::optional<QString> chosen = appDialogs().openFile(options))
        ExternViewDirEdit->setText(*chosen);
}

void TViewerSetup::FindWindowTitleButtonClick()
{
    Timer1->setInterval(CaptureIntervalMs);
    Timer1->start();
}

void TViewerSetup::Timer1Timer()
{
    if (m_pointerText)
        ViewerWindowTitleEdit->setText(m_pointerText());
}
