// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Quillmere developers

// A second process for the store tests.
//   store_child hold DIRECTORY         opens the schedule tables, prints the
//                                      outcome, keeps them open until stdin closes
//   store_child change DIRECTORY SEED SYNC
//                                      makes random changes without end, printing
//                                      "D" after each one completed (until killed)

#include "crashmodel.h"

#include "store/fileio.h"
#include "store/schedule.h"

#include <QCoreApplication>
#include <QString>

#include <cstdio>
#include <cstring>

#include <unistd.h>

namespace {

void say(const char *line)
{
    // Unbuffered, so that the line is in the pipe before the next change starts.
    const size_t length = std::strlen(line);
    if (::write(STDOUT_FILENO, line, length) != ssize_t(length))
        std::_Exit(3);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 3)
        return 2;
    const QString directory = QString::fromLocal8Bit(argv[2]);
    if (std::strcmp(argv[1], "hold") == 0) {
        const store::ScheduleOpen opened = store::OpenScheduleTables(directory);
        say(opened.outcome == store::ScheduleOpen::Outcome::Opened ? "opened\n" : "refused\n");
        char c;
        while (::read(STDIN_FILENO, &c, 1) > 0) {
        }
        return 0;
    }
    if (std::strcmp(argv[1], "change") == 0 && argc == 5) {
        store::SetSyncEnabled(std::strcmp(argv[4], "1") == 0);
        if (store::OpenScheduleTables(directory).outcome != store::ScheduleOpen::Outcome::Opened)
            return 4;
        crash::Contents contents = crash::Read(directory);
        std::mt19937 rng(static_cast<std::mt19937::result_type>(std::strtoul(argv[3], nullptr, 10)));
        say("R\n");
        for (;;) {
            const crash::Change change = crash::Next(rng, contents);
            const store::Status done = crash::Perform(change);
            if (!done) {
                std::fprintf(stderr, "change failed: %s\n", qPrintable(done.reason));
                return 5;
            }
            crash::Apply(contents, change);
            say("D\n");
        }
    }
    return 2;
}
