// Text and colour of a table cell.
#include "base/FormatSettings.h"
#include "model/Project.h"
#include "model/window/TableCells.h"

#include <gtest/gtest.h>

#include <memory>

using namespace dedezuviv::base;
using namespace dedezuviv::model;

namespace {

struct CellFixture : ::testing::Test {
    TProject Project;
    std::unique_ptr<TDecodedRecord> Record = std::make_unique<TDecodedRecord>();

    void SetUp() override
    {
        SetGermanFormatSettings();
        Project.FieldNames[ftTemperature] = {"Kessel"};
        Project.FieldNames[ftOutput] = {"Brenner"};
        TOrvaProtocol::ClearRecord(*Record);
        TFieldValue t;
        t.Kind = vkFloat;
        t.FloatValue = 61.5;
        TOrvaProtocol::AddValue(*Record, ftTemperature, t);
        TFieldValue o;
        o.Kind = vkInteger;
        o.IntValue = 1;
        TOrvaProtocol::AddValue(*Record, ftOutput, o);
    }
};

}  // namespace

TEST_F(CellFixture, DefaultsShowPlainNameValueAndUnit)
{
    TDataField field;
    field.Fieldname = "Kessel (Temperatur)";
    EXPECT_EQ(CellDisplayText(field, &Project, *Record), "Kessel: 61,5°C");
    EXPECT_EQ(field.DisplayColor, CellColorBlack);

    field.UseFieldnameAsCaption = false;
    field.CaptionStr = "Kessel=";
    field.UseDefaultUnit = false;
    field.UnitStr = " Grad";
    EXPECT_EQ(CellDisplayText(field, &Project, *Record), "Kessel=61,5 Grad");

    TDataField missing;
    missing.Fieldname = "Vorlauf (Temperatur)";
    EXPECT_EQ(CellDisplayText(missing, &Project, *Record), "Vorlauf: -");

    TDataField empty;
    EXPECT_EQ(CellDisplayText(empty, &Project, *Record), "");
}

TEST_F(CellFixture, LimitsAreStrictAndMaxWins)
{
    TDataField field;
    field.Fieldname = "Kessel (Temperatur)";
    field.ActivateMin = true;
    field.ActivateMax = true;
    field.MinVal = 70;
    field.MaxVal = 60;
    CellDisplayText(field, &Project, *Record);
    EXPECT_EQ(field.DisplayColor, CellColorRed);  // below min and above max: max wins

    field.MinVal = 61.5;
    field.MaxVal = 61.5;
    CellDisplayText(field, &Project, *Record);
    EXPECT_EQ(field.DisplayColor, CellColorBlack);  // equal to both limits

    TDataField relay;
    relay.Fieldname = "Brenner (Relais)";
    relay.ActivateMin = true;
    relay.MinVal = 2;
    EXPECT_EQ(CellDisplayText(relay, &Project, *Record), "Brenner: 1");
    EXPECT_EQ(relay.DisplayColor, CellColorBlue);

    TDataField time;
    time.Fieldname = "RT";
    time.ActivateMin = true;
    time.MinVal = 1e9;
    EXPECT_EQ(CellDisplayText(time, &Project, *Record), "RT: ---");
    EXPECT_EQ(time.DisplayColor, CellColorBlack);
}
