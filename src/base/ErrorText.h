// German texts for the system's error codes (errno), for the messages of file and network operations. The C
// library's own texts follow the process locale, which the program never changes; these are always
// German, as every message of the program is.
#pragma once

#include "base/Namespace.h"

#include <string>

namespace dedezuviv::base {

// "Zugriff verweigert", "Kein Speicherplatz mehr auf dem Datenträger", ... for the codes file and
// network operations meet (and NotARegularFile of base/RegularFile.h); any other code gives
// "Systemfehler <n>".
std::string SystemErrorText(int errorCode);

// The same for the codes of getaddrinfo (EAI_...): "Name oder Dienst unbekannt", ...; EAI_SYSTEM gives
// the text of errno.
std::string ResolverErrorText(int errorCode);

}  // namespace dedezuviv::base
