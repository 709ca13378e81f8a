#include "app/core/WebAccess.h"

#include "app/core/Namespace.h"

#include <algorithm>

namespace dedezuviv::app {

bool SameSecret(std::string_view given, std::string_view expected)
{
    unsigned char difference = given.size() == expected.size() ? 0 : 1;
    // Walks the expected text whatever the given one holds, so the time tells nothing of the content.
    for (size_t i = 0; i < expected.size(); ++i)
        difference |= static_cast<unsigned char>(expected[i] ^ (i < given.size() ? given[i] : 0));
    return difference == 0 && !expected.empty();
}

std::string RequestToken(std::string_view authorization, std::string_view queryToken, std::string_view cookies)
{
    constexpr std::string_view bearer = "Bearer ";
    if (authorization.size() > bearer.size() && authorization.substr(0, bearer.size()) == bearer)
        return std::string(authorization.substr(bearer.size()));
    if (!queryToken.empty())
        return std::string(queryToken);
    const std::string name = std::string(WebTokenCookie) + "=";
    size_t at = 0;
    while (at < cookies.size()) {
        while (at < cookies.size() && (cookies[at] == ' ' || cookies[at] == ';'))
            ++at;
        const size_t end = std::min(cookies.find(';', at), cookies.size());
        const std::string_view pair = cookies.substr(at, end - at);
        if (pair.substr(0, name.size()) == name)
            return std::string(pair.substr(name.size()));
        at = end;
    }
    return {};
}

std::optional<std::filesystem::path> StaticFilePath(const std::filesystem::path& folder, std::string_view path)
{
    if (path.empty() || path[0] != '/')
        return std::nullopt;
    std::string_view relative = path.substr(1);
    if (relative.empty())
        return folder / "index.html";
    size_t at = 0;
    while (at <= relative.size()) {
        const size_t end = std::min(relative.find('/', at), relative.size());
        const std::string_view part = relative.substr(at, end - at);
        // Empty parts ("//"), "." and ".." and hidden names never name a file of the folder.
        if (part.empty() || part[0] == '.')
            return std::nullopt;
        for (const char c : part)
            if (c == '\\' || c == '\0' || static_cast<unsigned char>(c) < 0x20)
                return std::nullopt;
        at = end + 1;
    }
    return folder / std::filesystem::path(std::string(relative));
}

const char* StaticContentType(const std::filesystem::path& file)
{
    const std::string extension = file.extension().string();
    if (extension == ".html")
        return "text/html; charset=utf-8";
    if (extension == ".css")
        return "text/css; charset=utf-8";
    if (extension == ".js")
        return "text/javascript; charset=utf-8";
    if (extension == ".svg")
        return "image/svg+xml";
    if (extension == ".png")
        return "image/png";
    return "application/octet-stream";
}

}  // namespace dedezuviv::app
