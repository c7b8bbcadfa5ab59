// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Quillmere developers

#include "store/fileio.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <vector>

#include <fcntl.h>
#include <sys/uio.h>
#include <unistd.h>

namespace store {

namespace {

constexpr size_t kMaxPieces = 1024;   // what Linux takes in one pwritev

bool syncEnabled = true;
std::optional<std::int64_t> limit;
std::int64_t used = 0;
bool cut = false;   // the limit has refused some work: the machine has stopped

// Takes up to `wanted` units; returns how many the limit grants.
std::int64_t take(std::int64_t wanted)
{
    if (cut)
        return 0;
    std::int64_t granted = wanted;
    if (limit)
        granted = std::max<std::int64_t>(0, std::min(wanted, *limit - used));
    used += granted;
    cut = granted < wanted;
    return granted;
}

bool stopped()
{
    return cut;
}

bool takeOne()
{
    if (take(1) == 1)
        return true;
    errno = EIO;
    return false;
}

QByteArray nativePath(const QString &path)
{
    return QFile::encodeName(path);
}

} // namespace

void SetSyncEnabled(bool enabled)
{
    syncEnabled = enabled;
}

bool SyncEnabled()
{
    return syncEnabled;
}

namespace io {

void SetLimit(std::optional<std::int64_t> units)
{
    limit = units;
    used = 0;
    cut = false;
}

std::int64_t UnitsUsed()
{
    return used;
}

void ResetUnitsUsed()
{
    used = 0;
}

int Create(const QString &path, int flags, unsigned mode)
{
    if (!takeOne())
        return -1;
    int fd;
    do
        fd = ::open(nativePath(path).constData(), flags | O_CREAT | O_CLOEXEC, mode);
    while (fd < 0 && errno == EINTR);
    return fd;
}

bool WriteAt(int fd, const char *data, std::int64_t size, std::int64_t offset)
{
    if (stopped()) {
        errno = EIO;
        return false;
    }
    const std::int64_t granted = take(size);
    // Write the granted prefix for real, so that a cut-short write leaves
    // exactly what a crash in its middle could leave.
    std::int64_t done = 0;
    while (done < granted) {
        const ssize_t n = ::pwrite(fd, data + done, static_cast<size_t>(granted - done),
                                   static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0) {
            errno = EIO;
            return false;
        }
        done += n;
    }
    if (granted < size) {
        errno = EIO;
        return false;
    }
    return true;
}

bool WriteVecAt(int fd, const struct iovec *pieces, int count, std::int64_t offset)
{
    if (stopped()) {
        errno = EIO;
        return false;
    }
    std::int64_t size = 0;
    for (int i = 0; i < count; ++i)
        size += static_cast<std::int64_t>(pieces[i].iov_len);
    // As WriteAt: only the granted prefix reaches the file.
    std::int64_t left = take(size);
    const bool whole = left == size;
    std::vector<struct iovec> rest;
    rest.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count && left > 0; ++i) {
        const auto length = std::min<std::int64_t>(left, static_cast<std::int64_t>(pieces[i].iov_len));
        if (length > 0)
            rest.push_back({pieces[i].iov_base, static_cast<size_t>(length)});
        left -= length;
    }
    size_t first = 0;
    std::int64_t at = offset;
    while (first < rest.size()) {
        const int pending = static_cast<int>(std::min<size_t>(rest.size() - first, kMaxPieces));
        const ssize_t n = ::pwritev(fd, rest.data() + first, pending, static_cast<off_t>(at));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0) {
            errno = EIO;
            return false;
        }
        at += n;
        // Drop what was written; a piece written in part keeps its rest.
        auto done = static_cast<size_t>(n);
        while (first < rest.size() && done >= rest[first].iov_len) {
            done -= rest[first].iov_len;
            ++first;
        }
        if (done > 0) {
            rest[first].iov_base = static_cast<char *>(rest[first].iov_base) + done;
            rest[first].iov_len -= done;
        }
    }
    if (!whole) {
        errno = EIO;
        return false;
    }
    return true;
}

bool Truncate(int fd, std::int64_t size)
{
    if (!takeOne())
        return false;
    int rc;
    do
        rc = ::ftruncate(fd, static_cast<off_t>(size));
    while (rc < 0 && errno == EINTR);
    return rc == 0;
}

namespace {

bool Sync(int fd, int (*sync)(int))
{
    if (stopped()) {
        errno = EIO;
        return false;
    }
    if (!syncEnabled)
        return true;
    int rc;
    do
        rc = sync(fd);
    while (rc < 0 && errno == EINTR);
    return rc == 0;
}

} // namespace

bool SyncData(int fd)
{
    return Sync(fd, ::fdatasync);
}

bool SyncFile(int fd)
{
    return Sync(fd, ::fsync);
}

bool Remove(const QString &path)
{
    if (!takeOne())
        return false;
    return ::unlink(nativePath(path).constData()) == 0;
}

bool Link(const QString &from, const QString &to)
{
    if (!takeOne())
        return false;
    return ::link(nativePath(from).constData(), nativePath(to).constData()) == 0;
}

bool Rename(const QString &from, const QString &to)
{
    if (!takeOne())
        return false;
    return ::rename(nativePath(from).constData(), nativePath(to).constData()) == 0;
}

} // namespace io

} // namespace store
