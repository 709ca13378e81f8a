#include "History.h"

#include "ControllerModel.h"

#include "base/Clock.h"
#include "base/DateTime.h"
#include "model/DayFiles.h"
#include "model/Project.h"
#include "model/ProjectFile.h"
#include "protocol/RecordDecoder.h"

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

using namespace dedezuviv::base;
using namespace dedezuviv::protocol;
using namespace dedezuviv::model;

namespace {

}  // namespace

int WriteHistory(const TSimOptions& options)
{
    TProjectView view;
    std::unique_ptr<TProject> project;
    int result = 0;
    std::string errorText;
    LoadProjectFile(project, options.HistoryProject, result, errorText, view);
    if (result != 0 || !project) {
        std::fprintf(stderr, "%s\n", errorText.c_str());
        return 1;
    }
    const int step = project->SamplingInterval > 0 ? project->SamplingInterval : 10;
    const TDateTime now = Now();
    // Whole steps back from now, so that the logger's own lines continue the rhythm.
    const TDateTime first = IncSecond(now, -static_cast<int64_t>(options.HistoryDays) * 86400);

    TControllerModel model({options.ID, options.Program, options.Version, options.Subversion},
                           options.SeedGiven ? options.Seed : 1, step);
    TOrvaProtocol decoder;
    // The day files' contents, written once per day; days with a file are skipped.
    std::map<std::string, std::string> days;
    std::map<std::string, bool> skipped;
    TDateTime current = first;
    decoder.SetOnRecord([&](const std::string& line, const TDecodedRecord&) {
        const std::string file = DataFileName(*project, current);
        auto known = skipped.find(file);
        if (known == skipped.end())
            known = skipped.emplace(file, std::filesystem::exists(file)).first;
        if (!known->second) {
            std::string& text = days[file];
            text += line;
            text += "\r\n";
        }
    });
    SetClockOverride([&current] { return current; });
    int64_t records = 0;
    for (int64_t n = 0;; ++n) {
        current = IncSecond(first, n * step);
        if (current > now)
            break;
        const std::tm parts = LocalTimeParts(current);
        model.SetTimeOfDay(parts.tm_hour + parts.tm_min / 60.0 + parts.tm_sec / 3600.0);
        decoder.ProcessData(model.NextRecord(options.Clock ? &parts : nullptr).Text);
        ++records;
    }
    SetClockOverride(nullptr);

    int written = 0;
    for (const auto& [file, text] : days) {
        bool created = false;
        if (!EnsureDataFolder(FileFolder(file), created)) {
            std::fprintf(stderr, "Datenverzeichnis für \"%s\" kann nicht angelegt werden.\n", file.c_str());
            return 1;
        }
        std::FILE* out = std::fopen(file.c_str(), "wb");
        if (out == nullptr || std::fwrite(text.data(), 1, text.size(), out) != text.size() || std::fclose(out) != 0) {
            std::fprintf(stderr, "Fehler beim Schreiben der Datei \"%s\"!\n", file.c_str());
            return 1;
        }
        ++written;
    }
    std::printf("Verlauf: %d Tagesdateien geschrieben, %d vorhandene belassen (%lld Datensätze je %d s)\n", written,
                static_cast<int>(skipped.size()) - written, static_cast<long long>(records), step);
    return 0;
}
