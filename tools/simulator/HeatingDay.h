// The daily shape of a heating day, for the simulated controller's history: the outside temperature
// swinging between a cold early morning and a mild afternoon, the heating curve that turns it into a
// flow temperature, and the times hot water is drawn and recharged (morning and evening).
#pragma once

// Outside temperature at an hour of the day (0 to 24) for a day whose mean is Mean and whose swing
// from mean to peak is Swing: lowest about 05:00, highest about 15:00.
double OutdoorAt(double hour, double mean, double swing);

// The heating curve: the flow temperature wanted at an outside temperature (about 35 °C at +15 °C,
// 70 °C at -15 °C); 0 when it is warm enough outside for the heating to rest.
double HeatingCurveFlow(double outdoor);
constexpr double HeatingLimitOutdoor = 16.0;

// Whether the hot-water tank is recharged at this hour whatever its temperature (before the morning
// showers and before the evening).
bool IsHotWaterChargeTime(double hour);

// Kelvin per second the tank cools at this hour by water drawn: most in the morning, some at noon and
// in the evening, none at night.
double HotWaterDrawRate(double hour);
