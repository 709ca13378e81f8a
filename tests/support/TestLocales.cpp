#include "support/TestLocales.h"

#include <cstdlib>
#include <filesystem>
#include <locale.h>
#include <mutex>
#include <unistd.h>

namespace testsupport {

namespace fs = std::filesystem;

namespace {

bool LocaleAvailable(const std::string& name)
{
    locale_t locale = newlocale(LC_ALL_MASK, name.c_str(), static_cast<locale_t>(nullptr));
    if (locale == nullptr)
        return false;
    freelocale(locale);
    return true;
}

bool AllAvailable()
{
    for (const std::string& name : TestLocaleNames())
        if (!LocaleAvailable(name))
            return false;
    return true;
}

// Generates one locale ("de_DE.UTF-8") into the folder; a parallel test process may do the same, so it
// is built aside and renamed into place.
std::string Generate(const fs::path& folder, const std::string& name)
{
    const fs::path target = folder / name;
    std::error_code error;
    if (fs::exists(target / "LC_TIME", error))
        return std::string();
    const std::string source = name.substr(0, name.find('.'));
    const fs::path aside = folder / (".build-" + std::to_string(getpid()));
    fs::create_directories(aside, error);
    const std::string command = "localedef -i " + source + " -f UTF-8 '" + (aside / name).string() + "' >/dev/null 2>&1";
    const int code = std::system(command.c_str());
    if (!fs::exists(aside / name / "LC_TIME", error)) {
        fs::remove_all(aside, error);
        return "localedef could not generate " + name + " (code " + std::to_string(code) +
               "); run scripts/install-deps.sh";
    }
    fs::rename(aside / name, target, error);  // fails harmlessly when another process was first
    fs::remove_all(aside, error);
    return fs::exists(target / "LC_TIME", error) ? std::string() : "could not place " + target.string();
}

}  // namespace

const std::vector<std::string>& TestLocaleNames()
{
    static const std::vector<std::string> names{"de_DE.UTF-8", "en_US.UTF-8", "en_GB.UTF-8", "C"};
    return names;
}

std::string PrepareTestLocales()
{
    static std::mutex lock;
    std::lock_guard<std::mutex> guard(lock);
    if (AllAvailable())
        return std::string();
    // With LOCPATH set glibc looks only there (C and POSIX are built in), so all of them go there.
    const fs::path folder = fs::path(DEDEZUVIV_BINARY_DIR) / "test-locales";
    std::error_code error;
    fs::create_directories(folder, error);
    for (const std::string& name : TestLocaleNames()) {
        if (name == "C")
            continue;
        const std::string failure = Generate(folder, name);
        if (!failure.empty())
            return failure;
    }
    setenv("LOCPATH", folder.c_str(), 1);
    return AllAvailable() ? std::string() : "the generated locales in " + folder.string() + " cannot be used";
}

ScopedLocaleEnvironment::ScopedLocaleEnvironment(const std::string& locale)
{
    for (const char* name : {"LC_ALL", "LC_TIME", "LC_NUMERIC", "LANG"}) {
        const char* value = std::getenv(name);
        Previous.push_back({name, value != nullptr, value ? value : ""});
        unsetenv(name);
    }
    setenv("LC_ALL", locale.c_str(), 1);
}

ScopedLocaleEnvironment::~ScopedLocaleEnvironment()
{
    for (const Saved& saved : Previous) {
        if (saved.WasSet)
            setenv(saved.Name.c_str(), saved.Value.c_str(), 1);
        else
            unsetenv(saved.Name.c_str());
    }
}

}  // namespace testsupport
