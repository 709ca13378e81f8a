#include "app/gui/FieldListEditorDlg.h"

#include "app/gui/QtText.h"
#include "model/Project.h"
#include "model/window/DialogStates.h"
#include "app/gui/Namespace.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace dedezuviv::gui {

TFieldListEditorDlg::TFieldListEditorDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Felderauswahl editieren"));
    auto* layout = new QVBoxLayout(this);

    layout->addWidget(new QLabel(QStringLiteral("Bearbeitete Felder-Selektion:"), this));
    auto* chooser = new QHBoxLayout;
    FieldListSelComboBox = new QComboBox(this);
    FieldListSelComboBox->setEditable(false);
    FieldListSelComboBox->setMinimumWidth(220);
    CreateBtn = new QPushButton(QStringLiteral("Erstellen"), this);
    DeleteBtn = new QPushButton(QStringLiteral("Löschen"), this);
    chooser->addWidget(FieldListSelComboBox, 1);
    chooser->addWidget(CreateBtn);
    chooser->addWidget(DeleteBtn);
    layout->addLayout(chooser);

    NameLabel = new QLabel(QStringLiteral("Name:"), this);
    layout->addWidget(NameLabel);
    NameLabeledEdit = new QLineEdit(this);
    NameLabel->setBuddy(NameLabeledEdit);
    layout->addWidget(NameLabeledEdit);

    auto* lists = new QGridLayout;
    SrcLabel = new QLabel(QStringLiteral("Verfügbare Felder:"), this);
    DstLabel = new QLabel(QStringLiteral("Selektierte Felder:"), this);
    SrcList = new QListWidget(this);
    SrcList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    DstList = new QListWidget(this);
    DstList->setSelectionMode(QAbstractItemView::SingleSelection);
    SrcLabel->setBuddy(SrcList);
    DstLabel->setBuddy(DstList);
    auto* moves = new QVBoxLayout;
    IncludeBtn = new QPushButton(QStringLiteral(">"), this);
    IncAllBtn = new QPushButton(QStringLiteral(">>"), this);
    ExcludeBtn = new QPushButton(QStringLiteral("<"), this);
    ExAllBtn = new QPushButton(QStringLiteral("<<"), this);
    moves->addStretch();
    for (QPushButton* button : {IncludeBtn, IncAllBtn, ExcludeBtn, ExAllBtn}) {
        button->setFixedWidth(40);
        moves->addWidget(button);
    }
    moves->addStretch();
    auto* order = new QVBoxLayout;
    MoveUpButton = new QPushButton(QStringLiteral("hoch"), this);
    MoveDnButton = new QPushButton(QStringLiteral("runter"), this);
    order->addStretch();
    order->addWidget(MoveUpButton);
    order->addWidget(MoveDnButton);
    order->addStretch();
    lists->addWidget(SrcLabel, 0, 0);
    lists->addWidget(DstLabel, 0, 2);
    lists->addWidget(SrcList, 1, 0);
    lists->addLayout(moves, 1, 1);
    lists->addWidget(DstList, 1, 2);
    lists->addLayout(order, 1, 3);
    layout->addLayout(lists, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Abbrechen"), this);
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    layout->addLayout(buttons);
    resize(560, 420);

    for (QPushButton* button : {CreateBtn, DeleteBtn, IncludeBtn, IncAllBtn, ExcludeBtn, ExAllBtn, MoveUpButton,
                                MoveDnButton, CancelBtn})
        button->setAutoDefault(false);

    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(FieldListSelComboBox, &QComboBox::activated, this, [this] { FieldListSelComboBoxSelect(); });
    connect(NameLabeledEdit, &QLineEdit::textEdited, this, [this] { NameLabeledEditChange(); });
    connect(CreateBtn, &QPushButton::clicked, this, [this] { CreateBtnClick(); });
    connect(DeleteBtn, &QPushButton::clicked, this, [this] { DeleteBtnClick(); });
    connect(IncludeBtn, &QPushButton::clicked, this, [this] { IncludeBtnClick(); });
    connect(ExcludeBtn, &QPushButton::clicked, this, [this] { ExcludeBtnClick(); });
    connect(IncAllBtn, &QPushButton::clicked, this, [this] { IncAllBtnClick(); });
    connect(ExAllBtn, &QPushButton::clicked, this, [this] { ExcAllBtnClick(); });
    connect(MoveUpButton, &QPushButton::clicked, this, [this] { MoveUpDest(); });
    connect(MoveDnButton, &QPushButton::clicked, this, [this] { MoveDnDest(); });
    connect(SrcList, &QListWidget::itemDoubleClicked, this, [this] { IncludeBtnClick(); });
    UpdateControls();
}

void TFieldListEditorDlg::LoadFromProject(const TProject& project)
{
    Available = project.GetAllFieldNames(true, false);
    Working.clear();
    FieldListSelComboBox->clear();
    for (const TFieldSelection& selection : project.FieldSelections) {
        TSelection copy;
        copy.Name = selection.Name;
        copy.HasList = selection.List != nullptr;
        if (selection.List)
            copy.Fields = *selection.List;
        Working.push_back(std::move(copy));
        FieldListSelComboBox->addItem(Q(selection.Name));
    }
    if (Working.empty())
        CreateBtnClick();
    if (FieldListSelComboBox->currentIndex() < 0 && FieldListSelComboBox->count() > 0)
        FieldListSelComboBox->setCurrentIndex(0);
}

void TFieldListEditorDlg::SaveToProject(TProject& project) const
{
    std::vector<TFieldSelection> selections;
    for (const TSelection& selection : Working) {
        if (selection.HasList)
            selections.emplace_back(selection.Name, selection.Fields);
        else
            selections.emplace_back(selection.Name);
    }
    project.FieldSelections = std::move(selections);
    project.SetModified(true);
}

void TFieldListEditorDlg::FormActivate() { FieldListSelComboBoxSelect(); }

void TFieldListEditorDlg::FieldListSelComboBoxSelect()
{
    SrcList->clear();
    DstList->clear();
    for (const std::string& name : Available)
        SrcList->addItem(Q(name));
    const int index = FieldListSelComboBox->currentIndex();
    if (index < 0 || index >= static_cast<int>(Working.size())) {
        NameLabeledEdit->clear();
    } else {
        const TSelection& selection = Working[static_cast<size_t>(index)];
        NameLabeledEdit->setText(Q(selection.Name));
        for (const std::string& name : selection.Fields) {
            DstList->addItem(Q(name));
            // Names the project no longer has stay in DstList only.
            const QList<QListWidgetItem*> found = SrcList->findItems(Q(name), Qt::MatchExactly);
            for (QListWidgetItem* item : found)
                delete SrcList->takeItem(SrcList->row(item));
        }
    }
    UpdateControls();
}

void TFieldListEditorDlg::NameLabeledEditChange()
{
    const int index = FieldListSelComboBox->currentIndex();
    if (index < 0 || index >= static_cast<int>(Working.size()))
        return;
    Working[static_cast<size_t>(index)].Name = NameLabeledEdit->text().toStdString();
    FieldListSelComboBox->setItemText(index, NameLabeledEdit->text());
}

void TFieldListEditorDlg::ExportSelComboBoxSaveDstList()
{
    const int index = FieldListSelComboBox->currentIndex();
    if (index >= 0 && index < static_cast<int>(Working.size())) {
        TSelection& selection = Working[static_cast<size_t>(index)];
        selection.Name = NameLabeledEdit->text().toStdString();
        selection.Fields.clear();
        for (const QString& name : Entries(DstList))
            selection.Fields.push_back(name.toStdString());
        selection.HasList = true;
    }
    UpdateControls();
}

void TFieldListEditorDlg::CreateBtnClick()
{
    TSelection selection;
    selection.Name = "Neu";
    Working.push_back(std::move(selection));
    FieldListSelComboBox->addItem(QStringLiteral("Neu"));
    FieldListSelComboBox->setCurrentIndex(FieldListSelComboBox->count() - 1);
    FieldListSelComboBoxSelect();
}

void TFieldListEditorDlg::DeleteBtnClick()
{
    const int index = FieldListSelComboBox->currentIndex();
    if (index >= 0 && index < static_cast<int>(Working.size())) {
        Working.erase(Working.begin() + index);
        FieldListSelComboBox->removeItem(index);
    }
    FieldListSelComboBox->setCurrentIndex(-1);
    FieldListSelComboBoxSelect();
}

void TFieldListEditorDlg::IncludeBtnClick()
{
    const int first = FirstSelectedIndex(SrcList);
    MoveSelectedItems(SrcList, DstList, false);
    SelectNearIndex(SrcList, first);
    ExportSelComboBoxSaveDstList();
}

void TFieldListEditorDlg::ExcludeBtnClick()
{
    const int first = FirstSelectedIndex(DstList);
    MoveSelectedItems(DstList, SrcList, true);
    SelectNearIndex(DstList, first);
    ExportSelComboBoxSaveDstList();
}

void TFieldListEditorDlg::IncAllBtnClick()
{
    for (const QString& name : Entries(SrcList))
        DstList->addItem(name);
    SrcList->clear();
    SrcList->setFocus();
    ExportSelComboBoxSaveDstList();
}

void TFieldListEditorDlg::ExcAllBtnClick()
{
    for (const QString& name : Entries(DstList))
        InsertSorted(SrcList, name);
    DstList->clear();
    DstList->setFocus();
    ExportSelComboBoxSaveDstList();
}

void TFieldListEditorDlg::MoveUpDest()
{
    const int row = DstList->currentRow();
    if (row > 0 && DstList->currentItem() && DstList->currentItem()->isSelected()) {
        QListWidgetItem* item = DstList->takeItem(row);
        DstList->insertItem(row - 1, item);
        DstList->setCurrentRow(row - 1);
    }
    ExportSelComboBoxSaveDstList();
    UpdateControls();
}

void TFieldListEditorDlg::MoveDnDest()
{
    const int row = DstList->currentRow();
    if (row >= 0 && row < DstList->count() - 1 && DstList->currentItem() && DstList->currentItem()->isSelected()) {
        QListWidgetItem* item = DstList->takeItem(row);
        DstList->insertItem(row + 1, item);
        DstList->setCurrentRow(row + 1);
    }
    ExportSelComboBoxSaveDstList();
    UpdateControls();
}

void TFieldListEditorDlg::UpdateControls()
{
    const bool chosen = FieldListSelComboBox->currentIndex() >= 0;
    for (QWidget* widget : std::initializer_list<QWidget*>{NameLabel, NameLabeledEdit, SrcLabel, SrcList, DstLabel,
                                                           DstList})
        widget->setEnabled(chosen);
    IncludeBtn->setEnabled(SrcList->count() > 0);
    IncAllBtn->setEnabled(SrcList->count() > 0);
    ExcludeBtn->setEnabled(DstList->count() > 0);
    ExAllBtn->setEnabled(DstList->count() > 0);
}

int TFieldListEditorDlg::FirstSelectedIndex(const QListWidget* list)
{
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->isSelected())
            return i;
    return -1;
}

void TFieldListEditorDlg::MoveSelectedItems(QListWidget* from, QListWidget* to, bool toSorted)
{
    for (int i = from->count() - 1; i >= 0; --i) {
        if (!from->item(i)->isSelected())
            continue;
        QListWidgetItem* item = from->takeItem(i);
        const QString name = item->text();
        delete item;
        if (toSorted)
            InsertSorted(to, name);
        else
            to->addItem(name);
    }
}

void TFieldListEditorDlg::SelectNearIndex(QListWidget* list, int index)
{
    list->setFocus();
    if (index > list->count() - 1)
        index = list->count() - 1;
    list->clearSelection();
    if (index != -1) {
        list->setCurrentRow(index);
        list->item(index)->setSelected(true);
    }
    UpdateControls();
}

void TFieldListEditorDlg::InsertSorted(QListWidget* list, const QString& name)
{
    const std::string text = name.toStdString();
    int at = 0;
    while (at < list->count() && CompareFieldNames(list->item(at)->text().toStdString(), text) <= 0)
        ++at;
    list->insertItem(at, name);
}

QStringList TFieldListEditorDlg::Entries(const QListWidget* list)
{
    QStringList names;
    for (int i = 0; i < list->count(); ++i)
        names << list->item(i)->text();
    return names;
}

void TFieldListEditorDlg::LoadFromStates(const TControlStates& states)
{
    // Every opening refills the controls; a stored index only counts while it fits.
    const int combo = states.Integer("FieldListSelComboBox", FieldListSelComboBox->currentIndex());
    if (combo >= -1 && combo < FieldListSelComboBox->count())
        FieldListSelComboBox->setCurrentIndex(combo);
    const int src = states.Integer("SrcList", SrcList->currentRow());
    if (src >= -1 && src < SrcList->count())
        SrcList->setCurrentRow(src);
    const int dst = states.Integer("DstList", DstList->currentRow());
    if (dst >= -1 && dst < DstList->count())
        DstList->setCurrentRow(dst);
}

void TFieldListEditorDlg::SaveToStates(TControlStates& states) const
{
    states.SetInteger("SrcList", SrcList->currentRow());
    states.SetInteger("DstList", DstList->currentRow());
    states.SetInteger("FieldListSelComboBox", FieldListSelComboBox->currentIndex());
}

}  // namespace dedezuviv::gui
