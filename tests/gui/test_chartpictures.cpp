// Chart pictures: the enhanced metafile's record structure, the formats chosen by extension, the
// clipboard formats, and a real reader (LibreOffice Draw, headless) that must see the curves of the
// metafile where the bitmap of the same chart has them.
#include "GuiTestSupport.h"

#include "app/gui/ChartCommands.h"
#include "app/gui/ChartPage.h"
#include "app/gui/ChartPicture.h"
#include "app/gui/ChartWidget.h"
#include "app/gui/EmfRecords.h"
#include "base/FormatSettings.h"
#include "support/TestSupport.h"

#include <QImage>
#include <QMimeData>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>

using namespace dedezuviv::base;
using namespace dedezuviv::gui;

namespace fs = std::filesystem;
using guitest::ScriptedDialogs;
using testsupport::ReadFile;
using testsupport::TempDir;

namespace {

uint32_t U32At(const std::string& bytes, size_t offset)
{
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<uint8_t>(bytes[offset + i]);
    return value;
}

// Record types and their counts, walking the records by their sizes; fails on a broken chain.
std::map<uint32_t, int> RecordTypes(const std::string& bytes, size_t& records)
{
    std::map<uint32_t, int> types;
    records = 0;
    size_t offset = 0;
    while (offset + 8 <= bytes.size()) {
        const uint32_t type = U32At(bytes, offset), size = U32At(bytes, offset + 4);
        EXPECT_EQ(size % 4, 0u) << "record " << type << " at " << offset;
        if (size < 8 || offset + size > bytes.size()) {
            ADD_FAILURE() << "broken record chain at " << offset;
            break;
        }
        ++types[type];
        ++records;
        offset += size;
        if (type == 14)
            break;
    }
    EXPECT_EQ(offset, bytes.size()) << "EOF is the last record";
    return types;
}

std::string Utf16(const std::string& ascii)
{
    std::string out;
    for (char c : ascii) {
        out += c;
        out += '\0';
    }
    return out;
}

// The part of a picture in the first series colour (red), as fractions of its size.
struct TInk {
    int Pixels = 0;
    double Left = 1, Top = 1, Right = 0, Bottom = 0;
};

TInk RedInk(const QImage& image)
{
    TInk ink;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > 190 && c.green() < 90 && c.blue() < 90) {
                ++ink.Pixels;
                ink.Left = std::min(ink.Left, double(x) / image.width());
                ink.Right = std::max(ink.Right, double(x) / image.width());
                ink.Top = std::min(ink.Top, double(y) / image.height());
                ink.Bottom = std::max(ink.Bottom, double(y) / image.height());
            }
        }
    return ink;
}

// The drawn part of a picture: the box around every pixel that is not white (a converter may place the
// picture on a larger page).
QImage Content(const QImage& image)
{
    int left = image.width(), top = image.height(), right = -1, bottom = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() < 235 || c.green() < 235 || c.blue() < 235) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    return right < 0 ? QImage() : image.copy(QRect(QPoint(left, top), QPoint(right, bottom)));
}

struct ChartPictureTest : ::testing::Test {
    ScriptedDialogs Dialogs;
    TempDir Dir;
    std::unique_ptr<TChartPage> Page;

    void SetUp() override
    {
        SetGermanFormatSettings();
        SetUserDialogs(&Dialogs);
        Page = std::make_unique<TChartPage>();
        Page->resize(800, 600);
        Page->show();
        std::vector<std::unique_ptr<TPlotSeries>> list;
        auto kessel = std::make_unique<TPlotSeries>("Kessel (Temperatur)", nullptr);
        auto brenner = std::make_unique<TPlotSeries>("Brenner (Relais)", nullptr);
        const TDateTime start = EncodeDateTime(2026, 12, 8, 0, 0, 0);
        for (int i = 0; i < 2000; ++i) {
            const double t = start + i / 2000.0;
            kessel->AddXY(t, static_cast<float>(55 + 10 * std::sin(i / 150.0)));
            brenner->AddXY(t, (i / 200) % 2 ? 1.0f : 0.0f);
        }
        list.push_back(std::move(kessel));
        list.push_back(std::move(brenner));
        Page->ShowSeries(std::move(list), "Heizung", {});
    }

    void TearDown() override { SetUserDialogs(nullptr); }

    TChartWidget& Std() { return *Page->ChartFormStd; }
    TPictureRenderer StdRenderer()
    {
        return [this](QCPPainter& painter, QSize size) { Std().RenderTo(painter, size); };
    }
};

TEST_F(ChartPictureTest, TheMetafileIsAChainOfRecordsWithHeaderLinesTextObjectsClippingAndEnd)
{
    const QByteArray emf = RenderEmf(StdRenderer(), Std().size());
    const std::string bytes(emf.constData(), static_cast<size_t>(emf.size()));
    ASSERT_GT(bytes.size(), 200u);
    EXPECT_EQ(U32At(bytes, 0), 1u);                      // EMR_HEADER
    EXPECT_EQ(U32At(bytes, 40), 0x464D4520u);            // " EMF"
    EXPECT_EQ(U32At(bytes, 48), bytes.size());          // total size
    // The frame (0.01 mm) is the chart's size at 96 dpi.
    EXPECT_NEAR(static_cast<int32_t>(U32At(bytes, 32)), std::lround(Std().width() * 2540.0 / 96) - 1, 2);
    size_t records = 0;
    const std::map<uint32_t, int> types = RecordTypes(bytes, records);
    EXPECT_EQ(U32At(bytes, 52), records);
    for (uint32_t type : {4u /*polyline*/, 7u /*polypolyline*/, 38u /*pen*/, 39u /*brush*/, 37u /*select*/,
                          40u /*delete*/, 82u /*font*/, 84u /*text*/, 75u /*clip reset*/, 30u /*clip rect*/, 14u})
        EXPECT_GT(types.count(type), 0u) << "record type " << type;
    // The title and an axis title are text, not outlines.
    EXPECT_NE(bytes.find(Utf16("Grafik f")), std::string::npos);
    EXPECT_NE(bytes.find(Utf16("r Auswahl \"Heizung\"")), std::string::npos);
    EXPECT_NE(bytes.find(Utf16("Temperatur")), std::string::npos);
}

TEST_F(ChartPictureTest, SavingChoosesTheFormatByExtensionAndReportsUnknownOnesAndWriteErrors)
{
    ASSERT_TRUE(SaveChartPicture(Std(), (Dir / "Chart.EMF").string()));
    const std::string emf = ReadFile(Dir / "Chart.emf");
    ASSERT_GT(emf.size(), 100u);
    EXPECT_EQ(U32At(emf, 40), 0x464D4520u);
    // A ".wmf" name gets an enhanced metafile as well.
    ASSERT_TRUE(SaveChartPicture(Std(), (Dir / "x.wmf").string()));
    EXPECT_EQ(U32At(ReadFile(Dir / "x.wmf"), 40), 0x464D4520u);

    ASSERT_TRUE(SaveChartPicture(Std(), (Dir / "x.bmp").string()));
    const QImage bmp(QString::fromStdString((Dir / "x.bmp").string()), "BMP");
    ASSERT_FALSE(bmp.isNull());
    EXPECT_EQ(bmp.size(), Std().size());
    EXPECT_EQ(bmp.pixelColor(1, bmp.height() - 2), QColor(Qt::white));
    EXPECT_GT(RedInk(bmp).Pixels, 200);

    ASSERT_TRUE(SaveChartPicture(Std(), (Dir / "x.png").string()));
    EXPECT_EQ(ReadFile(Dir / "x.png").substr(1, 3), "PNG");
    ASSERT_TRUE(SaveChartPicture(Std(), (Dir / "x.svg").string()));
    EXPECT_NE(ReadFile(Dir / "x.svg").find("<svg"), std::string::npos);
    EXPECT_TRUE(Dialogs.Shown.empty());

    EXPECT_FALSE(SaveChartPicture(Std(), (Dir / "x.gif").string()));
    EXPECT_TRUE(Dialogs.Contains("error", "Unbekanntes Format für Datenexport angegeben!"));
    EXPECT_FALSE(fs::exists(Dir / "x.gif"));

    const std::string unwritable = (Dir / "fehlt" / "x.emf").string();
    EXPECT_FALSE(SaveChartPicture(Std(), unwritable));
    EXPECT_TRUE(Dialogs.Contains("error", "Fehler beim Schreiben der Datei \"" + unwritable + "\"!"));
}

TEST_F(ChartPictureTest, TheClipboardGetsBitmapSvgAndMetafile)
{
    std::unique_ptr<QMimeData> data(PictureMimeData(StdRenderer(), Std().size()));
    EXPECT_TRUE(data->hasImage());
    EXPECT_TRUE(data->data(QStringLiteral("image/svg+xml")).contains("<svg"));
    const QByteArray emf = data->data(QStringLiteral("image/emf"));
    ASSERT_GT(emf.size(), 100);
    EXPECT_EQ(U32At(std::string(emf.constData(), emf.size()), 40), 0x464D4520u);
    EXPECT_EQ(data->data(QStringLiteral("image/x-emf")), emf);
}

// LibreOffice Draw converts the metafiles of both charts in one run; the curves must appear where the
// bitmap of the same chart has them.
TEST_F(ChartPictureTest, LibreOfficeDrawShowsTheCurvesOfTheMetafile)
{
    if (std::system("command -v soffice >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "soffice missing (package libreoffice-draw-nogui, scripts/install-deps.sh)";
    TChartWidget& relais = *Page->ChartFormRelais;
    const auto relaisRenderer = [&relais](QCPPainter& painter, QSize size) { relais.RenderTo(painter, size); };
    ASSERT_TRUE(WritePicture(QString::fromStdString((Dir / "temperatur.emf").string()), TPictureFormat::Emf,
                             StdRenderer(), Std().size()));
    ASSERT_TRUE(WritePicture(QString::fromStdString((Dir / "ausgaenge.emf").string()), TPictureFormat::Emf,
                             relaisRenderer, relais.size()));
    const std::string out = (Dir / "converted").string();
    const std::string command = "cd " + testsupport::ShellQuote(Dir.Path().string()) +
                                " && HOME=" + testsupport::ShellQuote(Dir.Path().string()) +
                                " timeout 240 soffice -env:UserInstallation=file://" + Dir.Path().string() +
                                "/profile --headless --convert-to png --outdir " + testsupport::ShellQuote(out) +
                                " temperatur.emf ausgaenge.emf >soffice.log 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << ReadFile(Dir / "soffice.log");

    const std::pair<std::string, QImage> cases[] = {{"temperatur", RenderImage(StdRenderer(), Std().size())},
                                                    {"ausgaenge", RenderImage(relaisRenderer, relais.size())}};
    for (const auto& [name, bitmap] : cases) {
        SCOPED_TRACE(name);
        const QImage converted(QString::fromStdString(out + "/" + name + ".png"));
        ASSERT_FALSE(converted.isNull()) << ReadFile(Dir / "soffice.log");
        if (const char* keep = std::getenv("DEDEZUVIV_KEEP_PICTURES")) {
            converted.save(QString::fromStdString(std::string(keep) + "/" + name + "-libreoffice.png"));
            bitmap.save(QString::fromStdString(std::string(keep) + "/" + name + "-qt.png"));
        }
        // The drawn part has the same proportions, and the curves in the series colour lie at about the
        // same place in it.
        const QImage drawn = Content(bitmap), seenDrawn = Content(converted);
        ASSERT_FALSE(seenDrawn.isNull()) << "the converted picture is blank";
        EXPECT_NEAR(double(seenDrawn.width()) / seenDrawn.height(), double(drawn.width()) / drawn.height(),
                    0.05 * drawn.width() / drawn.height());
        const TInk expected = RedInk(drawn), seen = RedInk(seenDrawn.scaled(drawn.size()));
        ASSERT_GT(expected.Pixels, 100);
        EXPECT_GT(seen.Pixels, expected.Pixels / 4);
        EXPECT_NEAR(seen.Left, expected.Left, 0.05);
        EXPECT_NEAR(seen.Right, expected.Right, 0.05);
        EXPECT_NEAR(seen.Top, expected.Top, 0.05);
        EXPECT_NEAR(seen.Bottom, expected.Bottom, 0.05);
    }
}

}  // namespace
