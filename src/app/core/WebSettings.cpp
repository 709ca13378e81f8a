#include "app/core/WebSettings.h"

#include "app/core/CommandLine.h"
#include "base/AsciiText.h"
#include "base/ErrorText.h"
#include "base/IniFile.h"
#include "app/core/Namespace.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sys/stat.h>

namespace dedezuviv::app {

namespace {

constexpr const char* Section = "HTTP";

bool ParsePort(const std::string& text, int& port)
{
    if (text.empty() || text.size() > 5)
        return false;
    long value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    if (value > 65535)
        return false;
    port = static_cast<int>(value);
    return true;
}

}  // namespace

bool ParseHttpListen(const std::string& listen, std::string& address, int& port, std::string& error)
{
    const std::string text(TrimBlanks(listen));
    address = HttpDefaultAddress;
    std::string portText = text;
    if (!text.empty() && text[0] == '[') {
        const size_t close = text.find(']');
        if (close == std::string::npos || close + 1 >= text.size() || text[close + 1] != ':') {
            error = "Webansicht \"" + text + "\": erwartet [Adresse]:Port.";
            return false;
        }
        address = text.substr(1, close - 1);
        portText = text.substr(close + 2);
    } else if (const size_t colon = text.rfind(':'); colon != std::string::npos) {
        address = text.substr(0, colon);
        portText = text.substr(colon + 1);
    }
    if (address.empty() || !ParsePort(portText, port)) {
        error = "Webansicht \"" + text + "\": ungültige Angabe (erwartet [Adresse:]Port, Port 0 bis 65535).";
        return false;
    }
    return true;
}

bool IsLoopbackAddress(const std::string& address)
{
    if (UpperAscii(address) == "LOCALHOST")
        return true;
    in_addr v4{};
    if (inet_pton(AF_INET, address.c_str(), &v4) == 1)
        return (ntohl(v4.s_addr) >> 24) == 127;
    in6_addr v6{};
    if (inet_pton(AF_INET6, address.c_str(), &v6) == 1)
        return IN6_IS_ADDR_LOOPBACK(&v6) ||
               (IN6_IS_ADDR_V4MAPPED(&v6) && v6.s6_addr[12] == 127);
    return false;
}

THttpSettings ReadHttpSettings(const std::string& settingsFile)
{
    THttpSettings settings;
    if (settingsFile.empty())
        return settings;
    const TIniFile ini(settingsFile);
    settings.Listen = std::string(TrimBlanks(ini.ReadString(Section, "Listen", "")));
    settings.TokenFile = std::string(TrimBlanks(ini.ReadString(Section, "TokenFile", "")));
    return settings;
}

THttpSettings ApplyHttpCommandLine(THttpSettings settings)
{
    std::string value;
    if (GetCommandLineOption("http", "", value)) {
        const std::string listen(TrimBlanks(value));
        const std::string upper = UpperAscii(listen);
        if (upper == "OFF" || upper == "NO" || upper == "NEIN")
            settings.Listen.clear();
        else
            settings.Listen = listen.empty() ? std::string(HttpDefaultPort) : listen;
    }
    if (GetCommandLineOption("httptokenfile", "", value))
        settings.TokenFile = std::string(TrimBlanks(value));
    return settings;
}

bool ReadHttpToken(const THttpSettings& settings, std::string& token, std::string& error)
{
    token.clear();
    error.clear();
    if (const char* fromEnvironment = std::getenv(HttpTokenVariable)) {
        token = fromEnvironment;
        return true;
    }
    if (settings.TokenFile.empty())
        return true;
    std::ifstream file(settings.TokenFile, std::ios::binary);
    if (!file) {
        error = "Token-Datei der Webansicht \"" + settings.TokenFile + "\" kann nicht gelesen werden: " +
                SystemErrorText(errno);
        return false;
    }
    struct stat status {};
    if (stat(settings.TokenFile.c_str(), &status) == 0 && (status.st_mode & (S_IRGRP | S_IROTH)) != 0) {
        error = "Die Token-Datei der Webansicht \"" + settings.TokenFile +
                "\" ist auch für andere Benutzer lesbar (chmod 600).";
        return false;
    }
    std::getline(file, token);
    if (!token.empty() && token.back() == '\r')
        token.pop_back();
    return true;
}

}  // namespace dedezuviv::app
