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
