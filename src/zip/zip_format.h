// SPDX-License-Identifier: MIT
// zip_format: the ZIP record layout both the reader and the writer follow:
// the signatures of the records, their fixed sizes, and the flag bits and
// method numbers the game tells apart. Tests that build archives a writer
// would never make (damaged, deferred, Zip64) use the same names.
#pragma once

#include <cstdint>

constexpr uint32_t kZipLocalSig = 0x04034B50;  // "PK\3\4": a member's local header
constexpr uint32_t kZipCentralSig = 0x02014B50;  // "PK\1\2": a central directory entry
constexpr uint32_t kZipEndSig = 0x06054B50;  // "PK\5\6": the end of central directory
constexpr uint32_t kZipEnd64Sig = 0x06064B50;  // "PK\6\6": the Zip64 end record
constexpr uint32_t kZipEnd64LocatorSig = 0x07064B50;  // "PK\6\7": the Zip64 end locator
constexpr uint32_t kZipDescriptorSig = 0x08074B50;  // "PK\7\8": a data descriptor, or a split archive's mark

constexpr uint32_t kZipLocalHeaderSize = 30;
constexpr uint32_t kZipCentralHeaderSize = 46;
constexpr uint32_t kZipEndSize = 22;
constexpr uint32_t kZipEnd64LocatorSize = 20;
constexpr uint32_t kZipEnd64Size = 56;

constexpr uint16_t kZipFlagEncrypted = 0x0001;
constexpr uint16_t kZipFlagDescriptor = 0x0008;  // sizes and CRC follow the data
constexpr uint16_t kZipMethodStored = 0;
constexpr uint16_t kZipMethodDeflate = 8;
constexpr uint16_t kZipMethodAes = 99;  // WinZip AES encryption
constexpr uint16_t kZip64ExtraId = 0x0001;
constexpr uint32_t kZipDeferred32 = 0xFFFFFFFFu;  // "see the Zip64 field"
