// SPDX-License-Identifier: MIT
// cp932_data: glibc iconv's "CP932" as tables, generated on the build machine
// by tools/cp932_table/make_cp932_table (see there for their layout), for the
// browser, which has no such converter.
#pragma once

#include <cstdint>

constexpr int kCp932MaxLeads = 60;  // 0x81-0x9F and 0xE0-0xFC
extern const uint16_t kCp932Single[256];
extern const int kCp932LeadCount;
extern const uint8_t kCp932Leads[kCp932MaxLeads];
extern const uint16_t kCp932Pair[kCp932MaxLeads][256];
extern const uint16_t kCp932Encode[65536];
constexpr uint16_t kCp932NoForm = 0xFFFF;
