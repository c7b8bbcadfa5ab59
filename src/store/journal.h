// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Quillmere developers
#pragma once

// The rollback journal "<file>-journal": the original bytes of every region a
// change is about to overwrite, and the file's size before it. One journal
// file serves every change while its table is open; between changes its
// head is zeroed, so that only a change under way has a journal that counts.
// See recordstore.cpp for how it is used.

#include "store/recordstore.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

namespace store::journal {

// Bytes of the file at `offset` before a change, borrowed from the caller.
struct Piece {
    std::int64_t offset = 0;
    const char *data = nullptr;
    std::int64_t size = 0;
};

// The same, owned: what a journal read back from its file holds.
struct Region {
    std::int64_t offset = 0;
    QByteArray bytes;   // what the file holds there before the change
};

// The file a journal belongs to: a journal left beside a file that has since
// been replaced is not applied to the new one.
struct FileId {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
};

// What a complete journal of this file says.
struct Contents {
    std::int64_t originalSize = 0;
    std::vector<Region> regions;
};

QString PathFor(const QString &filePath);

// Writes a complete journal at the start of `fd` (an open journal file) and
// makes it durable. `salt` is never 0 and differs from one change to the
// next, so that what an earlier journal left further on can never complete a
// journal cut short. False with errno set; a partial journal is recognised as
// incomplete.
bool Write(int fd, FileId id, std::uint32_t salt, std::int64_t originalSize,
           const std::vector<Piece> &originals);

// Zeroes the journal's head and makes that durable: the change is complete.
bool Invalidate(int fd);

// Reads the journal in `fd` back. Returns false (errno set) when it cannot be
// read; `complete` tells whether it is a whole journal of this file. A whole
// journal whose regions do not fit a file of `fileSize` bytes gives `damaged`.
bool Read(int fd, FileId id, std::int64_t fileSize, bool &complete, bool &damaged, Contents &out);

// Puts the original bytes back and the original size, and syncs the file.
bool Apply(int fd, const Contents &contents);

// At open, with the file's lock held: rolls back a complete journal of this
// file and removes it; removes an incomplete or invalidated one (the file was
// not touched under it, or the change is complete) or one of another file.
// A complete journal that does not fit its file gives Code::NotThisLayout and
// leaves both alone.
Status Recover(const QString &filePath, int fd, int dirFd, FileId id);

// A word-wise 64-bit hash of the journal's bytes, in four independent lanes.
class Hasher {
public:
    Hasher();
    void add(const char *data, std::int64_t size);
    std::uint64_t finish() const;

private:
    void stripe(const char *p);
    std::uint64_t m_lanes[4];
    char m_buffer[32];
    std::int64_t m_buffered = 0;
    std::uint64_t m_total = 0;
};

std::uint64_t Checksum(const char *data, std::int64_t size);

} // namespace store::journal
