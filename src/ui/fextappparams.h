#pragma once

#include <QWidget>

#include <array>

class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;
struct TExternCommandParam;

// The "Parameter" tab: name, type and text of the selected parameter and, for the selection
// list types, its two option lists. The lists reach the parameter only through takeInto.
class TFextAppParams : public QWidget
{
public:
    explicit TFextAppParams(QWidget *parent = nullptr);

    // Fills the tab from a parameter; nothing clears it.
    void showParam(const TExternCommandParam *param);
    void takeInto(TExternCommandParam &param) const;

    QLineEdit *edParamName = nullptr;
    QComboBox *cbParamType = nullptr;
    QLineEdit *edParamtext = nullptr;
    QWidget *PaParamOpts = nullptr;

private:
    // One option list with its edit field and buttons.
    struct OptionList
    {
        QListWidget *list = nullptr;
        QLineEdit *edit = nullptr;
        QPushButton *add = nullptr;
        QPushButton *remove = nullptr;
        QPushButton *change = nullptr;
        QPushButton *copy = nullptr;
        QPushButton *save = nullptr;
        QPushButton *cancel = nullptr;
    };

    QWidget *makeOptionList(OptionList &o, int number);
    void typeChosen(int index);
    void addClick(OptionList &o);
    void saveClick(OptionList &o);
    void cancelClick(OptionList &o);
    void deleteClick(OptionList &o);
    // After "Speichern" or "Abbrechen": the field rests, the list buttons work again.
    void endEditing(OptionList &o);
    // "-", "E" and "K" work on entries only.
    static void enableEntryButtons(OptionList &o);

    std::array<OptionList, 2> m_lists;
};
