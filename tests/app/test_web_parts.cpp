// The web view's parts without a server: listen texts, loopback addresses, static paths, tokens,
// request times and the per-pixel reduction of series.
#include "app/core/CommandLine.h"
#include "app/core/WebAccess.h"
#include "app/core/WebRequests.h"
#include "app/core/WebSeries.h"
#include "app/core/WebSettings.h"
#include "base/DateTime.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <regex>

using namespace dedezuviv::base;
using namespace dedezuviv::app;
using namespace dedezuviv::evaluation;

namespace {

TEST(WebSettings, ListenTexts)
{
    struct Case {
        std::string Text;
        bool Ok;
        std::string Address;
        int Port;
    };
    for (const Case& c : std::vector<Case>{{"8080", true, "127.0.0.1", 8080},
                                           {" 0 ", true, "127.0.0.1", 0},
                                           {"0.0.0.0:80", true, "0.0.0.0", 80},
                                           {"[::]:8080", true, "::", 8080},
                                           {"[::1]:443", true, "::1", 443},
                                           {"localhost:9000", true, "localhost", 9000},
                                           {"65536", false, "", 0},
                                           {"80a", false, "", 0},
                                           {":80", false, "", 0},
                                           {"[::1]", false, "", 0},
                                           {"[::1:80", false, "", 0},
                                           {"", false, "", 0}}) {
        SCOPED_TRACE(c.Text);
        std::string address, error;
        int port = -1;
        EXPECT_EQ(ParseHttpListen(c.Text, address, port, error), c.Ok);
        if (c.Ok) {
            EXPECT_EQ(address, c.Address);
            EXPECT_EQ(port, c.Port);
        } else {
            EXPECT_NE(error.find("Webansicht"), std::string::npos);
        }
    }
}

TEST(WebSettings, CommandLineOverridesTheSettingsFile)
{
    struct Case {
        std::vector<std::string> Arguments;
        std::string Listen, TokenFile;
    };
    for (const Case& c : std::vector<Case>{{{}, "9000", "/etc/t"},
                                           {{"/HTTP"}, "8080", "/etc/t"},
                                           {{"/http=off"}, "", "/etc/t"},
                                           {{"/HTTP=[::]:80", "/HTTPTOKENFILE=/home/a/t"}, "[::]:80", "/home/a/t"},
                                           {{"/HTTPTOKENFILE=/home/a/t"}, "9000", "/home/a/t"}}) {
        SetCommandLineArguments(c.Arguments);
        const THttpSettings settings = ApplyHttpCommandLine({"9000", "/etc/t"});
        EXPECT_EQ(settings.Listen, c.Listen);
        EXPECT_EQ(settings.TokenFile, c.TokenFile);
    }
    SetCommandLineArguments({});
}

TEST(WebSettings, LoopbackAddresses)
{
    for (const char* address : {"127.0.0.1", "127.1.2.3", "::1", "localhost", "LOCALHOST", "::ffff:127.0.0.1"})
        EXPECT_TRUE(IsLoopbackAddress(address)) << address;
    for (const char* address : {"0.0.0.0", "::", "192.168.1.5", "128.0.0.1", "example.org", "", "::ffff:10.0.0.1"})
        EXPECT_FALSE(IsLoopbackAddress(address)) << address;
}

TEST(WebSettings, TokenFileMustBeTheUsersAlone)
{
    testsupport::TempDir dir;
    const std::string file = (dir / "token").string();
    testsupport::WriteFile(file, "abc\r\nzweite Zeile");
    unsetenv(HttpTokenVariable);
    std::string token, error;
    ASSERT_EQ(chmod(file.c_str(), 0600), 0);
    EXPECT_TRUE(ReadHttpToken({"8080", file}, token, error)) << error;
    EXPECT_EQ(token, "abc");
    ASSERT_EQ(chmod(file.c_str(), 0644), 0);
    EXPECT_FALSE(ReadHttpToken({"8080", file}, token, error));
    EXPECT_NE(error.find("auch für andere Benutzer lesbar"), std::string::npos);
    EXPECT_FALSE(ReadHttpToken({"8080", (dir / "fehlt").string()}, token, error));
    setenv(HttpTokenVariable, "ausderumgebung", 1);
    EXPECT_TRUE(ReadHttpToken({"8080", (dir / "fehlt").string()}, token, error));
    EXPECT_EQ(token, "ausderumgebung");
    unsetenv(HttpTokenVariable);
}

TEST(WebAccess, StaticPathsStayInTheFolder)
{
    const std::filesystem::path folder = "/srv/web";
    struct Case {
        std::string Path;
        std::string File;  // empty: refused
    };
    for (const Case& c : std::vector<Case>{{"/", "/srv/web/index.html"},
                                           {"/charts.html", "/srv/web/charts.html"},
                                           {"/a/b.css", "/srv/web/a/b.css"},
                                           {"/../etc/passwd", ""},
                                           {"/a/../../x", ""},
                                           {"/./index.html", ""},
                                           {"//etc/passwd", ""},
                                           {"/a//b", ""},
                                           {"/.git/config", ""},
                                           {"/a\\..\\b", ""},
                                           {std::string("/a\0b", 4), ""},
                                           {"/a/", ""},
                                           {"index.html", ""},
                                           {"", ""}}) {
        SCOPED_TRACE(c.Path);
        const std::optional<std::filesystem::path> file = StaticFilePath(folder, c.Path);
        EXPECT_EQ(file ? file->string() : std::string(), c.File);
    }
}

TEST(WebAccess, TokenSourcesAndComparison)
{
    EXPECT_EQ(RequestToken("Bearer abc", "q", "dedezuviv_token=c"), "abc");
    EXPECT_EQ(RequestToken("Basic abc", "q", "dedezuviv_token=c"), "q");
    EXPECT_EQ(RequestToken("", "", "a=1; dedezuviv_token=c; b=2"), "c");
    EXPECT_EQ(RequestToken("", "", "xdedezuviv_token=c"), "");
    EXPECT_EQ(RequestToken("", "", ""), "");
    EXPECT_TRUE(SameSecret("geheim", "geheim"));
    for (const char* wrong : {"", "geheim2", "geheiM", "gehei", "x"})
        EXPECT_FALSE(SameSecret(wrong, "geheim")) << wrong;
    EXPECT_FALSE(SameSecret("", ""));
}

TEST(WebRequests, Times)
{
    EXPECT_EQ(ParseWebTime("2026-12-08T14:26:50"), EncodeDateTime(2026, 12, 8, 14, 26, 50));
    EXPECT_EQ(ParseWebTime("2026-12-08T14:26"), EncodeDateTime(2026, 12, 8, 14, 26, 0));
    EXPECT_EQ(ParseWebTime("2026-12-08"), EncodeDate(2026, 12, 8));
    const std::optional<TDateTime> seconds = ParseWebTime("1796739210");
    ASSERT_TRUE(seconds);
    EXPECT_NEAR(*seconds, EncodeDateTime(2026, 12, 8, 14, 13, 30), 1e-6);
    for (const char* bad : {"", "2026-13-01T00:00:00", "2026-12-08T25:00:00", "2026-12-08T14:26:50x", "1e9",
                            "2026-12-08 14:26", "abc"})
        EXPECT_FALSE(ParseWebTime(bad)) << bad;
}

TEST(WebSeries, DenseSeriesKeepTheExtremesOfEveryColumn)
{
    // A day of 1-s points, a spike in the middle: 100 columns give at most 200 points and the spike.
    auto times = std::make_shared<TTimeColumn>();
    TChartSeries series;
    series.push_back(std::make_unique<TPlotSeries>("Kessel (Temperatur)", times));
    series.push_back(std::make_unique<TPlotSeries>("Brenner (Relais)", times));
    const TDateTime start = EncodeDate(2026, 12, 8);
    for (int i = 0; i < 86400; ++i) {
        times->PushBack(start + i / 86400.0);
        series[0]->AddValue(i == 43210 ? 99.5f : static_cast<float>(50 + 10 * std::sin(i / 5000.0)));
        series[1]->AddValue(static_cast<float>((i / 600) % 2));
    }
    const std::string json = ReducedSeriesJson(series, start, start + 1, 100, 86400);
    const std::regex yArray("\"y\":\\[([^\\]]*)\\]");
    std::vector<std::string> ys;
    for (auto it = std::sregex_iterator(json.begin(), json.end(), yArray); it != std::sregex_iterator(); ++it)
        ys.push_back((*it)[1]);
    ASSERT_EQ(ys.size(), 2u);
    EXPECT_LE(std::count(ys[0].begin(), ys[0].end(), ','), 199);
    EXPECT_NE(ys[0].find("99.5"), std::string::npos);
    EXPECT_NE(ys[0].find("40"), std::string::npos);  // the sine's lowest values, rounded to 3 decimals
    // The relay is stacked as the window's outputs chart draws it: off 0, on 0.8.
    EXPECT_NE(ys[1].find("0.8"), std::string::npos);
    EXPECT_NE(json.find("\"chart\":\"digital\",\"axis\":\"right\",\"step\":true"), std::string::npos);
    EXPECT_NE(json.find("\"digitalRange\":[-0.1,1.1]"), std::string::npos) << json.substr(json.size() - 60);

    // A narrow view holds few points: each is sent as it is.
    const std::string zoomed = ReducedSeriesJson(series, start + 0.5, start + 0.5 + 30 / 86400.0, 100, 86400);
    const std::smatch match = [&] {
        std::smatch m;
        std::regex_search(zoomed, m, yArray);
        return m;
    }();
    EXPECT_EQ(std::count(match[1].first, match[1].second, ','), 30);
}

}  // namespace
