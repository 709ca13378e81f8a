#include "ControllerModel.h"

#include "HeatingDay.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

std::string DecimalComma(double value, int decimals)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    std::string result = text;
    std::replace(result.begin(), result.end(), '.', ',');
    return result;
}

std::string TwoDigit(int value)
{
    char text[8];
    std::snprintf(text, sizeof text, "%02d", value % 100);
    return text;
}

// "=" body "#" and the CR LF a controller sends after every record.
std::string Framed(const std::string& body)
{
    std::string text;
    text.reserve(body.size() + 4);
    text += '=';
    text += body;
    text += "#\r\n";
    return text;
}

}  // namespace

TControllerModel::TControllerModel(const TControllerIdentity& identity, uint32_t seed, double secondsPerRecord)
    : Identity(identity), Random(seed), StepSeconds(secondsPerRecord > 0 ? secondsPerRecord : 1.0)
{
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    OutdoorBase = -5.0 + 20.0 * unit(Random);
    Outdoor = OutdoorBase;
    Boiler = 50.0 + 15.0 * unit(Random);
    Flow = Boiler - 12.0;
    Return = Flow - 8.0;
    HotWater = 46.0 + 8.0 * unit(Random);
    BurnerHours = 1000.0 + std::floor(20000.0 * unit(Random)) / 10.0;
    BurnerStarts = 2000 + static_cast<int64_t>(30000.0 * unit(Random));
    Burner = Boiler < 58.0;
    HeatingPump = Outdoor < 15.0;
    HotWaterPump = HotWater < 48.0;
    Mixer = unit(Random) < 0.5;
    Modulation = Burner ? 0.5 : 0.0;
    for (int& input : Inputs)
        input = unit(Random) < 0.3 ? 1 : 0;
    OperatingMode = 1;
    Stage = Burner ? 2 : 0;
    Intern = 0xFF;
}

bool TControllerModel::Chance(double probability)
{
    return std::uniform_real_distribution<double>(0.0, 1.0)(Random) < probability;
}

std::string TControllerModel::TemperatureText(double value)
{
    value = std::clamp(std::round(value * 100.0) / 100.0, -99.99, 999.99);
    if (value == 0.0)
        value = 0.0;  // no "-000,00"
    char text[32];
    std::snprintf(text, sizeof text, "%+07.2f", value);
    std::string result = text;
    std::replace(result.begin(), result.end(), '.', ',');
    return result;
}

void TControllerModel::SetTimeOfDay(double hour)
{
    if (!DayShape || hour < Hour) {
        // A new day: its mean wanders from the day before (days of the heating season, -4 to +6 °C at
        // first), its swing is 3 to 7 K. The values of the day before are where the day starts from.
        std::uniform_real_distribution<double> unit(0.0, 1.0);
        const double mean = DayShape ? std::clamp(NextOutdoorMean + 4.0 * (unit(Random) - 0.5), -12.0, 10.0)
                                     : -4.0 + 10.0 * unit(Random);
        const double swing = 3.0 + 4.0 * unit(Random);
        if (!DayShape) {
            NextOutdoorMean = mean;
            NextSwing = swing;
        }
        OutdoorBase = NextOutdoorMean;
        DaySwing = NextSwing;
        NextOutdoorMean = mean;
        NextSwing = swing;
    }
    DayShape = true;
    Hour = hour;
}

// One record's worth of a heating day: the outside temperature follows the hour, the heating curve
// sets the flow temperature, the burner keeps the boiler a few kelvin above it (its runs grow longer
// as the house loses more heat in the cold night), and the hot-water tank is drawn from and recharged
// in the morning and the evening.
void TControllerModel::StepHeatingDay()
{
    std::normal_distribution<double> noise(0.0, 1.0);
    const double dt = StepSeconds;
    // Over the day the mean and swing move towards those of the next day, so midnight has no step.
    const double share = Hour / 24.0;
    Outdoor = OutdoorAt(Hour, OutdoorBase + share * (NextOutdoorMean - OutdoorBase),
                        DaySwing + share * (NextSwing - DaySwing)) +
              0.05 * noise(Random);

    const double flowWanted = HeatingCurveFlow(Outdoor);
    HeatingPump = flowWanted > 0;
    // The tank is kept above 45 °C and charged to 60 °C at its charge times.
    const bool chargeTime = IsHotWaterChargeTime(Hour);
    if (HotWater < (chargeTime ? 57.0 : 45.0))
        HotWaterPump = true;
    else if (HotWater > (chargeTime ? 60.0 : 56.0))
        HotWaterPump = false;
    const double boilerWanted = std::max({flowWanted + 5.0, HotWaterPump ? 70.0 : 0.0, 40.0});

    const bool wasBurning = Burner;
    if (Boiler < boilerWanted - 5.0)
        Burner = true;
    else if (Boiler > boilerWanted + 5.0)
        Burner = false;
    if (Burner && !wasBurning)
        ++BurnerStarts;
    if (Burner) {
        BurnerHours += dt / 3600.0;
        Modulation = std::clamp(0.4 + 0.06 * (boilerWanted - Boiler), 0.3, 1.0);
    } else {
        Modulation = 0.0;
    }

    // Kelvin per second: the burner's heat against the house's and the tank's demand and the
    // boiler's own losses.
    const double houseLoad = HeatingPump ? 0.0008 * std::max(0.0, 20.0 - Outdoor) : 0.0;
    const double tankLoad = HotWaterPump && Boiler > HotWater + 3.0 ? 0.012 : 0.0;
    const double standby = 0.00015 * (Boiler - 15.0);
    Boiler += dt * ((Burner ? 0.06 * (0.5 + 0.5 * Modulation) : 0.0) - houseLoad - tankLoad - standby) +
              0.02 * noise(Random);
    Boiler = std::clamp(Boiler, 15.0, 90.0);

    HotWater += dt * ((tankLoad > 0 ? 0.008 : 0.0) - HotWaterDrawRate(Hour) - 0.000005 * (HotWater - 18.0)) +
                0.01 * noise(Random);
    HotWater = std::clamp(HotWater, 10.0, 75.0);

    // Flow and return follow within minutes: the mixer holds the flow at the curve's value.
    const double follow = 1.0 - std::exp(-dt / 300.0);
    const double flowTarget = HeatingPump ? std::min(Boiler - 2.0, flowWanted) : 22.0;
    Mixer = HeatingPump && Boiler - 2.0 > flowWanted;
    Flow += follow * (flowTarget - Flow) + 0.03 * noise(Random);
    const double spread = HeatingPump ? 4.0 + 0.3 * std::max(0.0, 20.0 - Outdoor) : 1.0;
    Return += follow * (Flow - spread - Return) + 0.03 * noise(Random);

    for (int& input : Inputs)
        if (Chance(0.002))
            input = 1 - input;
    OperatingMode = HeatingPump ? 1 : 2;
    Stage = Burner ? (Modulation > 0.7 ? 2 : 1) : 0;
    Intern = 0xFF;
}

// One record's worth of plant behaviour: a two-point boiler thermostat, a hot-water charge cycle,
// outdoor temperature drifting around its day's value, and the counters that follow the burner.
void TControllerModel::Step()
{
    if (DayShape) {
        StepHeatingDay();
        return;
    }
    std::normal_distribution<double> noise(0.0, 1.0);
    Outdoor += 0.05 * noise(Random) + 0.02 * (OutdoorBase - Outdoor);
    Outdoor = std::clamp(Outdoor, -30.0, 40.0);

    const bool wasBurning = Burner;
    if (Boiler < 52.0)
        Burner = true;
    else if (Boiler > 68.0)
        Burner = false;
    else if (Chance(0.02))
        Burner = !Burner;  // now and then the controller switches for reasons of its own
    if (Burner && !wasBurning)
        ++BurnerStarts;
    if (Burner)
        BurnerHours += StepSeconds / 3600.0;

    Boiler += (Burner ? 0.6 : -0.25) + 0.05 * noise(Random);
    Boiler = std::clamp(Boiler, 20.0, 90.0);
    if (Burner)
        Modulation = std::clamp(Modulation + 0.05 * noise(Random) + (Modulation < 0.3 ? 0.2 : 0.0), 0.3, 1.0);
    else
        Modulation = 0.0;

    if (Chance(0.05))
        HeatingPump = Outdoor < 16.0 ? !HeatingPump || Chance(0.7) : false;
    if (Chance(0.15))
        Mixer = !Mixer;
    if (HotWater < 47.0)
        HotWaterPump = true;
    else if (HotWater > 55.0)
        HotWaterPump = false;
    HotWater += (HotWaterPump && Boiler > HotWater ? 0.4 : -0.05) + 0.03 * noise(Random);
    HotWater = std::clamp(HotWater, 10.0, 75.0);

    const double flowTarget = HeatingPump ? std::min(Boiler - 5.0, 30.0 + 0.8 * (20.0 - Outdoor)) : 25.0;
    Flow += 0.2 * (flowTarget - Flow) + 0.05 * noise(Random);
    const double returnTarget = HeatingPump ? Flow - 8.0 : Flow - 1.0;
    Return += 0.2 * (returnTarget - Return) + 0.05 * noise(Random);

    for (int& input : Inputs)
        if (Chance(0.03))
            input = 1 - input;
    if (Chance(0.01))
        OperatingMode = OperatingMode % 3 + 1;
    Stage = Burner ? (Modulation > 0.7 ? 2 : 1) : 0;
    if (Intern != 0xFF && Chance(0.3))
        Intern = 0xFF;
    else if (Chance(0.04))
        Intern = std::uniform_int_distribution<unsigned>(0, 0xFE)(Random);
}

std::string TControllerModel::Body(const std::tm* deviceClock) const
{
    char header[32];
    std::snprintf(header, sizeof header, "MD/p%d%05d/v%02d%02d", Identity.ID % 10, Identity.Program % 100000,
                  Identity.Subversion % 100, Identity.Version % 100);
    std::string body = header;
    for (double temperature : {Outdoor, Boiler, Flow, Return, HotWater})
        body += "/t" + TemperatureText(temperature);
    body += "/n" + DecimalComma(std::floor(BurnerHours * 10.0) / 10.0, 1);
    body += "/n" + std::to_string(BurnerStarts);
    body += "/d" + DecimalComma(Modulation, 2);
    body += "/i";
    for (int input : Inputs)
        body += static_cast<char>('0' + input);
    body += "/m" + std::to_string(OperatingMode) + std::to_string(Stage);
    body += "/o";
    for (bool relay : {Burner, HeatingPump, HotWaterPump, Mixer})
        body += relay ? '1' : '0';
    char intern[8];
    std::snprintf(intern, sizeof intern, "/x%02X", Intern & 0xFF);
    body += intern;
    if (deviceClock) {
        body += "/y" + TwoDigit(deviceClock->tm_mday) + "." + TwoDigit(deviceClock->tm_mon + 1) + "." +
                TwoDigit(deviceClock->tm_year % 100);
        body += "/z" + TwoDigit(deviceClock->tm_hour) + ":" + TwoDigit(deviceClock->tm_min) + ":" +
                TwoDigit(deviceClock->tm_sec);
    }
    return body;
}

TSimRecord TControllerModel::NextRecord(const std::tm* deviceClock)
{
    Step();
    TSimRecord record;
    record.Text = Framed(Body(deviceClock));
    return record;
}

TSimRecord TControllerModel::NextInvalidRecord(const std::tm* deviceClock)
{
    Step();
    std::string body = Body(deviceClock);
    TSimRecord record;
    record.Valid = false;
    const size_t firstTemperature = body.find("/t");
    switch (std::uniform_int_distribution<int>(0, 3)(Random)) {
    case 0:  // six characters instead of seven
        body.replace(firstTemperature + 2, 7, "+55,50");
        record.Fault = "t-Feld mit 6 Zeichen";
        break;
    case 1:
        body.replace(firstTemperature + 2, 7, "-075,00");
        record.Fault = "Temperatur unter -70";
        break;
    case 2: {  // "!" is no record character: the logger abandons the frame
        const size_t middle = body.size() / 2;
        body = body.substr(0, middle) + '!' + body.substr(middle);
        record.Fault = "unerlaubtes Zeichen";
        break;
    }
    default:
        body.replace(body.find("/p") + 2, 6, std::to_string(Identity.ID % 10) + "0013");
        record.Fault = "p-Feld mit 5 Zeichen";
        break;
    }
    record.Text = Framed(body);
    return record;
}

std::string TControllerModel::JunkBytes(int maxBytes)
{
    const int count = std::uniform_int_distribution<int>(1, std::max(1, maxBytes))(Random);
    std::uniform_int_distribution<int> byte(0, 255);
    std::string junk;
    while (static_cast<int>(junk.size()) < count) {
        const char c = static_cast<char>(byte(Random));
        if (c != '=' && c != ' ' && c != '*')
            junk += c;
    }
    return junk;
}
