// The evaluation of the command line at start, shared by the window and the headless logger: help,
// debug, settings file, project, port (named or searched), baud rate, start, trigger, TCP port and the
// MQTT publisher.
#pragma once

#include "app/core/AppSettings.h"
#include "app/core/Namespace.h"

#include <string>

namespace dedezuviv::app {

// What the start-up needs of the program that runs it.
class IStartupHost {
public:
    virtual ~IStartupHost() = default;
    // The help text (the window shows a message box; both print it on standard output).
    virtual void ShowHelp(const std::string& text) = 0;
    // A line of the start-up report (the splash text) without time stamp.
    virtual void AddStartupLine(const std::string& text) = 0;
    // The window's current geometry and font, and applying what the settings file holds.
    virtual TAppSettings CurrentSettings() = 0;
    virtual void ApplySettings(const TAppSettings& settings) = 0;
    // The automatic device search without questions: the port found, or empty.
    virtual std::string SearchDevicePort() = 0;
    virtual void ShowTerminalPage() {}
    // Starts the network value server on the given port.
    virtual void StartNetworkServer(const std::string& port) = 0;
};

struct TStartupOutcome {
    bool HelpShown = false;      // the process ends with exit code 1
    bool ProjectFailed = false;  // a project was named but could not be opened
    std::string ProjectFileName; // the project that was opened, or empty
};

// Runs the steps in their fixed order. Messages go through the program's message interface and the
// log callbacks.
TStartupOutcome RunStartup(IStartupHost& host, const std::string& programFileName);

// True for the port option values that ask for the automatic search ("AUTO", "A", any case).
bool IsAutoPortOption(const std::string& value);

}  // namespace dedezuviv::app
