// The start-up passes "/TCPBIND=" to the network value server.
#include "app/core/CommandLine.h"
#include "app/core/Startup.h"
#include "app/core/TCPDataServer.h"
#include "base/Log.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace dedezuviv::base;
using namespace dedezuviv::app;

namespace {

struct ServerHost : IStartupHost {
    void ShowHelp(const std::string&) override {}
    void AddStartupLine(const std::string&) override {}
    TAppSettings CurrentSettings() override { return {}; }
    void ApplySettings(const TAppSettings&) override {}
    std::string SearchDevicePort() override { return std::string(); }
    void StartNetworkServer(const std::string& port) override
    {
        MainTCPDataServer().SetPort(port);
        MainTCPDataServer().Activate();
    }
};

}  // namespace

TEST(StartupTcpBind, BindOptionReachesTheServerAndIsLogged)
{
    // A settings folder of its own, so that no remembered project is opened.
    testsupport::TempDir dir;
    setenv("XDG_CONFIG_HOME", dir.Path().c_str(), 1);
    std::vector<std::string> lines;
    SetLogCallbacks([&](const std::string& t) { lines.push_back(t); }, nullptr);
    ServerHost host;
    SetCommandLineArguments({"/TCPPORT=0", "/TCPBIND=127.0.0.1"});
    RunStartup(host, "dedezuviv");
    EXPECT_TRUE(MainTCPDataServer().Active());
    EXPECT_EQ(MainTCPDataServer().GetBindAddress(), "127.0.0.1");
    EXPECT_EQ(lines, (std::vector<std::string>{"Starte Netzwerkzugriff auf Port 0 ...",
                                               "Netzwerkzugriff nur über die Adresse 127.0.0.1.",
                                               "Netzwerkzugriff erfolgreich aktiviert."}));
    MainTCPDataServer().Deactivate();

    // Without the option: every address again.
    lines.clear();
    SetCommandLineArguments({"/TCPPORT=0"});
    RunStartup(host, "dedezuviv");
    EXPECT_EQ(MainTCPDataServer().GetBindAddress(), "");
    EXPECT_EQ(lines, (std::vector<std::string>{"Starte Netzwerkzugriff auf Port 0 ...",
                                               "Netzwerkzugriff erfolgreich aktiviert."}));
    MainTCPDataServer().Deactivate();
    SetCommandLineArguments({});
    ClearLogCallbacks();
    unsetenv("XDG_CONFIG_HOME");
}
