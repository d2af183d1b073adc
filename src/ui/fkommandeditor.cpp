#include "ui/fkommandeditor.h"

#include "platform/dialogs.h"
#include "postprocess/catalogue.h"
#include "ui/fcommand.h"
#include "ui/fcommandbuilder.h"
#include "ui/fextappparams.h"
#include "ui/fexternapp.h"
#include "ui/widgethelpers.h"

#include <QAction>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QString kFilter = QStringLiteral("*.ccc Commandofile|*.ccc");

// What "+" and "K" do besides adding, by list.
using AddRule = TFKommandeditor::AddRule;
constexpr AddRule kAddRules[] = {{0, true}, {1, false}, {2, true}};
constexpr AddRule kCopyRules[] = {{0, true}, {1, false}};

template<typename T>
const void *appendNamed(OwningList<T> &list, const QString &name)
{
    auto entry = std::make_unique<T>();
    entry->Name = name;
    return list.append(std::move(entry));
}

const char *const kNewNames[] = {"NewApp", "NewCommand", "NewParam"};

FileDialogOptions catalogueDialog()
{
    FileDialogOptions options;
    options.filter = kFilter;
    options.defaultExtension = QStringLiteral("ccc");
    return options;
}

} // namespace

TFKommandeditor::TFKommandeditor(TExternApplications &catalogue, QWidget *parent)
    : QWidget(parent)
    , m_catalogue(catalogue)
{
    setObjectName(QStringLiteral("FKommandeditor"));
    setWindowTitle(QStringLiteral("Kommandoeditor"));

    m_appTab = new TFexternApp;
    m_comTab = new TFCommand;
    m_paramTab = new TFextAppParams;
    m_builder = new TFCommandbuilder(catalogue);
    m_pages = named(new QTabWidget, "PCProperties");
    const std::pair<QWidget *, const char *> pages[] = {
        {m_appTab, "tsApp"}, {m_comTab, "Tscommands"}, {m_paramTab, "tsParams"}, {m_builder, "TsCommandBuilder"}};
    for (const auto &[window, name] : pages) {
        auto *page = named(new QWidget, name);
        auto *pageLayout = new QVBoxLayout(page);
        pageLayout->setContentsMargins(0, 0, 0, 0);
        pageLayout->addWidget(window);
        m_pages->addTab(page, window->windowTitle());
    }

    auto *right = new QVBoxLayout;
    right->addWidget(m_pages, 1);
    right->addWidget(makeBottomRow());
    auto *columns = new QHBoxLayout;
    columns->addWidget(makeColumn(App, "Programmliste", "LbAppList", "btApp"));
    columns->addWidget(makeColumn(Com, "Befehlsliste", "LbComList", "btCom"));
    columns->addWidget(makeColumn(Param, "Parameterliste", "lbParamlist", "btParam"));
    columns->addLayout(right, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    makeMenu();
    wireColumns();
    connect(m_pages, &QTabWidget::currentChanged, this, &TFKommandeditor::tabChanged);
    resize(1000, 520);
    RefreshEditor();
}

TFKommandeditor::~TFKommandeditor() = default;

QWidget *TFKommandeditor::makeColumn(Level level, const char *heading, const char *listName,
                                     const char *buttonPrefix)
{
    ListColumn &c = m_columns[size_t(level)];
    c.list = named(new QListWidget, listName);
    const std::tuple<QPushButton **, const char *, const char *, const char *> buttons[] = {
        {&c.add, "+", "Add", "Hinzufügen"},
        {&c.remove, "-", "Delete", "Löschen"},
        {&c.change, "E", "Edit", "Bearbeiten"},
        {&c.copy, "K", "Copy", "Kopieren"}};
    auto *row = new QHBoxLayout;
    for (const auto &[button, caption, name, hint] : buttons) {
        *button = named(new QPushButton(QLatin1String(caption)),
                        QLatin1String(buttonPrefix) + QLatin1String(name));
        (*button)->setToolTip(QString::fromUtf8(hint));
        (*button)->setMaximumWidth(28);
        row->addWidget(*button);
    }
    auto *column = new QWidget;
    auto *layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(QLatin1String(heading)));
    layout->addWidget(c.list, 1);
    layout->addLayout(row);
    return column;
}

QWidget *TFKommandeditor::makeBottomRow()
{
    m_save = named(new QPushButton(QStringLiteral("Speichern")), "BtSave");
    m_cancel = named(new QPushButton(QStringLiteral("Abbrechen")), "BtCancel");
    auto *toScript = named(new QPushButton(QStringLiteral("In Skript einfügen. ")), "btInterToscriptwait");
    m_wait = named(new QCheckBox(QStringLiteral("Auf Programm warten")), "cbWait");
    m_show = named(new QCheckBox(QStringLiteral("Programmfenster anzeigen")), "CbShow");
    m_later = named(new QCheckBox(QStringLiteral("Später ausführen")), "cbDoLater");
    connect(m_save, &QPushButton::clicked, this, &TFKommandeditor::BtSaveClick);
    connect(toScript, &QPushButton::clicked, this, &TFKommandeditor::btInterToscriptwaitClick);
    setEditing(false);

    auto *row = new QWidget;
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    for (QWidget *w : std::initializer_list<QWidget *>{m_save, m_cancel, toScript, m_wait, m_show, m_later})
        layout->addWidget(w);
    layout->addStretch(1);
    return row;
}

void TFKommandeditor::makeMenu()
{
    auto *menuBar = new QMenuBar(this);
    QMenu *file = named(menuBar->addMenu(QStringLiteral("Datei")), "Datei1");
    named(file->addAction(QStringLiteral("Laden"), this, &TFKommandeditor::LadenClick), "Laden1");
    m_saveMenu = named(file->addAction(QStringLiteral("Speichern"), this, &TFKommandeditor::SpeichernClick),
                       "Speichern1");
    named(file->addAction(QStringLiteral("Speichern unter ..."), this, &TFKommandeditor::SpeichernUnterClick),
          "Speichernunter1");
    layout()->setMenuBar(menuBar);
}

void TFKommandeditor::wireColumns()
{
    for (Level level : {App, Com, Param}) {
        const ListColumn &c = m_columns[size_t(level)];
        // Entries are taken by their row: two entries may bear one name.
        connect(c.list, &QListWidget::itemClicked, this,
                [this, level, list = c.list](QListWidgetItem *item) { listClicked(level, list->row(item)); });
        connect(c.add, &QPushButton::clicked, this, [this, level] { addClick(level); });
        connect(c.remove, &QPushButton::clicked, this, [this, level] { deleteClick(level); });
        connect(c.change, &QPushButton::clicked, this, [this, level] { editClick(level); });
        if (level != Param)
            connect(c.copy, &QPushButton::clicked, this, [this, level] { copyClick(level); });
    }
}

TExternApplication *TFKommandeditor::application() const
{
    const int i = m_selected[App];
    return i >= 0 && i < m_catalogue.Applications.count() ? m_catalogue.Applications.item(i) : nullptr;
}

TExterncommand *TFKommandeditor::command() const
{
    const TExternApplication *app = application();
    const int i = m_selected[Com];
    return app && i >= 0 && i < app->Commands.count() ? app->Commands.item(i) : nullptr;
}

TExternCommandParam *TFKommandeditor::parameter() const
{
    const TExterncommand *com = command();
    const int i = m_selected[Param];
    return com && i >= 0 && i < com->Params.count() ? com->Params.item(i) : nullptr;
}

int TFKommandeditor::count(Level level) const
{
    switch (level) {
    case App:
        return m_catalogue.Applications.count();
    case Com:
        return application() ? application()->Commands.count() : 0;
    case Param:
        return command() ? command()->Params.count() : 0;
    }
    return 0;
}

void TFKommandeditor::clampSelections()
{
    for (Level level : {App, Com, Param}) {
        const int n = count(level);
        m_selected[level] = n == 0 ? -1 : std::clamp(m_selected[level], 0, n - 1);
    }
}

void TFKommandeditor::fillLists()
{
    QStringList names[3];
    for (int i = 0; i < count(App); ++i)
        names[App] << m_catalogue.Applications.item(i)->Name;
    for (int i = 0; i < count(Com); ++i)
        names[Com] << application()->Commands.item(i)->Name;
    for (int i = 0; i < count(Param); ++i)
        names[Param] << command()->Params.item(i)->Name;
    for (Level level : {App, Com, Param}) {
        QListWidget *list = m_columns[level].list;
        // A list keeps its items while the names stand, so a click's item outlives its handler.
        if (itemTexts(*list) != names[level]) {
            list->clear();
            list->addItems(names[level]);
        }
        list->setCurrentRow(m_selected[level]);
    }
    // Green: the program can start; red: it cannot (no executable file, or a Windows program).
    for (int i = 0; i < count(App); ++i) {
        m_columns[App].list->item(i)->setForeground(
            m_catalogue.Applications.item(i)->PathExists() ? QColor(0, 128, 0) : QColor(255, 0, 0));
    }
}

void TFKommandeditor::fillTabs()
{
    const TExternApplication *app = application();
    m_appTab->edAppname->setText(app ? app->Name : QString());
    m_appTab->edAppPath->setText(app ? app->Path() : QString());
    m_comTab->edComName->setText(command() ? command()->Name : QString());
    m_paramTab->showParam(parameter());
}

void TFKommandeditor::setListButtons()
{
    // "+" needs the entry the new one goes into; "-", "E" and "K" need an entry.
    const bool canAdd[] = {true, application() != nullptr, command() != nullptr};
    for (Level level : {App, Com, Param}) {
        const ListColumn &c = m_columns[level];
        c.add->setEnabled(canAdd[level]);
        for (QPushButton *b : {c.remove, c.change, c.copy})
            b->setEnabled(count(level) > 0);
    }
}

void TFKommandeditor::RefreshEditor()
{
    clampSelections();
    fillLists();
    fillTabs();
    if (count(Param) > 0)
        m_builder->ShowCommandControls(m_selected[App], m_selected[Com]);
    else
        m_builder->ClearCommandControls();
    setListButtons();
    // Nothing to save into when the tab's list is empty.
    if (m_tab != BuilderTab && m_selected[m_tab] < 0)
        setEditing(false);
}

void TFKommandeditor::listClicked(Level level, int row)
{
    m_selected[level] = row;
    selectFirstBelow(level);
    RefreshEditor();
    const Tab shown[] = {AppTab, BuilderTab, ParamTab};
    showTab(shown[level]);
}

void TFKommandeditor::addClick(Level level)
{
    if (level == Com)
        showTab(ComTab);
    const QString name = QLatin1String(kNewNames[level]);
    const void *added = nullptr;
    if (level == App)
        added = appendNamed(m_catalogue.Applications, name);
    else if (level == Com && application())
        added = appendNamed(application()->Commands, name);
    else if (level == Param && command())
        added = appendNamed(command()->Params, name);
    selectAdded(level, added, kAddRules[level]);
}

void TFKommandeditor::copyClick(Level level)
{
    const void *added = nullptr;
    if (level == App && application())
        added = m_catalogue.Applications.append(m_catalogue.CopyApplication(*application()));
    else if (level == Com && command())
        added = application()->Commands.append(application()->CopyCommand(*command()));
    selectAdded(level, added, kCopyRules[level]);
}

void TFKommandeditor::selectAdded(Level level, const void *added, AddRule rule)
{
    if (!added)
        return;
    // The new entry is the last row, whatever other entries bear its name.
    m_unsaved[level] = added;
    m_selected[level] = count(level) - 1;
    selectFirstBelow(level);
    RefreshEditor();
    showTab(Tab(rule.tab));
    if (rule.startsEditing)
        setEditing(true);
}

void TFKommandeditor::selectFirstBelow(Level level)
{
    for (int below = level + 1; below <= Param; ++below)
        m_selected[below] = 0;
}

void TFKommandeditor::editClick(Level level)
{
    showTab(Tab(level));
    setEditing(true);
}

void TFKommandeditor::deleteEntry(Level level)
{
    const int i = m_selected[level];
    if (i < 0 || i >= count(level))
        return;
    // The builder keeps positions, not entries; drop them before the entry goes.
    m_builder->ClearCommandControls();
    switch (level) {
    case App:
        m_catalogue.Applications.remove(i);
        break;
    case Com:
        application()->Commands.remove(i);
        break;
    case Param:
        command()->Params.remove(i);
        break;
    }
    for (int l = level; l <= Param; ++l)
        m_unsaved[l] = nullptr;
}

void TFKommandeditor::deleteClick(Level level)
{
    deleteEntry(level);
    if (level != Param) {
        m_selected[level] = 0;
        selectFirstBelow(level);
    }
    RefreshEditor();
}

void TFKommandeditor::setEditing(bool on)
{
    m_save->setEnabled(on);
    m_cancel->setEnabled(on);
}

void TFKommandeditor::takeFields(int tab)
{
    switch (tab) {
    case AppTab:
        if (TExternApplication *app = application()) {
            app->Name = m_appTab->edAppname->text();
            app->SetApplicationPath(m_appTab->edAppPath->text());
        }
        break;
    case ComTab:
        if (TExterncommand *com = command())
            com->Name = m_comTab->edComName->text();
        break;
    case ParamTab:
        if (TExternCommandParam *param = parameter())
            m_paramTab->takeInto(*param);
        break;
    default: // the builder has nothing to take
        break;
    }
    if (tab <= ParamTab)
        m_unsaved[size_t(tab)] = nullptr;
    setEditing(false);
    RefreshEditor();
}

void TFKommandeditor::discardFields(int tab)
{
    const void *selected[] = {application(), command(), parameter()};
    if (tab <= ParamTab && selected[tab] && selected[tab] == m_unsaved[tab])
        deleteClick(Level(tab));
    setEditing(false);
    RefreshEditor();
}

void TFKommandeditor::BtSaveClick()
{
    takeFields(m_tab);
}

void TFKommandeditor::showTab(Tab tab)
{
    QScopedValueRollback<bool> programmatic(m_switchingTab, true);
    m_pages->setCurrentIndex(tab);
    m_tab = tab;
}

void TFKommandeditor::tabChanged(int tab)
{
    const int left = m_tab;
    m_tab = tab;
    if (m_switchingTab)
        return;
    if (m_save->isEnabled()) {
        const DialogButton answer = appDialogs().askYesNo(
            QStringLiteral("Warnung"),
            QStringLiteral("Sie habe noch nicht gespeichert !\r\n\r\nMöchten Sie jetzt speichern ?"),
            MessageIcon::Warning);
        if (answer == DialogButton::Yes)
            takeFields(left);
        else
            discardFields(left);
    }
    if (left == BuilderTab)
        m_builder->ClearCommandControls();
    if (tab == BuilderTab)
        m_builder->ShowCommandControls(m_selected[App], m_selected[Com]);
}

void TFKommandeditor::LadenClick()
{
    FileDialogOptions options = catalogueDialog();
    options.caption = QStringLiteral("Laden");
    const std::optional<QString> file = appDialogs().openFile(options);
    if (!file)
        return;
    const Result<> loaded = m_catalogue.LoadCatalogue(*file);
    if (!loaded) {
        appDialogs().showMessage(QString::fromUtf8(ProgramCaption), loaded.error());
        return;
    }
    // The edit in progress belonged to an entry that is gone.
    m_unsaved = {};
    m_selected = {0, 0, 0};
    setEditing(false);
    m_saveMenu->setEnabled(true);
    RefreshEditor();
}

void TFKommandeditor::SpeichernClick()
{
    if (m_catalogue.FileName().isEmpty())
        SpeichernUnterClick();
    else
        saveTo(m_catalogue.FileName());
}

void TFKommandeditor::SpeichernUnterClick()
{
    FileDialogOptions options = catalogueDialog();
    options.caption = QStringLiteral("Speichern unter");
    if (const std::optional<QString> file = appDialogs().saveFile(options))
        saveTo(*file);
}

void TFKommandeditor::saveTo(const QString &fileName)
{
    const Result<> saved = m_catalogue.SaveCatalogue(fileName);
    if (!saved)
        appDialogs().showMessage(QString::fromUtf8(ProgramCaption), saved.error(), MessageIcon::Error);
    m_saveMenu->setEnabled(!m_catalogue.FileName().isEmpty());
}

void TFKommandeditor::btInterToscriptwaitClick()
{
    m_handedOver = TBuiltCommand{m_builder->commandLine(), m_builder->commandStrings(),
                                 m_wait->isChecked(), m_show->isChecked(), m_later->isChecked()};
    m_handedOverNow = true;
    close();
}

void TFKommandeditor::requestCommand(const QString &application, Done done)
{
    finishRequest();
    m_request = std::move(done);
    m_handedOverNow = false;
    show();
    raise();
    const int found = m_catalogue.FindApplication(application);
    if (found >= 0)
        listClicked(App, found);
}

void TFKommandeditor::finishRequest()
{
    if (!m_request)
        return;
    const Done done = std::exchange(m_request, {});
    done(m_handedOverNow ? std::optional<TBuiltCommand>(m_handedOver) : std::nullopt);
}

void TFKommandeditor::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    m_saveMenu->setEnabled(!m_catalogue.FileName().isEmpty());
    m_selected = {0, 0, 0};
    RefreshEditor();
}

void TFKommandeditor::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    // Minimising is no answer.
    if (!event->spontaneous())
        finishRequest();
}
