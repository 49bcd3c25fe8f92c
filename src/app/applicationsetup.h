#pragma once
// What the process sets up right after creating the application object.

namespace kordel {

// The C library's numeric locale back to "C" (no conversion of ours consults
// it; a second guard), a file size limit turned into failed writes, and the
// application's name. No display name is set: the platform would append it to
// every window caption ("Status — …"), and the captions are exactly the
// program's own texts.
void setUpApplication();

}  // namespace kordel
