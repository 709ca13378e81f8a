// The documentation's pictures of the window: each function makes one on a stage of its own, filled
// as the documentation shows it, and saves it as File. False when it could not be made.
#pragma once

#include <string>

// The project dialogs: the settings of a new project, the page "MQTT", a device definition just read.
bool ProjectSettingsPicture(const std::string& file);
bool MqttSettingsPicture(const std::string& file);
bool DatasetDefinitionPicture(const std::string& file);

// The export dialog, the batch export and the field selection editor.
bool ExportDialogPicture(const std::string& file);
bool ExportBatchDialogPicture(const std::string& file);
bool FieldListEditorPicture(const std::string& file);

// The page "Tabelle" of the demo project with a record as the simulator sends it, the cell dialog of
// its boiler cell, and the autostart dialog.
bool TablePagePicture(const std::string& file);
bool CellDialogPicture(const std::string& file);
bool AutostartDialogPicture(const std::string& file);
