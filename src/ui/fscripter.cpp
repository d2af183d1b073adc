#include "ui/fscripter.h"

#include "camera/appmaster.h"
#include "camera/camera.h"
#include "camera/camerasettings.h"
#include "platform/dialogs.h"
#include "platform/texthelpers.h"
#include "postprocess/catalogue.h"
#include "postprocess/commandfile.h"
#include "postprocess/commandhandover.h"
#include "settings/inifile.h"
#include "settings/programsettings.h"
#include "settings/textfile.h"
#include "settings/wincodec.h"
#include "scripting/scriptfiles.h"
#include "scripting/scriptrunner.h"
#include "ui/fieldhelpers.h"
#include "ui/scripttexts.h"
#include "ui/widgethelpers.h"

#include <Qsci/qsciapis.h>
#include <Qsci/qscilexerpascal.h>
#include <Qsci/qsciscintilla.h>

#include <QAbstractItemView>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace st = scripttexts;

namespace {

const QString kCaption = QStringLiteral("Pascal Script");
const QString &kBreak = crlf();
const QString kStartText = QStringLiteral("Program Test;\r\nBegin\r\n\r\nEnd.");
const QString kNewText = QStringLiteral("Program Test;\r\nBegin\r\nEnd.");
const QString kScriptFilter = QStringLiteral("Pascal Script files (*.rops)|*.rops|All files (*.*)|*.*");
// Scripts, and through "All files" the command files "nachträglich abarbeiten" takes.
const FileDialogOptions kOpenScript{QString(), QString(), QStringLiteral("*.rops"), kScriptFilter,
                                    QStringLiteral("rops")};
constexpr int kCloseWatchMs = 20;

// A value box filled when it drops down, so that it always offers the values of now.
class DropDownBox : public QComboBox
{
public:
    std::function<void()> beforeDrop;
    void showPopup() override
    {
        if (beforeDrop)
            beforeDrop();
        QComboBox::showPopup();
    }
};

struct LexerStyle
{
    int style;
    QColor colour;
    bool bold;
    bool italic;
};

const QColor kOlive(128, 128, 0);
const QColor kNavy(0, 0, 128);
const QColor kPurple(128, 0, 128);
const QColor kBlue(0, 0, 255);
const QColor kGreen(0, 128, 0);

const LexerStyle kLexerStyles[] = {
    {QsciLexerPascal::Comment, kOlive, false, true},
    {QsciLexerPascal::CommentParenthesis, kOlive, false, true},
    {QsciLexerPascal::CommentLine, kOlive, false, true},
    {QsciLexerPascal::Number, kNavy, false, false},
    {QsciLexerPascal::HexNumber, kNavy, false, false},
    {QsciLexerPascal::SingleQuotedString, kPurple, false, false},
    {QsciLexerPascal::UnclosedString, kPurple, false, false},
    {QsciLexerPascal::Character, kPurple, false, false},
    {QsciLexerPascal::Operator, kBlue, false, false},
    {QsciLexerPascal::Keyword, Qt::black, true, false},
    {QsciLexerPascal::PreProcessor, kGreen, false, false},
    {QsciLexerPascal::PreProcessorParenthesis, kGreen, false, false},
};

// The script host's names, offered by the word completion besides the script's own words.
const char *const kHostNames[] = {
    "Anzeige", "hole", "Setze", "Liste", "Ausloesen", "Warte", "Bild", "Bildanzeige",
    "ebvcommando", "Einlesen", "SetzePausenachBefehlauf", "Memo2", "Writeln", "ShowMessage",
};

QFont editorFont()
{
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    if (!QFontInfo(font).fixedPitch())
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    return font;
}

QLabel *boldLabel(const QString &text, const char *name)
{
    auto *label = named(new QLabel(text), name);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

QString twoDigits(const char *prefix, qsizetype number)
{
    return QString::fromLatin1(prefix) + QStringLiteral("%1").arg(number, 2, 10, QLatin1Char('0'));
}

// Stored scripts have CR LF line ends; LF-only files are read as well.
QString withCrLf(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\n'), kBreak);
    return text;
}

qint64 cachedCameraValue(CameraProperty property)
{
    const TCamera *camera = AppMaster ? AppMaster->GetCamera() : nullptr;
    if (!camera)
        return -1;
    return camera->GetPropertyUInt32(cameraPropertyInfo(property).sdkId);
}

} // namespace

TFScripter::TFScripter(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("FScripter"));
    setWindowTitle(kCaption);
    m_sources.cameraValue = cachedCameraValue;

    makeEditor();
    singleedit = named(new QLineEdit, "singleedit");
    singleedit->installEventFilter(this);
    connect(singleedit, &QLineEdit::returnPressed, this, [this] { singleeditEnter(); });
    Memo2 = named(new QPlainTextEdit, "Memo2");
    Memo2->setReadOnly(true);
    Memo2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont bold = Memo2->font();
    bold.setBold(true);
    Memo2->setFont(bold);

    auto *middle = new QVBoxLayout;
    middle->addWidget(makeTopBar());
    middle->addWidget(HLEditor1, 1);
    middle->addWidget(named(new QLabel(QStringLiteral("Befehlszeile   ")), "Label2"));
    middle->addWidget(singleedit);
    middle->addWidget(named(new QLabel(QStringLiteral("Ausgabefenster")), "Label3"));
    middle->addWidget(Memo2);

    auto *layout = new QGridLayout(this);
    makeMenu();
    layout->addWidget(makePanel(), 0, 0);
    layout->addLayout(middle, 0, 1);
    layout->setColumnStretch(1, 1);

    makeMacros();
    m_closeWatch = new QTimer(this);
    m_closeWatch->setInterval(kCloseWatchMs);
    connect(m_closeWatch, &QTimer::timeout, this, [this] {
        if (busy())
            return;
        m_closeWatch->stop();
        if (auto close = std::exchange(m_closeAfterRun, {}))
            close();
    });

    resize(788, 636);
    if (const QScreen *screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
}

TFScripter::~TFScripter()
{
    // The word list is prepared on a thread that reads the lexer; it must end while the lexer
    // is whole, not while the lexer's destruction deletes the list.
    m_apis->cancelPreparation();
}

void TFScripter::makeEditor()
{
    HLEditor1 = named(new QsciScintilla, "HLEditor1");
    HLEditor1->setUtf8(true);
    HLEditor1->setEolMode(QsciScintilla::EolWindows);
    auto *lexer = new QsciLexerPascal(HLEditor1);
    const QFont font = editorFont();
    lexer->setDefaultFont(font);
    lexer->setDefaultColor(Qt::black);
    // Every style gets the font, so that no style falls back to a proportional one.
    for (int style = 0; style <= QsciScintillaBase::STYLE_MAX; ++style) {
        if (lexer->description(style).isEmpty())
            continue;
        lexer->setFont(font, style);
        lexer->setColor(Qt::black, style);
    }
    for (const LexerStyle &s : kLexerStyles) {
        QFont styled = font;
        styled.setBold(s.bold);
        styled.setItalic(s.italic);
        lexer->setFont(styled, s.style);
        lexer->setColor(s.colour, s.style);
    }
    m_apis = new QsciAPIs(lexer);
    for (const char *name : kHostNames)
        m_apis->add(QString::fromLatin1(name));
    m_apis->prepare();
    HLEditor1->setLexer(lexer);
    HLEditor1->setTabWidth(2);
    HLEditor1->setBraceMatching(QsciScintilla::SloppyBraceMatch);
    HLEditor1->setAutoCompletionSource(QsciScintilla::AcsAll);
    HLEditor1->setAutoCompletionThreshold(3);
    HLEditor1->setAutoCompletionCaseSensitivity(false);
    setEditorText(kStartText);
    HLEditor1->installEventFilter(this);
    connect(HLEditor1, &QsciScintilla::textChanged, this, [this] { m_modified = true; });
    connect(HLEditor1, &QsciScintilla::cursorPositionChanged, this, [this] { showCaret(); });
    connect(HLEditor1, &QsciScintilla::selectionChanged, this, [this] { showCaret(); });
}

QWidget *TFScripter::makeTopBar()
{
    auto *bar = named(new QWidget, "Panel4");
    ledx = named(new QLabel, "ledx");
    ledy = named(new QLabel, "ledy");
    Startbutton = named(new QPushButton(QStringLiteral("Start")), "Startbutton");
    Stopbutton = named(new QPushButton(QStringLiteral("Stop")), "Stopbutton");
    Button1 = named(new QPushButton(QStringLiteral("Button1")), "Button1");
    connect(Startbutton, &QPushButton::clicked, this, &TFScripter::StartbuttonClick);
    connect(Stopbutton, &QPushButton::clicked, this, &TFScripter::StopClick);
    connect(Button1, &QPushButton::clicked, this, &TFScripter::Button1Click);
    auto *row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(boldLabel(QStringLiteral("Programmfenster    "), "Label1"));
    row->addWidget(ledx);
    row->addWidget(ledy);
    row->addStretch(1);
    row->addWidget(Startbutton);
    row->addWidget(Stopbutton);
    row->addWidget(Button1);
    showCaret();
    return bar;
}

QPushButton *TFScripter::makeValueButton(const char *name, const QString &caption)
{
    auto *button = named(new QPushButton(caption), name);
    button->setFixedSize(80, 20);
    return button;
}

QWidget *TFScripter::makePanel()
{
    Panel1 = named(new QWidget, "Panel1");
    auto *grid = new QGridLayout(Panel1);
    grid->addWidget(boldLabel(QStringLiteral("Wizard"), "Label4"), 0, 0, 1, 2);
    grid->addWidget(boldLabel(QStringLiteral(" Einstellungen"), "Label5"), 1, 0, 1, 2);
    QPushButton *all = makeValueButton("btaddAlle", QStringLiteral("Alle"));
    connect(all, &QPushButton::clicked, this, &TFScripter::allButtonClick);
    grid->addWidget(all, 2, 0);
    const auto buttons = st::valueButtons();
    for (size_t row = 0; row < buttons.size(); ++row) {
        const st::ValueButton &b = buttons[row];
        QPushButton *button = makeValueButton(b.objectName, QString::fromUtf8(b.caption));
        connect(button, &QPushButton::clicked, this,
                [this, b] { valueButtonClick(b.property, b.settingName); });
        auto *box = named(new DropDownBox, b.boxObjectName);
        box->setMaxVisibleItems(20);
        box->view()->setMinimumWidth(140);
        box->beforeDrop = [this, box, b] { fillValueBox(box, b.property); };
        connect(box, &QComboBox::activated, this, [this, box, b](int index) {
            deliver(st::setzeLine(QString::fromLatin1(b.boxSettingName), st::unmarkedEntry(box->itemText(index))));
        });
        grid->addWidget(button, int(row) + 3, 0);
        grid->addWidget(box, int(row) + 3, 1);
    }
    // Kept hidden and without function, as the window always had them.
    int row = int(buttons.size()) + 3;
    for (const char *name : {"btRelease", "btViewOff", "btViewon", "btShowPic", "btSetPath", "btAddPath"}) {
        QPushButton *unused = makeValueButton(name, QString::fromLatin1(name));
        unused->setEnabled(false);
        unused->hide();
        grid->addWidget(unused, row++, 0);
    }
    grid->addWidget(boldLabel(QStringLiteral("Befehle einfügen"), "Label6"), row++, 0, 1, 2);
    auto *macroPanel = named(new QWidget, "paLbAddComs");
    auto *macroLayout = new QVBoxLayout(macroPanel);
    macroLayout->setContentsMargins(0, 0, 0, 0);
    lbAddCom = named(new QListWidget, "lbAddCom");
    for (const st::Macro &macro : st::macros())
        lbAddCom->addItem(QString::fromUtf8(macro.caption));
    lbAddCom->installEventFilter(this);
    connect(lbAddCom, &QListWidget::itemDoubleClicked, this, [this] { lbAddComRun(); });
    macroLayout->addWidget(lbAddCom);
    grid->addWidget(macroPanel, row, 0, 1, 2);
    grid->setRowStretch(row, 1);
    return Panel1;
}

void TFScripter::makeMenu()
{
    auto *bar = named(new QMenuBar(this), "MainMenu1");
    const auto add = [this](QMenu *menu, const QString &text, const char *name, auto slot) {
        QAction *action = menu->addAction(text);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    QMenu *file = bar->addMenu(QStringLiteral("&Datei"));
    add(file, QStringLiteral("&Neu"), "Neu1", [this] { NewClick(); });
    add(file, QStringLiteral("&Öffnen..."), "ffnen1", [this] { OpenClick(); });
    add(file, QStringLiteral("&Speichern"), "Speichern1", [this] { SaveClick(); });
    add(file, QStringLiteral("Speichern unter..."), "Speichernunter1", [this] { SaveAsClick(); });
    add(file, QStringLiteral("&Beenden"), "Beenden1", [this] { close(); });

    QMenu *script = bar->addMenu(QStringLiteral("&Script"));
    add(script, QStringLiteral("&Compilieren und Ausführen"), "CompileandRun1", [this] { StartbuttonClick(); })
        ->setShortcut(Qt::Key_F9);
    add(script, QStringLiteral("Compile and Run (with &Timer)"), "CompileandRunwithTimer1", [] {})->setVisible(false);
    // Ctrl+F2 switches desktops on many Linux desktops; Shift+F2 stops as well.
    add(script, QStringLiteral("&Stop"), "Stop1", [this] { StopClick(); })
        ->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_F2), QKeySequence(Qt::SHIFT | Qt::Key_F2)});
    add(script, QStringLiteral("Compile and &Disassemble"), "CompileandDisassemble1", [] {})->setVisible(false);

    QMenu *ebv = bar->addMenu(QStringLiteral("Ebv Befehle"));
    add(ebv, QStringLiteral("Laden"), "EbvLaden1", [] {})->setVisible(false);
    add(ebv, QStringLiteral("Speichern"), "EbvSpeichern1", [] {})->setVisible(false);
    add(ebv, QStringLiteral("Einrichten"), "Einrichten1", [this] { EinrichtenClick(); });

    QMenu *later = bar->addMenu(QStringLiteral("EBV-Skripte"));
    add(later, QStringLiteral("nachträglich abarbeiten"), "nachtraeglichabarbeiten1", [this] { NachtraeglichClick(); });
    layout()->setMenuBar(bar);
}

void TFScripter::setSources(Sources sources)
{
    if (!sources.cameraValue)
        sources.cameraValue = cachedCameraValue;
    m_sources = std::move(sources);
}

void TFScripter::setCommandEditor(ExternCommandSource *source, QWidget *window)
{
    m_commandSource = source;
    m_commandEditorWindow = window;
}

// --- running ---

void TFScripter::run(const QString &text, bool withMessageProcessing)
{
    if (!m_runner)
        return;
    ++m_runDepth;
    m_runner->RunScript(text, withMessageProcessing);
    --m_runDepth;
}

bool TFScripter::busy() const
{
    return m_runDepth > 0 || (m_runner && m_runner->running());
}

bool TFScripter::requestStopAndClose(std::function<void()> close)
{
    if (!busy())
        return false;
    m_closeAfterRun = std::move(close);
    if (m_runner)
        m_runner->StopScript();
    m_closeWatch->start();
    return true;
}

void TFScripter::StartbuttonClick()
{
    run(HLEditor1->text(), true);
}

void TFScripter::StopClick()
{
    if (m_runner)
        m_runner->StopScript();
}

void TFScripter::Button1Click()
{
    if (m_catalogue)
        m_catalogue->StopWorker();
}

void TFScripter::EinrichtenClick()
{
    if (m_commandEditorWindow)
        m_commandEditorWindow->show();
}

void TFScripter::NachtraeglichClick()
{
    if (!m_catalogue)
        return;
    const std::optional<QString> path = appDialogs().openFile(kOpenScript);
    if (!path)
        return;
    const Result<QList<TBatchcommand>> commands = ReadCommandFile(*path);
    if (!commands) {
        appDialogs().showMessage(kCaption, commands.error());
        return;
    }
    // Queued to run now, and marked in their file so that a second pass does not run them again.
    IniEdits executed;
    for (const TBatchcommand &command : *commands) {
        if (command.executed)
            continue;
        if (m_catalogue->QueueCommand({}, command.program, command.arguments, command.wait, command.show, false))
            recordExecuted(executed, command.section);
    }
    if (!executed.isEmpty()) {
        IniFile file(*path);
        if (const Result<> written = file.apply(executed); !written)
            appDialogs().showMessage(kCaption, written.error(), MessageIcon::Error);
    }
    m_catalogue->StartWorker();
    if (!m_catalogue->WorkerRunning())
        m_catalogue->StartWorker();
}

// --- command line ---

void TFScripter::singleeditEnter(bool withMessageProcessing)
{
    const QString command = singleedit->text();
    if (const std::optional<QString> topic = st::helpTopic(command)) {
        appendOutput(topic->isEmpty() ? st::helpText() : QString());
        return;
    }
    m_history.append(command);
    m_historyIndex = int(m_history.size());
    singleedit->clear();
    run(st::commandLineScript(command), withMessageProcessing);
}

void TFScripter::historyStep(int step)
{
    m_historyIndex = std::clamp(m_historyIndex + step, 0, std::max(0, int(m_history.size()) - 1));
    singleedit->setText(m_history.value(m_historyIndex));
}

void TFScripter::deliver(InsertTarget target, const QString &text)
{
    switch (target) {
    case InsertTarget::Editor: {
        const long position = HLEditor1->SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS);
        HLEditor1->beginUndoAction();
        HLEditor1->insert(text);
        HLEditor1->endUndoAction();
        HLEditor1->SendScintilla(QsciScintillaBase::SCI_GOTOPOS, position + long(text.toUtf8().size()));
        HLEditor1->update();
        break;
    }
    case InsertTarget::Commandline:
        singleedit->setText(text);
        singleeditEnter(false);
        historyStep(-1);
        break;
    case InsertTarget::None:
        break;
    }
}

void TFScripter::valueButtonClick(CameraProperty property, const char *name)
{
    deliver(st::setzeLine(QString::fromLatin1(name), settingOf(CurrentSettings(), property).Name));
}

void TFScripter::allButtonClick()
{
    QString lines;
    for (const st::ValueButton &button : st::valueButtons()) {
        if (button.inAll)
            lines += st::setzeLine(QString::fromLatin1(button.settingName), settingOf(CurrentSettings(), button.property).Name);
    }
    deliver(lines);
}

void TFScripter::fillValueBox(QComboBox *box, CameraProperty property)
{
    const QStringList entries = st::markedEntries(CurrentTable(property), m_sources.cameraValue(property));
    box->clear();
    box->addItems(entries);
    const QString current = settingOf(CurrentSettings(), property).Name;
    box->setCurrentIndex(entries.indexOf(current + QLatin1Char('*')));
}

// --- macros ---

void TFScripter::makeMacros()
{
    const auto fixed = [](const QString &text) {
        return [text]() -> std::optional<QString> { return text; };
    };
    const auto picture = [this](const char *eigenschaft) {
        return [this, eigenschaft]() -> std::optional<QString> {
            if (!m_sources.pictureValue)
                return std::nullopt;
            return m_sources.pictureValue(QString::fromLatin1(eigenschaft));
        };
    };
    const auto savepath = [] { return ProgramSettings().Savepath; };
    const auto outputPath = [] { return ProgramSettings().ImageMagickOutputpath; };
    const auto show = [](auto folder) {
        return [folder]() -> std::optional<QString> {
            return QStringLiteral("Anzeige(") + st::pascalLiteral(folder()) + QStringLiteral(");");
        };
    };
    const auto insert = [](auto folder) { return [folder]() -> std::optional<QString> { return folder(); }; };
    const auto setFolder = [this](const char *name, auto startFolder) {
        return [this, name, startFolder] { return folderSetting(name, startFolder()); };
    };
    m_macros = {
        {QStringLiteral("RELEASE"), fixed(QStringLiteral("Ausloesen();"))},
        {QStringLiteral("DELAY"), fixed(QStringLiteral("Warte(1000*01);") + kBreak)},
        {QStringLiteral("SETPROJECTNAME"), [] () -> std::optional<QString> {
             const std::optional<QString> name = appDialogs().inputText(QStringLiteral("Eingabe"), QStringLiteral("Projektname"));
             if (!name)
                 return std::nullopt;
             return st::setzeLine(QStringLiteral("Projectname"), *name);
         }},
        {QStringLiteral("READPROJECTNAME"), fixed(QStringLiteral("Setze('Projectname',Einlesen('Test'),0);") + kBreak)},
        {QStringLiteral("INSERTMASK"), [this]() -> std::optional<QString> {
             const std::optional<QString> mask = m_sources.chooseMask ? m_sources.chooseMask() : std::nullopt;
             if (!mask)
                 return std::nullopt;
             return st::pascalLiteral(*mask);
         }},
        {QStringLiteral("VIEWON"), fixed(QStringLiteral("Bildanzeige('AN','EXTERN','');"))},
        {QStringLiteral("VIEWOFF"), fixed(QStringLiteral("Bildanzeige('AUS','EXTERN','');"))},
        {QStringLiteral("SHOWPIC"), fixed(QStringLiteral("Bildanzeige('AN','EXTERN',BILD(0,0,'PFAD'));"))},
        {QStringLiteral("SETIMAGESPATH"), setFolder("Verzeichnis", savepath)},
        {QStringLiteral("SHOWIMAGESPATH"), show(savepath)},
        {QStringLiteral("ADDIMAGESPATH"), insert(savepath)},
        {QStringLiteral("SHOWIMAGEPATH"), fixed(QStringLiteral("anzeige(BILD(0,0,'PFAD'));"))},
        {QStringLiteral("ADDIMAGEPATH"), picture("PFAD")},
        {QStringLiteral("SHOWIMAGENAME"), fixed(QStringLiteral("anzeige(BILD(0,0,'NAME'));"))},
        {QStringLiteral("ADDIMAGENAME"), picture("NAME")},
        {QStringLiteral("SHOWIMAGEDIR"), fixed(QStringLiteral("anzeige(BILD(0,0,'DIR'));"))},
        {QStringLiteral("ADDIMAGEDIR"), picture("DIR")},
        {QStringLiteral("SETEBVPATH"), setFolder("EBVPATH", outputPath)},
        {QStringLiteral("ADDEBVPATH"), insert(outputPath)},
        {QStringLiteral("SHOWEBVPATH"), show(outputPath)},
    };
}

std::optional<QString> TFScripter::folderSetting(const char *name, const QString &startFolder)
{
    const std::optional<QString> folder = appDialogs().chooseFolder(QStringLiteral("Verzeichnis wählen"), startFolder);
    if (!folder)
        return std::nullopt;
    return st::setzeLine(QString::fromLatin1(name), withTrailingSeparator(*folder));
}

void TFScripter::lbAddComRun()
{
    const int row = lbAddCom->currentRow();
    if (row < 0 || row >= int(st::macros().size()))
        return;
    const QString key = QString::fromLatin1(st::macros()[size_t(row)].key);
    if (key == QLatin1String("EBVCOMMAND")) {
        ebvCommandMacro();
        return;
    }
    const auto macro = m_macros.constFind(key);
    if (macro == m_macros.cend())
        return;
    if (const std::optional<QString> text = (*macro)())
        deliver(*text);
}

void TFScripter::ebvCommandMacro()
{
    if (!m_commandSource)
        return;
    // The editor takes the focus while it shows; the text goes where the user asked for it.
    const InsertTarget target = m_target;
    m_commandSource->requestCommand(QString(), [this, target](const std::optional<TBuiltCommand> &command) {
        if (command)
            deliver(target, st::ebvCommandoCall(*command));
    });
}

// --- files ---

bool TFScripter::unsavedCheck()
{
    if (!m_modified)
        return true;
    switch (appDialogs().askYesNoCancel(kCaption, QStringLiteral("File is not saved, save now?"))) {
    case DialogButton::Yes:
        SaveClick();
        return !m_modified;
    case DialogButton::No:
        return true;
    default:
        return false;
    }
}

void TFScripter::setEditorText(const QString &text)
{
    HLEditor1->setText(text);
    HLEditor1->setCursorPosition(0, 0);
    m_modified = false;
}

void TFScripter::NewClick()
{
    if (!unsavedCheck())
        return;
    setEditorText(kNewText);
    clearOutput();
    m_fileName.clear();
}

bool TFScripter::LoadScriptFile(const QString &path)
{
    return loadScriptFile(*this, path);
}

void TFScripter::loadScript(const QString &text, const QString &fileName)
{
    setEditorText(withCrLf(text));
    m_fileName = fileName;
}

void TFScripter::OpenClick()
{
    if (!unsavedCheck())
        return;
    const std::optional<QString> path = appDialogs().openFile(kOpenScript);
    if (path && LoadScriptFile(*path))
        clearOutput();
}

bool TFScripter::SaveClick()
{
    return m_fileName.isEmpty() ? SaveAsClick() : saveTo(m_fileName);
}

bool TFScripter::SaveAsClick()
{
    const std::optional<QString> path = appDialogs().saveFile(
        {QString(), QString(), QString(), kScriptFilter, QStringLiteral("rops")});
    if (!path || !saveTo(*path))
        return false;
    m_fileName = *path;
    return true;
}

bool TFScripter::saveTo(const QString &path)
{
    const QString text = HLEditor1->text();
    if (!wincodec::representable(text)
        && appDialogs().askYesNo(kCaption,
                                 QStringLiteral("Das Skript enthält Zeichen, die Windows-1252 nicht darstellen kann; "
                                                "sie werden als \"?\" gespeichert. Trotzdem speichern?"),
                                 MessageIcon::Warning)
               != DialogButton::Yes)
        return false;
    if (const Result<> written = textfile::writeBytes(path, wincodec::encode(text)); !written) {
        appDialogs().showMessage(kCaption, written.error(), MessageIcon::Error);
        return false;
    }
    m_modified = false;
    return true;
}

// --- the editor's caret and the output window ---

void TFScripter::showCaret()
{
    const long position = HLEditor1->SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS);
    const long line = HLEditor1->SendScintilla(QsciScintillaBase::SCI_LINEFROMPOSITION, position);
    const long lineStart = HLEditor1->SendScintilla(QsciScintillaBase::SCI_POSITIONFROMLINE, line);
    const long column = HLEditor1->SendScintilla(QsciScintillaBase::SCI_COUNTCHARACTERS, lineStart, position);
    ledx->setText(twoDigits("X:", column + 1));
    ledy->setText(twoDigits("Y:", line + 1));
}

void TFScripter::moveCaretTo(int line, int column)
{
    // Columns count characters; the editor's positions count UTF-8 bytes.
    const long lineIndex = std::max(0, line - 1);
    const long lineStart = HLEditor1->SendScintilla(QsciScintillaBase::SCI_POSITIONFROMLINE, lineIndex);
    const long lineEnd = HLEditor1->SendScintilla(QsciScintillaBase::SCI_GETLINEENDPOSITION, lineIndex);
    long position = lineStart;
    for (int step = 1; step < column && position < lineEnd; ++step)
        position = HLEditor1->SendScintilla(QsciScintillaBase::SCI_POSITIONAFTER, position);
    HLEditor1->SendScintilla(QsciScintillaBase::SCI_GOTOPOS, position);
    HLEditor1->setFocus();
    showCaret();
}

void TFScripter::clearOutput()
{
    m_output.clear();
    Memo2->clear();
}

void TFScripter::appendOutput(const QString &line)
{
    QString text = line;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    m_output += text.split(QLatin1Char('\n'));
    Memo2->appendPlainText(text);
}

void TFScripter::setOutputLines(const QStringList &lines)
{
    m_output = lines;
    Memo2->setPlainText(lines.join(QLatin1Char('\n')));
}

QString TFScripter::askLine(const QString &question)
{
    return appDialogs().inputText(QStringLiteral("Einlesen"), question).value_or(QString());
}

// --- events ---

bool TFScripter::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn) {
        if (watched == singleedit)
            m_target = InsertTarget::Commandline;
        else if (watched == HLEditor1)
            m_target = InsertTarget::Editor;
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<QKeyEvent *>(event)->key();
    if (watched == singleedit && (key == Qt::Key_Up || key == Qt::Key_Down)) {
        historyStep(key == Qt::Key_Up ? -1 : 1);
        return true;
    }
    if (watched == lbAddCom && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
        lbAddComRun();
        return true;
    }
    return false;
}

void TFScripter::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    HLEditor1->setFocus();
}

void TFScripter::closeEvent(QCloseEvent *event)
{
    if (unsavedCheck())
        event->accept();
    else
        event->ignore();
}
