// What nested handlers rely on: a throwing handler is logged and still releases its worker; the alive
// flag and the scoped flag of objects freed inside their own handlers.
#include "base/Log.h"
#include "base/MainThread.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

using namespace dedezuviv::base;

TEST(Reentrancy, AThrowingHandlerIsLoggedAndItsWorkerReleased)
{
    std::vector<std::string> logged;
    SetLogCallbacks([&](const std::string& text) { logged.push_back(text); }, nullptr);
    TTaskQueueDispatcher dispatcher;
    bool workerReturned = false;
    std::thread worker([&] {
        dispatcher.RunInMainThread([] { throw std::runtime_error("Testfehler"); });
        dispatcher.RunInMainThread([] { throw 42; });
        workerReturned = true;
    });
    int ran = 0;
    while (ran < 2)
        ran += dispatcher.WaitAndRunTasks(1000);
    worker.join();
    ClearLogCallbacks();
    EXPECT_TRUE(workerReturned);
    ASSERT_EQ(logged.size(), 2u);
    EXPECT_EQ(logged[0], "Interner Fehler in einer Ereignisbehandlung: Testfehler");
    EXPECT_EQ(logged[1], "Interner Fehler in einer Ereignisbehandlung: unbekannte Ausnahme");
}

TEST(Reentrancy, FlagsOfAnOwnerFreedInsideItsOwnHandler)
{
    struct TOwner {
        TAliveFlag Alive;
        bool Busy = false;
    };
    auto owner = std::make_unique<TOwner>();
    const TAliveFlag::TWatch watch = owner->Alive.Watch();
    EXPECT_TRUE(watch.Alive());
    EXPECT_FALSE(TAliveFlag::TWatch().Alive());

    {
        const TScopedFlag busy(owner->Busy, owner->Alive.Watch());
        EXPECT_TRUE(owner->Busy);
    }
    EXPECT_FALSE(owner->Busy);

    // The owner is freed while its flag is set: the guard must not write into freed memory.
    {
        const TScopedFlag busy(owner->Busy, owner->Alive.Watch());
        owner.reset();
    }
    EXPECT_FALSE(watch.Alive());

    bool plain = false;
    {
        const TScopedFlag running(plain);
        EXPECT_TRUE(plain);
    }
    EXPECT_FALSE(plain);
}
