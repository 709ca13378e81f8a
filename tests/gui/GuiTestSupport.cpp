#include "GuiTestSupport.h"

#include "base/MainThread.h"
#include "model/Project.h"

#include <QApplication>
#include <QDateEdit>
#include <QDialog>
#include <QTimeEdit>
#include <QTimer>

#include <chrono>
#include <thread>

using namespace dedezuviv::base;
using namespace dedezuviv::model;

namespace guitest {

std::string ScriptedFiles::Next()
{
    if (Answers.empty())
        return std::string();
    std::string answer = Answers.front();
    Answers.pop_front();
    return answer;
}

std::string ScriptedFiles::ChooseOpenFile(const std::string& title, const std::string& filter)
{
    Calls.push_back({"open", title, filter, ""});
    return Next();
}

std::string ScriptedFiles::ChooseSaveFile(const std::string& title, const std::string& filter,
                                          const std::string& extension)
{
    Calls.push_back({"save", title, filter, extension});
    return Next();
}

std::string ScriptedFiles::ChooseFolder(const std::string& title, const std::string& root)
{
    Calls.push_back({"folder", title, "", root});
    return Next();
}

bool WithDialog(QDialog& dialog, const std::function<void()>& act, const std::function<void()>& command)
{
    bool shown = false;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, &dialog, [&] {
        if (shown || !dialog.isVisible())
            return;
        shown = true;
        poll.stop();
        if (act)
            act();
        if (dialog.isVisible())
            dialog.reject();
    });
    poll.start();
    command();
    return shown;
}

std::unique_ptr<TProject> ExportProject(const std::string& fileName)
{
    auto project = std::make_unique<TProject>();
    project->SetFileName(fileName);
    project->SetName("Haus");
    project->FieldNames[ftTemperature] = {"Kessel", "Aussen", "Puffer"};
    project->FieldNames[ftOutput] = {"Brenner"};
    project->FieldSelections.emplace_back("Temperaturen", TNameList{"Kessel (Temperatur)", "Aussen (Temperatur)"});
    project->FieldSelections.emplace_back("Kessel", TNameList{"Kessel (Temperatur)"});
    project->FieldSelections.emplace_back("Leer");
    return project;
}

void SetPickers(QDateEdit* date, QTimeEdit* time, TDateTime value)
{
    const TDateTimeParts p = DecodeDateTime(value);
    date->setDate(QDate(p.Year, p.Month, p.Day));
    time->setTime(QTime(p.Hour, p.Minute, p.Second));
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
