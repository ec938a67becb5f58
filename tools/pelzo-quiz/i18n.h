// i18n: pelzo-quiz's messages in the user's language.
//
// Every message the tool prints goes through _(): write the English text as
// the key, with printf-style places for what varies ("%s: row %d: ..."), so
// a translation can put them in its own order of words. N_() marks a text in
// a table for translation where it is defined; _() translates it where it is
// printed.
#pragma once

inline const char *tool_message(const char *english) { return english; }

#define _(text) tool_message(text)
#define N_(text) text
