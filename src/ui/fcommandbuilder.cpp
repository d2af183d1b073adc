#include "ui/fcommandbuilder.h"

#include "postprocess/commatext.h"
#include "ui/fieldhelpers.h"
#include "ui/widgethelpers.h"

#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {

QPushButton *rowButton(const QString &caption, const QString &name, QHBoxLayout &row)
{
    auto *button = named(new QPushButton(caption), name);
    row.addWidget(button);
    return button;
}

} // namespace

TFCommandbuilder::TFCommandbuilder(const TExternApplications &catalogue, QWidget *parent)
    : QWidget(parent)
    , m_catalogue(catalogue)
{
    setObjectName(QStringLiteral("FCommandbuilder"));
    setWindowTitle(QStringLiteral("Befehl erstellen"));
    const QFont font = QApplication::font();
    m_font = FontChoice{font.family(), font.pointSize() > 0 ? font.pointSize() : 8};

    m_scroll = named(new QScrollArea, "scbComParams");
    m_scroll->setWidgetResizable(true);
    m_memo = named(new QPlainTextEdit, "Memo1");
    auto *ok = named(new QPushButton(QStringLiteral("Übernehmen")), "btOk");
    auto *cancel = named(new QPushButton(QStringLiteral("Abbrechen")), "BtCancel");
    auto *clear = named(new QPushButton(QStringLiteral("Button1")), "Button1");
    connect(clear, &QPushButton::clicked, m_memo, &QPlainTextEdit::clear);

    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {ok, cancel, clear})
        buttons->addWidget(b);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_scroll, 1);
    layout->addWidget(new QLabel(QStringLiteral("Befehl")));
    layout->addWidget(m_memo);
    layout->addLayout(buttons);
    ClearCommandControls();
}

const std::array<TFCommandbuilder::RowMaker, 13> &TFCommandbuilder::rowMakers()
{
    using B = TFCommandbuilder;
    static const std::array<RowMaker, 13> makers{
        &B::addEdit,           // Switch
        &B::addEdit,           // String
        &B::addNothing,        // Number
        &B::addFilePath,       // FilePath
        &B::addDirPath,        // DirPath
        &B::addTextmask,       // Textmask
        &B::addSelectionList1, // Selectionlist_1
        &B::addSelectionList2, // Selectionlist_2
        &B::addNothing,        // Selectionlist_3
        &B::addFontname,       // Fontname
        &B::addFontsize,       // Fontstyle: there is no style value, it takes the size
        &B::addFontsize,       // Fontsize
        &B::addFontcolor,      // Fontcolor
    };
    return makers;
}

void TFCommandbuilder::ClearCommandControls()
{
    // Detach the controls' reactions before they go.
    if (m_rows) {
        for (QWidget *control : m_rows->findChildren<QWidget *>())
            control->disconnect(this);
    }
    m_rows = new QWidget;
    m_rowsLayout = new QVBoxLayout(m_rows);
    m_rowsLayout->addStretch(1);
    m_scroll->setWidget(m_rows); // deletes the previous rows
    m_values.clear();
    m_application = -1;
    m_command = -1;
    m_commandLine.clear();
    m_strings = {};
}

void TFCommandbuilder::ShowCommandControls(int application, int command)
{
    ClearCommandControls();
    const auto &applications = m_catalogue.Applications;
    if (application < 0 || application >= applications.count())
        return;
    const TExternApplication &app = *applications.item(application);
    if (command < 0 || command >= app.Commands.count())
        return;
    m_application = application;
    m_command = command;
    const TExternCommandParams &params = app.Commands.item(command)->Params;
    for (int k = 0; k < params.count(); ++k) {
        const TExternCommandParam &p = *params.item(k);
        auto *row = new QHBoxLayout;
        row->addWidget(named(new QLabel(p.Name), QStringLiteral("la") + p.Name));
        const int type = paramTypeIndex(p.Type);
        if (type >= 0)
            (this->*rowMakers()[size_t(type)])(k, p, *row);
        row->addStretch(1);
        m_rowsLayout->insertLayout(m_rowsLayout->count() - 1, row);
    }
    compose();
}

int TFCommandbuilder::addValueEdit(int param, const TExternCommandParam &p, QHBoxLayout &row,
                                   const QString &initial)
{
    auto *edit = named(new QLineEdit(initial), QStringLiteral("ed") + p.Name);
    row.addWidget(edit);
    const int slot = int(m_values.size());
    m_values.append({param, paramTypeIndex(p.Type), initial, true, edit});
    connect(edit, &QLineEdit::textEdited, this, [this, slot](const QString &text) { setValue(slot, text); });
    return slot;
}

void TFCommandbuilder::addEdit(int param, const TExternCommandParam &p, QHBoxLayout &row)
{
    addValueEdit(param, p, row, p.Text);
}

void TFCommandbuilder::addPathControls(int param, const TExternCommandParam &p, QHBoxLayout &row,
                                       std::function<std::optional<QString>()> browse)
{
    const int slot = addValueEdit(param, p, row, p.Text);
    auto *box = named(new QComboBox, QStringLiteral("cb") + p.Name);
    for (const Placeholder &placeholder : placeholders())
        box->addItem(QLatin1String(placeholder.caption), QLatin1String(placeholder.token));
    box->setCurrentIndex(-1);
    row.addWidget(box);
    // The edit shows the caption, the line gets the token.
    connect(box, &QComboBox::activated, this, [this, slot, box](int index) {
        m_values[slot].edit->setText(box->itemText(index));
        setValue(slot, box->itemData(index).toString());
    });
    connect(rowButton(QStringLiteral("..."), QStringLiteral("bt") + p.Name, row), &QPushButton::clicked,
            this, [this, slot, browse = std::move(browse)] {
                // A cancelled dialog empties the path.
                setEditValue(slot, browse().value_or(QString()));
            });
}

void TFCommandbuilder::addFilePath(int param, const TExternCommandParam &p, QHBoxLayout &row)
{
    addPathControls(param, p, row, [] { return appDialogs().saveFile({}); });
}

void TFCommandbuilder::addDirPath(int param, const TExternCommandParam &p, QHBoxLayout &row)
{
    addPathControls(param, p, row, [] { return appDialogs().chooseFolder(QString(), QString()); });
}

void TFCommandbuilder::addTextmask(int param, const TExternCommandParam &p, QHBoxLayout &row)
{
    const int slot = addValueEdit(param, p, row, p.Text);
    connect(rowButton(QStringLiteral("..."), QStringLiteral("bt") + p.Name, row), &QPushButton::clicked,
            this, [this, slot] {
                if (m_openMaskDialog)
                    setEditValue(slot, m_openMaskDialog());
            });
}

int TFCommandbuilder::addValueList(int param, const TExternCommandParam &p, QHBoxLayout &row,
                                   int list, const QString &options, bool composes)
{
    auto *box = named(new QListWidget, QStringLiteral("LB%1").arg(list) + p.Name);
    box->addItems(splitCommaText(options));
    box->setCurrentRow(0);
    box->setMaximumHeight(80);
    row.addWidget(box);
    const int slot = int(m_values.size());
    m_values.append({param, paramTypeIndex(p.Type), QString(), composes, nullptr});
    return slot;
}

void TFCommandbuilder::addSelectionList1(int param, const TExternCommandParam &p, QHBoxLayout &row)
{
    for (int list : {1, 2}) {
        const int slot = addValueList(param, p, row, list, p.Opt1opts, list == 1);
        auto *box = qobject_cast<QListWidget *>(row.itemAt(row.count() - 1)->widget());
        connect(box, &QListWidget::itemClicked, this,
                [this, slot](QListWidgetItem *item) { setValue(slot, item->text()); });
    }
}

void TFCommandbuilder::addSelectionList2(int param, const TExternCommandParam &p, QHBoxLayout &row)
{
    const int first = addValueList(param, p, row, 1, p.Opt1opts, false);
    auto *list1 = qobject_cast<QListWidget *>(row.itemAt(row.count() - 1)->widget());
    const int second = addValueList(param, p, row, 2, p.Opt2opts, true);
    auto *list2 = qobject_cast<QListWidget *>(row.itemAt(row.count() - 1)->widget());
    // List 2 follows the position chosen in list 1; a shorter list 2 gives an empty value.
    connect(list1, &QListWidget::itemClicked, this, [this, first, second, list1, list2](QListWidgetItem *item) {
        const int position = list1->row(item);
        m_values[first].value = item->text();
        list2->setCurrentRow(position < list2->count() ? position : -1);
        setValue(second, position < list2->count() ? list2->item(position)->text() : QString());
    });
}

void TFCommandbuilder::addFontname(int param, const TExternCommandParam &p, QHBoxLayout &row)
{
    addValueEdit(param, p, row, m_font.family);
    connect(rowButton(QStringLiteral("Font"), QStringLiteral("bt") + p.Name, row), &QPushButton::clicked,
            this, &TFCommandbuilder::chooseFont);
}

void TFCommandbuilder::addFontsize(int param, const TExternCommandParam &p, QHBoxLayout &row)
{
    addValueEdit(param, p, row, fontSizeText());
}

void TFCommandbuilder::addFontcolor(int param, const TExternCommandParam &p, QHBoxLayout &row)
{
    addValueEdit(param, p, row, fontColorText());
}

QString TFCommandbuilder::fontSizeText() const
{
    return QString::number(m_font.pointSize);
}

QString TFCommandbuilder::fontColorText() const
{
    return colourText(m_font.color);
}

void TFCommandbuilder::chooseFont()
{
    const std::optional<FontChoice> chosen = appDialogs().chooseFont(QStringLiteral("Schriftart"), m_font);
    if (!chosen)
        return;
    m_font = *chosen;
    const QString quotedName = u'"' + QString(m_font.family).replace(u' ', u'-') + u'"';
    // Font style edits keep what they hold.
    const std::pair<const char *, QString> updates[] = {
        {"Fontname", quotedName}, {"Fontsize", fontSizeText()}, {"Fontcolor", fontColorText()}};
    for (Value &v : m_values) {
        for (const auto &[typeName, text] : updates) {
            if (v.edit && v.type == paramTypeIndex(QLatin1String(typeName))) {
                v.edit->setText(text);
                v.value = text;
            }
        }
    }
    compose();
}

void TFCommandbuilder::setEditValue(int slot, const QString &value)
{
    m_values[slot].edit->setText(value);
    setValue(slot, value);
}

void TFCommandbuilder::setValue(int slot, const QString &value)
{
    m_values[slot].value = value;
    compose();
}

void TFCommandbuilder::compose()
{
    const auto &applications = m_catalogue.Applications;
    if (m_application < 0 || m_application >= applications.count()
        || m_command >= applications.item(m_application)->Commands.count() || m_command < 0) {
        appDialogs().showMessage(QString::fromUtf8(ProgramCaption),
                                 QStringLiteral("Fehler beim Bilden des Befehls"));
        return;
    }
    const TExternApplication &application = *applications.item(m_application);
    const TExterncommand &command = *application.Commands.item(m_command);
    ParamValues values(command.Params.count());
    for (const Value &v : m_values) {
        if (v.composes)
            values[v.param] = v.value;
    }
    m_strings = BuildCommandstrings(application, command, values);
    m_commandLine = BuildCommandLine(application, command, values);
    m_memo->setPlainText(m_commandLine);
}
