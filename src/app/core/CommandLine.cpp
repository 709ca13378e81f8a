#include "app/core/CommandLine.h"

#include "base/AsciiText.h"
#include "app/core/Namespace.h"

namespace dedezuviv::app {

namespace {

std::vector<std::string>& Arguments()
{
    static std::vector<std::string> arguments;
    return arguments;
}

// A value that starts with a double quote: the text up to the closing quote, "" standing for one
// quote. Anything else after the closing quote, or no closing quote, leaves the value as it is.
std::string Unquote(const std::string& value)
{
    if (value.empty() || value[0] != '"')
        return value;
    std::string out;
    size_t i = 1;
    while (i < value.size()) {
        if (value[i] == '"') {
            if (i + 1 < value.size() && value[i + 1] == '"') {
                out += '"';
                i += 2;
                continue;
            }
            return i + 1 == value.size() ? out : value;
        }
        out += value[i++];
    }
    return value;
}

}  // namespace

void SetCommandLineArguments(std::vector<std::string> arguments) { Arguments() = std::move(arguments); }

const std::vector<std::string>& CommandLineArguments() { return Arguments(); }

bool GetCommandLineOption(const std::string& longName, const std::string& shortName, std::string& value)
{
    value.clear();
    const std::string longUpper = UpperAscii(longName);
    const std::string shortUpper = UpperAscii(shortName);
    for (const std::string& argument : Arguments()) {
        if (argument.empty() || (argument[0] != '/' && argument[0] != '-'))
            continue;
        const size_t separator = argument.find_first_of(":=", 1);
        const std::string name =
            UpperAscii(argument.substr(1, separator == std::string::npos ? std::string::npos : separator - 1));
        if (name.empty() || (name != longUpper && (shortUpper.empty() || name != shortUpper)))
            continue;
        value = separator == std::string::npos ? std::string() : Unquote(argument.substr(separator + 1));
        return true;
    }
    return false;
}

bool IsCommandLineSwitchOn(const std::string& longName, const std::string& shortName)
{
    std::string value;
    if (!GetCommandLineOption(longName, shortName, value))
        return false;
    return value.empty() || UpperAscii(value) == "ON";
}

}  // namespace dedezuviv::app
