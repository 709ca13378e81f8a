#include "app/gui/DatasetDefinitionDlg.h"

#include "app/core/DeviceDefinitionFiles.h"
#include "app/core/FileChooser.h"
#include "app/gui/QtText.h"
#include "model/DefinitionText.h"
#include "model/DeviceDefinition.h"
#include "model/LiveLogging.h"
#include "model/LiveState.h"
#include "model/Project.h"
#include "model/ProjectFile.h"
#include "model/UiInterfaces.h"
#include "app/gui/Namespace.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <memory>

namespace dedezuviv::gui {

namespace {

const char* const LoadFileDefCaption = "Aus Gerätebeschreibung einlesen";
const char* const LoadExtCaption = "Aus anderem Projekt einlesen";

}  // namespace

TVarConfigDlg::TVarConfigDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Definition des Datensatzes"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    InfoLabel = new QLabel(QStringLiteral("Die folgenden Felderlisten definieren die Namen der verschiedenen "
                                          "Datentypen im empfangenen gerätespezifischen Datensatz:"),
                           this);
    InfoLabel->setWordWrap(true);
    layout->addWidget(InfoLabel);

    auto* grid = new QGridLayout;
    int row = 0;
    const auto addLine = [&](const QString& caption, TFieldType type, bool visible) {
        auto* label = new QLabel(caption, this);
        auto* edit = new QLineEdit(this);
        label->setBuddy(edit);
        grid->addWidget(label, row, 0);
        grid->addWidget(edit, row, 1);
        ++row;
        // The time and internal lists are not for the user to edit, but travel with the others.
        label->setVisible(visible);
        edit->setVisible(visible);
        Edits[type] = edit;
        return edit;
    };
    TemperaturesEdt = addLine(QStringLiteral("Temperaturwerte:"), ftTemperature, true);
    NumValuesEdt = addLine(QStringLiteral("Numerische Werte:"), ftValue, true);
    PostValuesEdt = addLine(QStringLiteral("Zählerwerte:"), ftCounter, true);
    OutputsEdt = addLine(QStringLiteral("Schaltausgänge:"), ftOutput, true);
    BitsEdt = addLine(QStringLiteral("Zustände (Bits):"), ftState, true);
    InputsEdt = addLine(QStringLiteral("Schalteingänge:"), ftInput, true);
    DateEdt = addLine(QStringLiteral("Datumswerte:"), ftTime, false);
    InternalFieldEdt = addLine(QStringLiteral("Interne Werte (Software):"), ftIntern, false);
    grid->setColumnStretch(1, 1);
    layout->addLayout(grid);

    LoadDefAutoBtn = new QPushButton(QStringLiteral("Für angeschlossenes Gerät automatisch laden"), this);
    LoadFromBtn = new QPushButton(Q(LoadExtCaption), this);
    LoadDefBtn = new QPushButton(Q(LoadFileDefCaption), this);
    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Abbrechen"), this);
    auto* importRow = new QHBoxLayout;
    importRow->addWidget(LoadDefAutoBtn);
    importRow->addWidget(LoadFromBtn);
    importRow->addWidget(LoadDefBtn);
    importRow->addStretch(1);
    auto* closeRow = new QHBoxLayout;
    closeRow->addStretch(1);
    closeRow->addWidget(OKBtn);
    closeRow->addWidget(CancelBtn);
    layout->addLayout(importRow);
    layout->addLayout(closeRow);

    connect(LoadDefAutoBtn, &QPushButton::clicked, this, [this] { LoadAutoDefClick(); });
    connect(LoadFromBtn, &QPushButton::clicked, this, [this] { LoadExtClick(); });
    connect(LoadDefBtn, &QPushButton::clicked, this, [this] { LoadFileDefClick(); });
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    resize(720, sizeHint().height());
}

void TVarConfigDlg::LoadFromProject(const TProject& project)
{
    const TDefinitionTexts texts = DefinitionTextsFromProject(project);
    for (int t = 0; t < FieldTypeCount; ++t)
        Edits[t]->setText(Q(texts[t]));
}

void TVarConfigDlg::SaveToProject(TProject& project, bool& error)
{
    TDefinitionTexts texts;
    for (int t = 0; t < FieldTypeCount; ++t)
        texts[t] = Edits[t]->text().toStdString();
    error = StoreDefinitionTexts(project, texts);
}

void TVarConfigDlg::ImportDefFile(const std::string& fileName)
{
    const TDeviceDefinition definition = ReadDeviceDefinition(fileName);
    if (!definition.HasKeys) {
        InformUser("Keine Feldlisten (Datensatzdefinition) gefunden oder angegebene Datei ist nicht gefunden!");
        return;
    }
    InformUser("Gerätespezifische Datensatzdefinition erfolgreich geladen.");
    TemperaturesEdt->setText(Q(NamesToCommaText(definition.Temperatures)));
    OutputsEdt->setText(Q(NamesToCommaText(definition.Outputs)));
}

void TVarConfigDlg::LoadFileDefClick()
{
    const std::string fileName = ChooseOpenFile(LoadFileDefCaption, "Device definitions (*.def)|*.def");
    if (!fileName.empty())
        ImportDefFile(fileName);
}

void TVarConfigDlg::LoadExtClick()
{
    const std::string fileName = ChooseOpenFile(LoadExtCaption, "Projekte (*.p-p)|*.p-p");
    if (fileName.empty())
        return;
    // A view of its own takes the other project's table and dialog values, so those of the open
    // project survive: only the definitions are wanted here.
    TProjectView otherView;
    std::unique_ptr<TProject> other;
    int result = 0;
    std::string errorText;
    LoadProjectFile(other, fileName, result, errorText, otherView);
    if (result != 0 || !other) {
        InformUser(errorText);
        return;
    }
    LoadFromProject(*other);
}

void TVarConfigDlg::LoadAutoDefClick()
{
    TRecordHeader header;
    const TProject* project = CurrentProject();
    if (project != nullptr) {
        uint8_t frameKind = 0;
        LastDecodedHeader(frameKind, header);
    }
    if (project == nullptr || header.Program == 0) {
        InformUser("Es wurde noch kein Gerät identifiziert. Bitte Datenaufzeichnung für einige Sekunden starten!");
        return;
    }
    const std::string fileName = DeviceDefinitionFile(header.Program);
    if (AskUser("Soll die gerätespezifische Datensatz-Definition nun importiert werden?\n\r" + fileName) ==
        TDialogAnswer::Yes)
        ImportDefFile(fileName);
}

}  // namespace dedezuviv::gui
