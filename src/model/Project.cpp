#include "model/Project.h"
#include "model/Namespace.h"

#include <filesystem>
#include <system_error>

namespace dedezuviv::model {

TProject::TProject() = default;

TProject::~TProject() = default;

namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

std::string StripTrailingSeparators(std::string path)
{
    size_t end = path.size();
    while (end > 0 && IsSeparator(path[end - 1]))
        --end;
    // A root of nothing but separators stays the file system root.
    if (end == 0)
        return path.empty() ? path : std::string("/");
    path.resize(end);
    return path;
}

std::string DefaultDataRoot(const std::string& fileName)
{
    if (fileName.empty()) {
        std::error_code error;
        const std::filesystem::path cwd = std::filesystem::current_path(error);
        if (error || cwd.empty())
            return "Project";
        return StripTrailingSeparators(cwd.generic_string()) + "/Project";
    }
    const size_t slash = fileName.find_last_of('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const size_t dot = fileName.find_last_of('.');
    // The extension starts at the last dot of the name part, but a name that is only ".x" has none.
    if (dot != std::string::npos && dot > nameStart)
        return fileName.substr(0, dot);
    return fileName + ".data";
}

}  // namespace

std::string TProject::GetDataDir(const std::string& subDir) const
{
    std::string dir = Root.empty() ? DefaultDataRoot(FileName) : StripTrailingSeparators(Root);
    if (!subDir.empty()) {
        if (dir.empty() || dir.back() != '/')
            dir += '/';
        dir += subDir;
    }
    return dir;
}

TNameList TProject::GetAllFieldNames(bool qualified, bool withSystemFields) const
{
    TNameList result;
    for (int t = 0; t < FieldTypeCount; ++t)
        for (const std::string& name : FieldNames[t])
            if (!name.empty())
                result.push_back(qualified ? QualifiedFieldName(name, static_cast<TFieldType>(t)) : name);
    if (withSystemFields)
        result.insert(result.end(), SystemFields.begin(), SystemFields.end());
    SortFieldNames(result);
    return result;
}

TNameList TProject::GetFieldNames(bool qualified, TFieldType type) const
{
    TNameList result;
    if (type < 0 || type >= FieldTypeCount)
        return result;
    for (const std::string& name : FieldNames[type])
        if (!name.empty())
            result.push_back(qualified ? QualifiedFieldName(name, type) : name);
    SortFieldNames(result);
    return result;
}

TNameList GetAllFieldNames(const TProject* project, bool qualified, bool withSystemFields)
{
    if (project == nullptr)
        return {};
    return project->GetAllFieldNames(qualified, withSystemFields);
}

}  // namespace dedezuviv::model
