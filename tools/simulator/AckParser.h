// Splits the bytes the logger sends back into acknowledgements "ACK ddmmyyyy hhnnss" + LF + CR and
// checks each one.
#pragma once

#include <cstddef>
#include <ctime>
#include <string>
#include <vector>

struct TAckCheck {
    bool Ok = false;
    std::string Text;    // the message without its line end, non-printable bytes escaped
    std::string Reason;  // why it is bad (German), empty when Ok
    std::time_t Time = 0;  // the acknowledged PC time (local), when the text could be read
};

class TAckParser {
public:
    // Feeds received bytes; complete messages are appended to results.
    void Feed(const char* data, size_t size, std::vector<TAckCheck>& results);
    // Ends a message that has been left unfinished (nothing more came for a while, or at exit).
    void Flush(std::vector<TAckCheck>& results);
    bool HasPartial() const { return !Text.empty() || SawLineFeed || Discarding; }

    // Checks one message text (without LF CR).
    static TAckCheck CheckText(const std::string& text);

    static constexpr size_t MaxMessageLength = 64;

private:
    void Complete(bool terminatorOk, std::vector<TAckCheck>& results);

    std::string Text;
    bool SawLineFeed = false;
    bool Discarding = false;  // an overlong message was reported; skip to its line end
};

// Printable form of raw bytes for messages (\r, \n, \xNN).
std::string EscapeBytes(const std::string& bytes);
