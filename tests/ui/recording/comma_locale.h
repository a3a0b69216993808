// A locale whose decimal separator is ',' (German), made for the test run with localedef into a
// private folder, so no system locale needs to be installed. Applies it to the C library and to
// Qt's default; Restore goes back to "C".
#pragma once

// True when the locale is active (the C library then formats 1.5 as "1,5").
bool UseCommaDecimalLocale();
void RestoreCLocale();
