// The web view's access rules, apart from the server: the token check and the mapping of a request path
// to a file of the static folder.
#pragma once

#include "app/core/Namespace.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace dedezuviv::app {

inline constexpr const char* WebTokenCookie = "dedezuviv_token";

// Compares in a time that depends on the lengths only, not on where the texts differ.
bool SameSecret(std::string_view given, std::string_view expected);

// The token a request carries: "Authorization: Bearer <token>", else the query's token, else the cookie
// of that name in the Cookie header. Empty when none.
std::string RequestToken(std::string_view authorization, std::string_view queryToken, std::string_view cookies);

// The file of the static folder that a request path names ("/" the live page), or none when the path
// is not a plain relative path below the folder ("..", a backslash, a NUL, "//", a hidden name).
std::optional<std::filesystem::path> StaticFilePath(const std::filesystem::path& folder, std::string_view path);

// The content type of a static file by its extension.
const char* StaticContentType(const std::filesystem::path& file);

}  // namespace dedezuviv::app
