#include "ui/fextappparams.h"

#include "postprocess/catalogue.h"
#include "postprocess/commatext.h"
#include "ui/widgethelpers.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// The type boxes' positions of the two selection list types that have option lists.
bool hasOptionLists(int type)
{
    return type == paramTypeIndex(QStringLiteral("Selectionlist_1"))
        || type == paramTypeIndex(QStringLiteral("Selectionlist_2"));
}

} // namespace

TFextAppParams::TFextAppParams(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("FextAppParams"));
    setWindowTitle(QStringLiteral("Parameter"));
    edParamName = named(new QLineEdit, "edParamName");
    cbParamType = named(new QComboBox, "cbParamType");
    cbParamType->addItems(shownTypeNames().split(u','));
    edParamtext = named(new QLineEdit, "edParamtext");
    PaParamOpts = named(new QWidget, "PaParamOpts");
    auto *lists = new QHBoxLayout(PaParamOpts);
    for (int i = 0; i < 2; ++i)
        lists->addWidget(makeOptionList(m_lists[size_t(i)], i + 1));

    auto *layout = new QGridLayout(this);
    const std::pair<const char *, QWidget *> rows[] = {
        {"Name :", edParamName}, {"Type :", cbParamType}, {"Text  :", edParamtext}};
    for (int r = 0; r < 3; ++r) {
        layout->addWidget(new QLabel(QString::fromUtf8(rows[r].first)), r, 0);
        layout->addWidget(rows[r].second, r, 1);
    }
    layout->addWidget(PaParamOpts, 3, 0, 1, 2);
    layout->setRowStretch(4, 1);

    connect(cbParamType, &QComboBox::activated, this, &TFextAppParams::typeChosen);
    cbParamType->setCurrentIndex(paramTypeIndex(QStringLiteral("String")));
    for (OptionList &o : m_lists) {
        o.edit->setEnabled(false);
        o.save->setEnabled(false);
        o.cancel->setEnabled(false);
        enableEntryButtons(o);
    }
    PaParamOpts->hide();
}

QWidget *TFextAppParams::makeOptionList(OptionList &o, int number)
{
    const QString n = QString::number(number);
    o.list = named(new QListWidget, QStringLiteral("LbParamOpt") + n);
    o.edit = named(new QLineEdit, QStringLiteral("EdOpt") + n);
    const std::pair<QPushButton **, const char *> buttons[] = {
        {&o.add, "+"}, {&o.remove, "-"}, {&o.change, "E"}, {&o.copy, "K"},
        {&o.save, "Speichern"}, {&o.cancel, "Abbrechen"}};
    const char *const names[] = {"Add", "Delete", "Edit", "Copy", "Save", "Cancel"};
    auto *row = new QHBoxLayout;
    for (size_t b = 0; b < std::size(buttons); ++b) {
        *buttons[b].first = named(new QPushButton(QString::fromUtf8(buttons[b].second)),
                                  QStringLiteral("btOpt") + n + QLatin1String(names[b]));
        row->addWidget(*buttons[b].first);
    }
    connect(o.add, &QPushButton::clicked, this, [this, &o] { addClick(o); });
    connect(o.save, &QPushButton::clicked, this, [this, &o] { saveClick(o); });
    connect(o.cancel, &QPushButton::clicked, this, [this, &o] { cancelClick(o); });
    connect(o.remove, &QPushButton::clicked, this, [this, &o] { deleteClick(o); });
    connect(o.edit, &QLineEdit::textChanged, o.add, [&o](const QString &text) { o.add->setEnabled(!text.isEmpty()); });
    connect(o.list, &QListWidget::itemClicked, o.edit, [&o](QListWidgetItem *item) { o.edit->setText(item->text()); });

    auto *box = new QWidget;
    auto *layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(QStringLiteral("Liste ") + n));
    layout->addWidget(o.list);
    layout->addWidget(o.edit);
    layout->addLayout(row);
    return box;
}

void TFextAppParams::showParam(const TExternCommandParam *param)
{
    edParamName->setText(param ? param->Name : QString());
    edParamtext->setText(param ? param->Text : QString());
    const int type = param ? paramTypeIndex(param->Type) : -1;
    cbParamType->setCurrentIndex(type >= 0 ? type : paramTypeIndex(QStringLiteral("String")));
    const QString options[] = {param ? param->Opt1opts : QString(), param ? param->Opt2opts : QString()};
    for (size_t i = 0; i < m_lists.size(); ++i) {
        OptionList &o = m_lists[i];
        o.list->clear();
        if (hasOptionLists(type))
            o.list->addItems(splitCommaText(options[i]));
        enableEntryButtons(o);
    }
    PaParamOpts->setVisible(hasOptionLists(type));
}

void TFextAppParams::takeInto(TExternCommandParam &param) const
{
    param.Name = edParamName->text();
    param.Type = QLatin1String(paramTypes().value(cbParamType->currentIndex()).stored);
    param.Text = edParamtext->text();
    param.Opt1opts = joinCommaText(itemTexts(*m_lists[0].list));
    param.Opt2opts = joinCommaText(itemTexts(*m_lists[1].list));
}

void TFextAppParams::typeChosen(int index)
{
    PaParamOpts->setVisible(hasOptionLists(index));
    for (OptionList &o : m_lists)
        o.add->setEnabled(true);
}

void TFextAppParams::addClick(OptionList &o)
{
    o.edit->clear();
    o.edit->setEnabled(true);
    o.edit->setFocus();
    o.save->setEnabled(true);
    o.cancel->setEnabled(true);
    for (QPushButton *b : {o.add, o.remove, o.change, o.copy})
        b->setEnabled(false);
}

void TFextAppParams::saveClick(OptionList &o)
{
    o.list->addItem(o.edit->text());
    endEditing(o);
}

void TFextAppParams::cancelClick(OptionList &o)
{
    o.edit->clear();
    endEditing(o);
}

void TFextAppParams::endEditing(OptionList &o)
{
    o.edit->setEnabled(false);
    for (QPushButton *b : {o.add, o.remove, o.change, o.copy})
        b->setEnabled(true);
    o.save->setEnabled(false);
    o.cancel->setEnabled(false);
}

void TFextAppParams::deleteClick(OptionList &o)
{
    const int row = o.list->currentRow();
    if (row < 0 || row >= o.list->count())
        return;
    delete o.list->takeItem(row);
    if (o.list->count() > 0) {
        o.list->setCurrentRow(0);
        return;
    }
    enableEntryButtons(o);
    o.edit->clear();
    o.edit->setEnabled(true);
}

void TFextAppParams::enableEntryButtons(OptionList &o)
{
    const bool entries = o.list->count() > 0;
    for (QPushButton *b : {o.remove, o.change, o.copy})
        b->setEnabled(entries);
}
