// SPDX-License-Identifier: MIT
#include "authoring_i18n.h"

namespace {

AuthoringText s_text = nullptr;
AuthoringPlural s_plural = nullptr;

}  // namespace

void authoring_set_translation(AuthoringText text, AuthoringPlural plural)
{
    s_text = text;
    s_plural = plural;
}

const char *authoring_text(const char *english) { return s_text ? s_text(english) : english; }

const char *authoring_plural(const char *one, const char *many, unsigned long n)
{
    if (s_plural) return s_plural(one, many, n);
    return n == 1 ? one : many;
}
