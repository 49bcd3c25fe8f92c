#pragma once
// The one place the program reads the computer's local date and time. The log's
// time stamps and the instrument's "Set time" go through it, so tests can put in
// a clock of their own.

#include <functional>

#include "app/fixedformats.h"

namespace kordel {

using ClockFunction = std::function<CivilDateTime()>;

// The local date and time now (or what the installed test clock says).
CivilDateTime localNow();

// Replaces the clock; an empty function puts the computer's clock back.
void setClock(ClockFunction clock);

}  // namespace kordel
