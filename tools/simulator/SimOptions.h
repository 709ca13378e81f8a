// Command line of the controller simulator.
#pragma once

#include <cstdint>
#include <string>

struct TSimOptions {
    std::string Device;          // empty: open a new pseudo terminal
    std::string Link;            // symlink to the pseudo terminal's slave (pty mode only)
    int BaudRate = 9600;         // for a real device; pseudo terminals ignore it
    double Interval = 5.0;       // seconds between records (between bursts)
    int64_t Count = 0;           // records to send; 0 = endless
    int Burst = 1;               // records sent back to back per interval
    int Chunk = 0;               // largest write in bytes; 0 = a record in one write
    int ChunkPauseMs = 5;        // pause between the chunks of a record
    bool Junk = false;           // junk bytes between records and now and then an invalid record
    bool SeedGiven = false;
    uint32_t Seed = 0;
    int ID = 1;                  // one digit
    int Program = 13;            // five digits
    int Version = 2;             // two digits
    int Subversion = 1;          // two digits
    bool Clock = true;           // y/z fields with the device clock
    int64_t ClockOffset = 0;     // seconds added to the PC's local time for the device clock
    bool ExpectAcks = false;     // exit code 1 if a record was not acknowledged or an ACK was bad
    double AckTimeout = 2.0;     // seconds an acknowledgement may take
    double AckTolerance = -1.0;  // largest deviation of the ACK time from the PC clock; < 0 = not checked
    bool Verbose = false;
    bool Help = false;
    bool ShowVersion = false;   // --version without a number
    std::string HistoryProject;  // write past days into this project's day files instead of sending
    int HistoryDays = 7;
};

// Parses argv; on failure returns false with a German message in error.
bool ParseSimOptions(int argc, char** argv, TSimOptions& options, std::string& error);

// The German help text.
std::string SimHelpText(const std::string& programName);
