// The settings of the web view: where it listens and where its access token comes from. The section
// [HTTP] of the settings file, the command-line options that override it for one run, and the token,
// which is read from the environment or from a file of its own and never stored in the settings file.
//
// Settings file:                Command line:
//   [HTTP]
//   Listen=[address:]port         /HTTP=[ADDRESS:]PORT     (/HTTP alone: 8080; /HTTP=OFF: none this run)
//   TokenFile=path                /HTTPTOKENFILE=path      (DEDEZUVIV_HTTP_TOKEN goes first)
//
// Without an address the web view listens on 127.0.0.1 only. On any other address it requires the
// token.
#pragma once

#include "app/core/Namespace.h"

#include <string>

namespace dedezuviv::app {

inline constexpr const char* HttpTokenVariable = "DEDEZUVIV_HTTP_TOKEN";
inline constexpr const char* HttpDefaultAddress = "127.0.0.1";
inline constexpr const char* HttpDefaultPort = "8080";  // "/HTTP" without a value

struct THttpSettings {
    std::string Listen;     // "[address:]port"; empty = no web view
    std::string TokenFile;

    bool Enabled() const { return Listen.find_first_not_of(' ') != std::string::npos; }
    bool operator==(const THttpSettings&) const = default;
};

// Address and port of a listen text: "8080", "0.0.0.0:8080", "[::]:8080", "[::1]:8080". Without an
// address 127.0.0.1. False with a German reason for a port that is no number from 0 to 65535 (0: the
// system chooses) or an unclosed "[".
bool ParseHttpListen(const std::string& listen, std::string& address, int& port, std::string& error);
// Whether only this machine can reach the address (127.0.0.0/8, ::1, "localhost").
bool IsLoopbackAddress(const std::string& address);

// The [HTTP] section of the settings file; empty settings when it has none (also without file).
THttpSettings ReadHttpSettings(const std::string& settingsFile);
// The settings with the command line's options applied over them.
THttpSettings ApplyHttpCommandLine(THttpSettings settings);

// The token: the environment variable when it is set, else the first line of the token file (without
// its line end), else empty. False with a German reason when the file cannot be read or can be read by
// other users (a token everyone on the machine can read protects nothing).
bool ReadHttpToken(const THttpSettings& settings, std::string& token, std::string& error);

}  // namespace dedezuviv::app
