// Real system locales for the tests of date, time and number forms.
#pragma once

#include <string>
#include <vector>

namespace testsupport {

// The locales the tests run under: German, US and British English with UTF-8, and C.
const std::vector<std::string>& TestLocaleNames();

// Makes the test locales available to newlocale(). The install script generates them for the whole
// system; where one is missing they are generated once with localedef into the build tree and LOCPATH
// points there (for this process and the programs it starts). Returns an empty text on success, else
// what failed.
std::string PrepareTestLocales();

// Sets LC_ALL (and clears LC_TIME, LC_NUMERIC and LANG) for its lifetime; the previous values come back
// afterwards.
class ScopedLocaleEnvironment {
public:
    explicit ScopedLocaleEnvironment(const std::string& locale);
    ~ScopedLocaleEnvironment();
    ScopedLocaleEnvironment(const ScopedLocaleEnvironment&) = delete;
    ScopedLocaleEnvironment& operator=(const ScopedLocaleEnvironment&) = delete;

private:
    struct Saved {
        std::string Name;
        bool WasSet = false;
        std::string Value;
    };
    std::vector<Saved> Previous;
};

}  // namespace testsupport
