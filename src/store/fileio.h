// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Quillmere developers
#pragma once

// The one place where the store changes the file system. Every write,
// truncation, sync, creation, link and removal goes through here, so that a
// test can stop the "machine" after a given amount of work and check what a
// crash at that moment leaves behind. Functions return false with errno set.

#include <QString>

#include <cstdint>
#include <optional>

struct iovec;

namespace store {

// Syncs make changes survive a power loss; a process crash never needs them.
// On by default; the benchmark turns them off to compare like with like.
void SetSyncEnabled(bool enabled);
bool SyncEnabled();

namespace io {

// Every byte written counts one unit, and so does every other change of the
// file system (create, truncate, link, rename, remove); syncs count none. Once
// `units` are used up, the write under way stops short and every later call
// fails with EIO, as if the machine had stopped there. nullopt lifts the limit.
void SetLimit(std::optional<std::int64_t> units);
// Units used since the counter was last reset (for tests that walk every point).
std::int64_t UnitsUsed();
void ResetUnitsUsed();

// open(2) with O_CREAT; returns the descriptor or -1.
int Create(const QString &path, int flags, unsigned mode);
bool WriteAt(int fd, const char *data, std::int64_t size, std::int64_t offset);
// The pieces one after another from `offset`, as one write.
bool WriteVecAt(int fd, const struct iovec *pieces, int count, std::int64_t offset);
bool Truncate(int fd, std::int64_t size);
bool SyncData(int fd);      // fdatasync, when syncs are enabled
bool SyncFile(int fd);      // fsync (directories, new files), when syncs are enabled
bool Remove(const QString &path);
bool Link(const QString &from, const QString &to);      // fails with EEXIST over an existing entry
bool Rename(const QString &from, const QString &to);

} // namespace io

} // namespace store
