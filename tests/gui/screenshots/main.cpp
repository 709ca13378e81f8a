// dedezuviv-screenshots FOLDER [PICTURE ...]: makes the documentation's pictures of the window's
// dialogs and pages (docs/*.png) in Folder, rendered offscreen; without names all of them. The
// scripts/screenshot-*.sh call it.
#include "Pictures.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

struct TPicture {
    const char* Name;
    bool (*Make)(const std::string& file);
};

const TPicture Pictures[] = {
    {"project-settings.png", ProjectSettingsPicture},
    {"mqtt-settings.png", MqttSettingsPicture},
    {"dataset-definition.png", DatasetDefinitionPicture},
    {"export-dialog.png", ExportDialogPicture},
    {"export-batch-dialog.png", ExportBatchDialogPicture},
    {"fieldlist-editor.png", FieldListEditorPicture},
    {"table-page.png", TablePagePicture},
    {"cell-dialog.png", CellDialogPicture},
    {"autostart-dialog.png", AutostartDialogPicture},
};

const TPicture* Find(const std::string& name)
{
    for (const TPicture& picture : Pictures)
        if (name == picture.Name)
            return &picture;
    return nullptr;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FOLDER [PICTURE ...]\npictures:", argv[0]);
        for (const TPicture& picture : Pictures)
            std::fprintf(stderr, " %s", picture.Name);
        std::fprintf(stderr, "\n");
        return 2;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    const std::filesystem::path folder = argv[1];
    std::vector<const TPicture*> chosen;
    for (int i = 2; i < argc; ++i) {
        const TPicture* picture = Find(argv[i]);
        if (picture == nullptr) {
            std::fprintf(stderr, "unknown picture %s\n", argv[i]);
            return 2;
        }
        chosen.push_back(picture);
    }
    if (chosen.empty())
        for (const TPicture& picture : Pictures)
            chosen.push_back(&picture);

    int failed = 0;
    for (const TPicture* picture : chosen) {
        const std::string file = (folder / picture->Name).string();
        if (!picture->Make(file)) {
            std::fprintf(stderr, "%s could not be made\n", file.c_str());
            ++failed;
        }
    }
    return failed == 0 ? 0 : 1;
}
