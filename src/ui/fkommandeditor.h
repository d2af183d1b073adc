#pragma once

#include "postprocess/commandhandover.h"

#include <QWidget>

#include <array>

class QAction;
class QCheckBox;
class QListWidget;
class QPushButton;
class QTabWidget;
class TExternApplications;
class TFCommand;
class TFCommandbuilder;
class TFextAppParams;
class TFexternApp;

// The command editor: maintains the catalogue of external applications and builds one command
// line from it for a script window. Created at start and kept for the whole run.
class TFKommandeditor : public QWidget, public ExternCommandSource
{
public:
    explicit TFKommandeditor(TExternApplications &catalogue, QWidget *parent = nullptr);
    ~TFKommandeditor() override;

    TFCommandbuilder &builder() const { return *m_builder; }

    // Refills the lists, the tabs and the builder from the catalogue and the selection.
    void RefreshEditor();

    void requestCommand(const QString &application, Done done) override;

    // What "+" or "K" does besides adding: the tab it shows and whether it starts an edit
    // ("Speichern" and "Abbrechen" enabled).
    struct AddRule
    {
        int tab;
        bool startsEditing;
    };

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    enum Level { App, Com, Param };
    enum Tab { AppTab, ComTab, ParamTab, BuilderTab };

    // One of the three lists with its buttons "+", "-", "E" and "K".
    struct ListColumn
    {
        QListWidget *list = nullptr;
        QPushButton *add = nullptr;
        QPushButton *remove = nullptr;
        QPushButton *change = nullptr;
        QPushButton *copy = nullptr;
    };

    QWidget *makeColumn(Level level, const char *heading, const char *listName, const char *buttonPrefix);
    QWidget *makeBottomRow();
    void makeMenu();
    void wireColumns();

    TExternApplication *application() const;
    TExterncommand *command() const;
    TExternCommandParam *parameter() const;
    int count(Level level) const;
    // Each selection within its list, or -1 when the list is empty.
    void clampSelections();
    void fillLists();
    void fillTabs();
    void setListButtons();

    void listClicked(Level level, int row);
    void addClick(Level level);
    void copyClick(Level level);
    void selectAdded(Level level, const void *added, AddRule rule);
    void selectFirstBelow(Level level);
    void deleteClick(Level level);
    void deleteEntry(Level level);
    void editClick(Level level);
    void BtSaveClick();
    void btInterToscriptwaitClick();
    void LadenClick();
    void SpeichernClick();
    void SpeichernUnterClick();

    // Takes the fields of a tab into its selected entry.
    void takeFields(int tab);
    // "No" to saving: an entry added and never saved goes, a stored one keeps its values.
    void discardFields(int tab);
    void tabChanged(int tab);
    // Shows a tab without asking about unsaved changes.
    void showTab(Tab tab);
    void setEditing(bool on);
    void saveTo(const QString &fileName);
    void finishRequest();

    TExternApplications &m_catalogue;
    std::array<int, 3> m_selected{-1, -1, -1};
    // The entry of each level added by "+" or "K" and not saved since; compared, never used.
    std::array<const void *, 3> m_unsaved{};
    std::array<ListColumn, 3> m_columns;
    int m_tab = AppTab;
    bool m_switchingTab = false;

    TBuiltCommand m_handedOver;
    bool m_handedOverNow = false;
    Done m_request;

    TFexternApp *m_appTab = nullptr;
    TFCommand *m_comTab = nullptr;
    TFextAppParams *m_paramTab = nullptr;
    TFCommandbuilder *m_builder = nullptr;
    QTabWidget *m_pages = nullptr;
    QPushButton *m_save = nullptr;
    QPushButton *m_cancel = nullptr;
    QCheckBox *m_wait = nullptr;
    QCheckBox *m_show = nullptr;
    QCheckBox *m_later = nullptr;
    QAction *m_saveMenu = nullptr;
};
