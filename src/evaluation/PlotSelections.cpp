#include "evaluation/PlotSelections.h"

#include "evaluation/ChartRules.h"
#include "model/Project.h"
#include "evaluation/Namespace.h"

namespace dedezuviv::evaluation {

std::vector<TPlotChoice> PlotChoices(const TProject* project)
{
    std::vector<TPlotChoice> choices;
    if (project == nullptr)
        return choices;
    for (const TFieldSelection& selection : project->FieldSelections)
        choices.push_back({selection.Name, selection.List ? *selection.List : TNameList()});
    choices.push_back({AllTemperaturesSelection, project->GetFieldNames(true, ftTemperature)});
    return choices;
}

int FindPlotChoice(const std::vector<TPlotChoice>& choices, const std::string& name)
{
    for (size_t i = 0; i < choices.size(); ++i)
        if (choices[i].Name == name)
            return static_cast<int>(i);
    return -1;
}

}  // namespace dedezuviv::evaluation
