// The simulated heating controller: its values, how they change from record to record, and the text
// of its records.
#pragma once

#include <cstdint>
#include <ctime>
#include <random>
#include <string>

struct TControllerIdentity {
    int ID = 1;
    int Program = 13;
    int Version = 2;
    int Subversion = 1;
};

struct TSimRecord {
    std::string Text;   // "=MD/...#" followed by CR LF
    bool Valid = true;  // false for the deliberately broken ones of the junk mode
    std::string Fault;  // what is wrong with an invalid record
};

class TControllerModel {
public:
    TControllerModel(const TControllerIdentity& identity, uint32_t seed, double secondsPerRecord);

    // Advances the values by one record and returns the record. With a clock the device time is
    // given as broken-down local time for the y/z fields; without, the record carries no y/z.
    TSimRecord NextRecord(const std::tm* deviceClock);
    // A record with one deliberate fault (wrong t length, temperature below -70, a byte the logger
    // must reject, a p field of wrong length); the values advance as for a good record.
    TSimRecord NextInvalidRecord(const std::tm* deviceClock);
    // Between 1 and maxBytes bytes the logger ignores outside a record: never "=", blank or "*",
    // which would open a frame and cost the next record.
    std::string JunkBytes(int maxBytes);
    // True with the given probability, from the same random source.
    bool Chance(double probability);

    // From now on the values follow the daily shape of a heating day (HeatingDay.h) at the given
    // hour of the day (0 to 24), set before each record; a new calendar day gets its own mean
    // outside temperature and swing. Without it the values wander without a time of day.
    void SetTimeOfDay(double hour);

    // Decimal-comma text of a temperature, exactly 7 characters ("+055,50", "-012,30").
    static std::string TemperatureText(double value);

private:
    void Step();
    // Step() for a model that knows the time of day.
    void StepHeatingDay();
    std::string Body(const std::tm* deviceClock) const;

    TControllerIdentity Identity;
    std::mt19937 Random;
    double StepSeconds;
    double Outdoor, OutdoorBase, Boiler, Flow, Return, HotWater;
    double BurnerHours;
    int64_t BurnerStarts;
    double Modulation;
    int Inputs[4];
    int OperatingMode, Stage;
    bool Burner, HeatingPump, HotWaterPump, Mixer;
    unsigned Intern;
    bool DayShape = false;
    double Hour = 12.0;
    double DaySwing = 4.0;
    double NextOutdoorMean = 0.0, NextSwing = 4.0;
};
