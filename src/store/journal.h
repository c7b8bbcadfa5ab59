// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Quillmere developers
#pragma once

// The rollback journal: the original bytes of every region a change is about
// to overwrite, and the file's size before it, kept in "<file>-journal" only
// while the change is under way. See recordstore.cpp for how it is used.

#include "store/recordstore.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

namespace store::journal {

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

QString PathFor(const QString &filePath);

// Writes the journal and makes it durable, its directory entry included.
// False with errno set; a partial journal may be left behind (it is
// recognised as incomplete and discarded).
bool Write(const QString &journalPath, int dirFd, FileId id, std::int64_t originalSize,
           const std::vector<Region> &regions);

// Puts the original bytes back and the original size, and syncs the file.
bool Apply(int fd, std::int64_t originalSize, const std::vector<Region> &regions);

// Removes the journal (a missing one counts as removed) and syncs the directory.
bool Remove(const QString &journalPath, int dirFd);

// At open, with the file's lock held: rolls back a complete journal of this
// file; removes an incomplete one (the file was not touched yet) or one of
// another file. A complete journal that does not fit its file gives
// Code::NotThisLayout and leaves both alone.
Status Recover(const QString &filePath, int fd, int dirFd, FileId id);

std::uint64_t Checksum(const char *data, std::int64_t size);

} // namespace store::journal
