#include "GuiTestSupport.h"

#include "base/MainThread.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>

namespace {

// Creates the one QApplication before the first test runs.
class GuiEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        if (!QApplication::instance()) {
            static int argc = 1;
            static char name[] = "test_gui";
            static char* argv[] = {name, nullptr};
            App = std::make_unique<QApplication>(argc, argv);
        }
    }
    void TearDown() override { App.reset(); }

private:
    std::unique_ptr<QApplication> App;
};

const auto* const Registered = ::testing::AddGlobalTestEnvironment(new GuiEnvironment);

}  // namespace

namespace guitest {

TDialogAnswer ScriptedDialogs::Ask(const std::string& text, bool withCancel)
{
    Shown.push_back({"ask", text});
    if (Answers.empty())
        return withCancel ? TDialogAnswer::Cancel : TDialogAnswer::No;
    const TDialogAnswer answer = Answers.front();
    Answers.pop_front();
    return answer;
}

void ScriptedDialogs::Inform(const std::string& text) { Shown.push_back({"inform", text}); }

void ScriptedDialogs::Error(const std::string& text) { Shown.push_back({"error", text}); }

int ScriptedDialogs::Count(const std::string& kind) const
{
    int n = 0;
    for (const Entry& e : Shown)
        n += e.Kind == kind;
    return n;
}

bool ScriptedDialogs::Contains(const std::string& kind, const std::string& text) const
{
    for (const Entry& e : Shown)
        if (e.Kind == kind && e.Text == text)
            return true;
    return false;
}

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        ProcessMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

void Pump(int milliseconds)
{
    WaitUntil([] { return false; }, milliseconds);
}

}  // namespace guitest
