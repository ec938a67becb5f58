// The default sans font in the browser: DejaVu Sans, shipped in the page's
// data file beside the Japanese font.
#include <sys/stat.h>

#include "system_font.h"

bool gl_find_default_sans(std::string *path, int *index)
{
    static const char kShipped[] = "/pelzo/fonts/DejaVuSans.ttf";
    struct stat st;
    if (stat(kShipped, &st) != 0 || !S_ISREG(st.st_mode)) return false;
    *path = kShipped;
    *index = 0;
    return true;
}
