// The choices of the plot dialog: the project's field selections in their order, then the entry that
// draws every temperature field.
#pragma once

#include "model/Fields.h"
#include "evaluation/Namespace.h"

#include <string>
#include <vector>

namespace dedezuviv::model {
class TProject;
}  // namespace dedezuviv::model

namespace dedezuviv::evaluation {

struct TPlotChoice {
    std::string Name;
    TNameList Fields;  // qualified names, in series order
};

// The project's selections (a selection without a list has no fields), then
// "* Alle definierten Temperaturen *" with the sorted qualified names of all temperature fields.
// No project gives no choices.
std::vector<TPlotChoice> PlotChoices(const TProject* project);

// Index of the first choice of that name, or -1.
int FindPlotChoice(const std::vector<TPlotChoice>& choices, const std::string& name);

}  // namespace dedezuviv::evaluation
