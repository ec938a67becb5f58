// SPDX-License-Identifier: MIT
#include "message_catalog.h"

#include <cstdint>
#include <cstring>

namespace {

constexpr uint32_t kMagic = 0x950412de;

struct Catalog {
    const unsigned char *bytes = nullptr;
    size_t size = 0;
    bool swapped = false;
    uint32_t count = 0, originals = 0, translations = 0;
};

uint32_t word(const Catalog &c, size_t at)
{
    const unsigned char *p = c.bytes + at;
    return c.swapped ? uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]
                     : uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
}

bool open_catalog(const unsigned char *mo, size_t size, Catalog *c)
{
    if (!mo || size < 28) return false;
    c->bytes = mo;
    c->size = size;
    c->swapped = false;
    if (word(*c, 0) != kMagic) {
        c->swapped = true;
        if (word(*c, 0) != kMagic) return false;
    }
    c->count = word(*c, 8);
    c->originals = word(*c, 12);
    c->translations = word(*c, 16);
    const uint64_t tables = uint64_t(c->count) * 8;
    return c->originals + tables <= size && c->translations + tables <= size;
}

// String `index` of the table at `table`: its bytes and length (the NUL after
// them inside the catalog too), or null.
const char *entry(const Catalog &c, uint32_t table, uint32_t index, uint32_t *length)
{
    const size_t at = size_t(table) + size_t(index) * 8;
    *length = word(c, at);
    const uint32_t offset = word(c, at + 4);
    if (uint64_t(offset) + *length >= c.size || c.bytes[offset + *length] != '\0') return nullptr;
    return reinterpret_cast<const char *>(c.bytes + offset);
}

// The translation of the original `key` of `keyLength` bytes (a plural
// entry's key holds its NUL), or null.
const char *find(const unsigned char *mo, size_t size, const char *key, size_t keyLength)
{
    Catalog c;
    if (!open_catalog(mo, size, &c)) return nullptr;
    uint32_t low = 0, high = c.count;
    while (low < high) {
        const uint32_t mid = low + (high - low) / 2;
        uint32_t length = 0;
        const char *original = entry(c, c.originals, mid, &length);
        if (!original) return nullptr;
        const size_t common = length < keyLength ? length : keyLength;
        int order = memcmp(key, original, common);
        if (order == 0) order = keyLength < length ? -1 : keyLength > length ? 1 : 0;
        if (order == 0) {
            const char *translated = entry(c, c.translations, mid, &length);
            return translated && length > 0 ? translated : nullptr;
        }
        if (order < 0)
            high = mid;
        else
            low = mid + 1;
    }
    return nullptr;
}

}  // namespace

const char *catalog_text(const unsigned char *mo, size_t size, const char *english)
{
    const char *translated = find(mo, size, english, strlen(english));
    return translated ? translated : english;
}

const char *catalog_plural(const unsigned char *mo, size_t size, const char *one, const char *many, unsigned long n)
{
    char key[1024];
    const size_t a = strlen(one), b = strlen(many);
    if (a + 1 + b <= sizeof key) {
        memcpy(key, one, a);
        key[a] = '\0';
        memcpy(key + a + 1, many, b);
        if (const char *translated = find(mo, size, key, a + 1 + b)) return translated;
    }
    return n == 1 ? one : many;
}
