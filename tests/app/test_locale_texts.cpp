// The texts the logger writes under the user's locale: log lines and network answers carry the time of
// day whatever the locale's time conversion is.
#include "app/core/LogLines.h"
#include "app/core/TCPDataServer.h"
#include "base/Clock.h"
#include "base/FormatSettings.h"
#include "model/LiveState.h"
#include "model/Project.h"
#include "support/TestLocales.h"

#include <gtest/gtest.h>

using namespace dedezuviv::base;
using namespace dedezuviv::model;
using namespace dedezuviv::app;

namespace {

struct LocaleTexts {
    const char* Locale;
    const char* DateTime;  // 8 December 2026 14:30:05
    const char* Float;     // 55.5 on screen
};

class LocaleTextTest : public ::testing::TestWithParam<LocaleTexts> {
protected:
    void SetUp() override
    {
        ASSERT_EQ(testsupport::PrepareTestLocales(), "");
        SetClockOverride([] { return EncodeDateTime(2026, 12, 8, 14, 30, 5); });
        auto project = std::make_unique<TProject>();
        ReplaceCurrentProject(std::move(project));
        TDecodedRecord record;
        TOrvaProtocol::ClearRecord(record);
        TFieldValue value;
        value.Kind = vkFloat;
        value.FloatValue = 55.5;
        TOrvaProtocol::AddValue(record, ftTemperature, value);
        record.Header.RT = EncodeDateTime(2026, 12, 8, 14, 30, 5);
        SetCurrentRecord(record);
    }
    void TearDown() override
    {
        CloseCurrentProject();
        ClearCurrentRecord();
        SetClockOverride(nullptr);
        SetGermanFormatSettings();
    }
};

}  // namespace

TEST_P(LocaleTextTest, LogLinesAndAnswersCarryTheTimeOfDay)
{
    const LocaleTexts expected = GetParam();
    testsupport::ScopedLocaleEnvironment environment(expected.Locale);
    LoadFormatSettingsFromEnvironment();
    EXPECT_EQ(TimeStampedLogLine("Starte Logging."), std::string("<") + expected.DateTime + "> Starte Logging.");
    std::string tokens;
    EXPECT_EQ(TTCPDataServer::AnswerRequest("NAME RT X", tokens),
              std::string("value=") + expected.DateTime + ";valid=1;\n");
    // Network answers always carry a decimal point.
    EXPECT_EQ(TTCPDataServer::AnswerRequest("INDEX 0 0", tokens), "value=55.5;valid=1;\n");
    EXPECT_EQ(FloatToStr(55.5), expected.Float);
}

INSTANTIATE_TEST_SUITE_P(Locales, LocaleTextTest,
                         ::testing::Values(LocaleTexts{"de_DE.UTF-8", "08.12.2026 14:30:05", "55,5"},
                                           LocaleTexts{"en_US.UTF-8", "12/08/2026 14:30:05", "55.5"},
                                           LocaleTexts{"en_GB.UTF-8", "08/12/26 14:30:05", "55.5"},
                                           LocaleTexts{"C", "08.12.2026 14:30:05", "55,5"}),
                         [](const ::testing::TestParamInfo<LocaleTexts>& info) {
                             const std::string name = info.param.Locale;
                             return name.substr(0, name.find('.'));
                         });
