// SPDX-License-Identifier: MIT
// authoring_i18n: the translation hook of the authoring library's messages.
//
// Every message the library words goes through _(): the English text is the
// key, with printf-style places for what varies, so a translation can put
// them in its own order of words. N_() marks a text in a table for
// translation where it is defined; _() translates it where it is used. P_()
// picks the form of a message that holds a count. A message collected before
// it is shown is filled in with formatted (format.h).
//
// The program sets the translation once, at its start: pelzo-quiz its
// gettext catalog in the user's language (tools/pelzo-quiz/i18n.h), the game
// the Japanese catalog it carries (src/platform/message_catalog.h). Until
// then, or with none, _() gives the English text.
#pragma once

#include "format.h"

using AuthoringText = const char *(*)(const char *english);
using AuthoringPlural = const char *(*)(const char *one, const char *many, unsigned long n);

void authoring_set_translation(AuthoringText text, AuthoringPlural plural);

// The translation of `english`, UTF-8.
const char *authoring_text(const char *english) __attribute__((format_arg(1)));
// The translation of `one` or `many` for the count n, as the language's
// plural forms have it.
const char *authoring_plural(const char *one, const char *many, unsigned long n) __attribute__((format_arg(1)))
__attribute__((format_arg(2)));

#define _(text) authoring_text(text)
#define N_(text) text
#define P_(one, many, n) authoring_plural(one, many, n)
