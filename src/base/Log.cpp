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

TLogCallback& LogMirror()
{
    static TLogCallback mirror;
    return mirror;
}

std::function<bool()>& OnMainThread()
{
    static std::function<bool()> check;
    return check;
}

std::function<void(std::function<void()>)>& PostToMain()
{
    static std::function<void(std::function<void()>)> post;
    return post;
}

// A line of another thread is posted to the main thread, where the receivers live.
bool HandedOff(void (*write)(const std::string&), const std::string& text)
{
    if (!OnMainThread() || !PostToMain() || OnMainThread()())
        return false;
    PostToMain()([write, text] { write(text); });
    return true;
}

}  // namespace

void SetLogMirror(TLogCallback mirror) { LogMirror() = std::move(mirror); }

void SetLogHandOff(std::function<bool()> onMainThread, std::function<void(std::function<void()>)> post)
{
    OnMainThread() = std::move(onMainThread);
    PostToMain() = std::move(post);
}

void SetLogCallbacks(TLogCallback logMessage, TLogCallback debugInfo)
{
    LogReceiver() = std::move(logMessage);
    DebugReceiver() = std::move(debugInfo);
}

void ClearLogCallbacks() { SetLogCallbacks(nullptr, nullptr); }

void LogMessage(const std::string& text)
{
    if (HandedOff(&LogMessage, text))
        return;
    if (LogReceiver())
        LogReceiver()(text);
    if (LogMirror())
        LogMirror()(text);
}

void DebugInfo(const std::string& text)
{
    if (HandedOff(&DebugInfo, text))
        return;
    if (DebugReceiver())
        DebugReceiver()(text);
}

}  // namespace dedezuviv::base
