// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Quillmere developers
#pragma once

// Every size, offset and magic of a record file, and of the rollback journal
// kept beside it while its table is open. Integers are little-endian.

#include "store/recordstore.h"

#include <cstdint>

namespace store::layout {

// --- record file: header -------------------------------------------------------
inline constexpr char kMagic[4] = {'W', 'E', 'D', 'B'};
constexpr std::int32_t kVersion = 0x00010000;
constexpr std::int64_t kVersionOffset = 4;
constexpr std::int64_t kCreatedOffset = 8;        // date-time, whole seconds
constexpr std::int64_t kCountOffset = 16;         // records, marked ones included
constexpr std::int64_t kNextTagOffset = 20;
constexpr std::int64_t kRecordLengthOffset = 24;
constexpr std::int64_t kHeaderSize = 112;
constexpr std::int64_t kFieldCountOffset = 112;
constexpr std::int64_t kDescriptorsOffset = 116;

// --- field descriptor ------------------------------------------------------------
constexpr std::int64_t kDescriptorSize = 72;
constexpr std::int64_t kNameOffset = 0;
constexpr std::int64_t kNameSize = 20;
constexpr std::int64_t kMaxNameLength = 16;       // its zero byte within the first 17
constexpr std::int64_t kTypeOffset = 20;
constexpr std::int64_t kFieldOffsetOffset = 24;
constexpr std::int64_t kWidthOffset = 28;
constexpr std::int32_t kMinTypeCode = 1;
constexpr std::int32_t kMaxTypeCode = 12;
constexpr std::int32_t kMaxTextWidth = 1024;
constexpr std::int32_t kDefaultWidth = 20;        // what non-text descriptors carry in memory

// --- record --------------------------------------------------------------------
constexpr std::int64_t kTagSize = 4;              // positive: live; negated: marked deleted

constexpr std::int64_t RecordsStart(std::int64_t fieldCount)
{
    return kDescriptorsOffset + kDescriptorSize * fieldCount;
}

// Bytes a field takes in a record. Type codes this store does not know take
// none: they can be described and read (as an empty value of their own type),
// never stored into.
constexpr std::int32_t FieldSize(std::int32_t type, std::int32_t width)
{
    switch (static_cast<FieldType>(type)) {
    case FieldType::Integer: return 4;
    case FieldType::Logical: return 1;
    case FieldType::DateTime: return 8;
    case FieldType::Text: return width;
    case FieldType::None: break;
    }
    return 0;
}

constexpr double kFirstDay = -657434.0;   // 0100-01-01
constexpr double kLastDay = 2958465.0;    // 9999-12-31

// --- rollback journal ("<file>-journal") ----------------------------------------
// magic, device and inode of the file it belongs to, the file's size before
// the change, the number of regions, a salt that differs from the previous
// change's (this head of 40 bytes is zeroed once the change is complete);
// then per region its offset, length and original bytes; then
// journal::Checksum of everything before it. Bytes after the checksum are
// left over from an earlier, longer journal.
inline constexpr char kJournalMagic[8] = {'W', 'E', 'D', 'B', 'J', 'R', 'N', 'L'};
constexpr std::int64_t kJournalDeviceOffset = 8;
constexpr std::int64_t kJournalInodeOffset = 16;
constexpr std::int64_t kJournalSizeOffset = 24;
constexpr std::int64_t kJournalRegionCountOffset = 32;
constexpr std::int64_t kJournalSaltOffset = 36;
constexpr std::int64_t kJournalHeaderSize = 40;
constexpr std::int64_t kJournalRegionHeaderSize = 12;   // offset (8), length (4)
constexpr std::int64_t kJournalChecksumSize = 8;

} // namespace store::layout
