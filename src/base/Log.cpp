#include "base/Log.h"
#include "base/Namespace.h"

namespace dedezuviv::base {

namespace {

TLogCallback& LogReceiver()
{
    static TLogCallback receiver;
    return receiver;
}

TLogCallback& DebugReceiver()
{
    static TLogCallback receiver;
    return receiver;
}

}  // namespace

void SetLogCallbacks(TLogCallback logMessage, TLogCallback debugInfo)
{
    LogReceiver() = std::move(logMessage);
    DebugReceiver() = std::move(debugInfo);
}

void ClearLogCallbacks() { SetLogCallbacks(nullptr, nullptr); }

void LogMessage(const std::string& text)
{
    if (LogReceiver())
        LogReceiver()(text);
}

void DebugInfo(const std::string& text)
{
    if (DebugReceiver())
        DebugReceiver()(text);
}

}  // namespace dedezuviv::base
