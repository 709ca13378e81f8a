// Device definition reader: any bytes read without crash and within the entry bound; taken into a
// project's dataset definition every name keeps its position (a name never splits into two and
// shifts the later ones), cleaned as the dialog cleans names.
#include "model/DeviceDefinition.h"
#include "model/Fields.h"
#include "model/Project.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace dedezuviv::model;

namespace {

// The project's list against the definition's: the same cleaned names at the same places; only a
// last name that is empty once cleaned may be missing, as the comma text cannot tell it apart.
void CheckSamePlaces(const TNameList& taken, const TNameList& defined)
{
    int dropped = 0;
    if (taken.size() > defined.size() || taken.size() + 1 < defined.size())
        std::abort();
    if (taken.size() < defined.size() && !CleanFieldName(defined.back(), dropped).empty())
        std::abort();
    for (size_t i = 0; i < taken.size(); ++i)
        if (taken[i] != CleanFieldName(defined[i], dropped))
            std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const TDeviceDefinition definition = DeviceDefinitionFromBytes(bytes, "fuzz.def");
    if (definition.Temperatures.size() > static_cast<size_t>(MaxDefinitionEntries) ||
        definition.Outputs.size() > static_cast<size_t>(MaxDefinitionEntries) + 2 || definition.Outputs.size() < 2)
        std::abort();
    for (const auto& list : {definition.Temperatures, definition.Outputs})
        for (const std::string& name : list)
            if (name.find(',') != std::string::npos)
                std::abort();

    TProject project;
    ApplyDeviceDefinition(project, definition);
    CheckSamePlaces(project.FieldNames[ftTemperature], definition.Temperatures);
    CheckSamePlaces(project.FieldNames[ftOutput], definition.Outputs);
    return 0;
}
