// SPDX-License-Identifier: MIT
// i18n: pelzo-quiz's messages in the user's language.
//
// Every message the tool prints goes through _(), N_() and P_(), the
// authoring library's translation hook (authoring_i18n.h), which i18n_init
// points at the tool's catalogs. Every message is then printed through
// report.h, which escapes it.
//
// The translations are gettext catalogs of the text domain "pelzo-quiz"
// (po/ja.po, built into <lang>/LC_MESSAGES/pelzo-quiz.mo). Without a catalog
// for the user's language, or before i18n_init, _() gives the English text.
#pragma once

#include <string>

#include "authoring_i18n.h"

// Chooses the language of the messages from the environment (LANGUAGE,
// LC_ALL, LC_MESSAGES, LANG; on Windows, without them, the user's display
// language), finds the catalogs and sets the translation hook. Called once,
// first thing in main.
void i18n_init();

// The translation of `english`, UTF-8 whatever the locale's character set.
const char *tool_message(const char *english) __attribute__((format_arg(1)));

// The translation of `one` or `many` for the count n, as the language's
// plural forms have it.
const char *tool_plural(const char *one, const char *many, unsigned long n) __attribute__((format_arg(1)))
__attribute__((format_arg(2)));
