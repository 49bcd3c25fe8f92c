#pragma once
// Who is cleaning data, where, and when: the user's data folder (where the
// flags and the correction of a folder that cannot be written are kept), the
// login name the edit log names, and the time now (UT) for the flags' "set"
// and the log. The program and kordel-export take the same, so a flag set in
// one is found, and named alike, by the other.

#include "exchange/exportcleaning.h"

namespace kordel {

CleaningContext currentCleaningContext();

}  // namespace kordel
