#pragma once

#include "platform/dialogs.h"
#include "postprocess/catalogue.h"

#include <QWidget>

#include <array>
#include <functional>
#include <optional>

class QHBoxLayout;
class QLineEdit;
class QPlainTextEdit;
class QScrollArea;
class QVBoxLayout;

// The "Befehl erstellen" tab: one row of controls per parameter of a command, by its type,
// and the command line they compose, rebuilt on every change of a value.
class TFCommandbuilder : public QWidget
{
public:
    // Opens the file-name mask dialog with an empty mask and prefix; gives the mask chosen.
    using MaskDialogOpener = std::function<QString()>;

    explicit TFCommandbuilder(const TExternApplications &catalogue, QWidget *parent = nullptr);

    void setMaskDialogOpener(MaskDialogOpener opener) { m_openMaskDialog = std::move(opener); }

    // Builds the controls for a command given by its position in the catalogue and composes
    // its line. Positions outside the catalogue give no controls and nothing to compose.
    void ShowCommandControls(int application, int command);
    // Removes every generated control and forgets the command, so nothing can compose with
    // a command that has been deleted meanwhile.
    void ClearCommandControls();

    const QString &commandLine() const { return m_commandLine; }
    const TCommandstrings &commandStrings() const { return m_strings; }

private:
    // One generated value control's current value, kept by the parameter's position so that
    // two parameters of one name keep their own values.
    struct Value
    {
        int param;
        int type;         // the parameter's type number
        QString value;
        bool composes;    // the value the parameter's piece is made of
        QLineEdit *edit;  // the edit that shows it, if any
    };
    using RowMaker = void (TFCommandbuilder::*)(int param, const TExternCommandParam &, QHBoxLayout &);
    // By parameter type number.
    static const std::array<RowMaker, 13> &rowMakers();

    void addNothing(int, const TExternCommandParam &, QHBoxLayout &) {}
    void addEdit(int param, const TExternCommandParam &p, QHBoxLayout &row);
    void addFilePath(int param, const TExternCommandParam &p, QHBoxLayout &row);
    void addDirPath(int param, const TExternCommandParam &p, QHBoxLayout &row);
    void addTextmask(int param, const TExternCommandParam &p, QHBoxLayout &row);
    void addSelectionList1(int param, const TExternCommandParam &p, QHBoxLayout &row);
    void addSelectionList2(int param, const TExternCommandParam &p, QHBoxLayout &row);
    void addFontname(int param, const TExternCommandParam &p, QHBoxLayout &row);
    void addFontsize(int param, const TExternCommandParam &p, QHBoxLayout &row);
    void addFontcolor(int param, const TExternCommandParam &p, QHBoxLayout &row);

    // An edit whose typing sets the value; returns the value's slot.
    int addValueEdit(int param, const TExternCommandParam &p, QHBoxLayout &row, const QString &initial);
    // Edit, placeholder box and "..." button; `browse` asks for the path.
    void addPathControls(int param, const TExternCommandParam &p, QHBoxLayout &row,
                         std::function<std::optional<QString>()> browse);
    // A list filled from comma text; returns its value's slot.
    int addValueList(int param, const TExternCommandParam &p, QHBoxLayout &row, int list,
                     const QString &options, bool composes);
    void setValue(int slot, const QString &value);
    void setEditValue(int slot, const QString &value);
    QString fontSizeText() const;
    QString fontColorText() const;
    void chooseFont();
    void compose();

    const TExternApplications &m_catalogue;
    int m_application = -1;
    int m_command = -1;
    QList<Value> m_values;
    QString m_commandLine;
    TCommandstrings m_strings;
    FontChoice m_font; // the font dialog's last choice
    MaskDialogOpener m_openMaskDialog;

    QScrollArea *m_scroll = nullptr;
    QWidget *m_rows = nullptr;
    QVBoxLayout *m_rowsLayout = nullptr;
    QPlainTextEdit *m_memo = nullptr;
};
