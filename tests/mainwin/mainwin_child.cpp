// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Quillmere developers

// The program as started by a user, on the folder given as its argument, with
// a stand-in user who reads every message box aloud on stdout and answers it,
// and who closes the main window once it is up when asked to ("close").

#include "mainwin/mainwin.h"
#include "platform/facility.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>

#include <cstdio>

int main(int argc, char **argv)
{
    platform::InitFacility(argc, argv);
    if (argc < 3)
        return 2;
    platform::SetProgramDirectory(QString::fromLocal8Bit(argv[1]));
    const bool closeWhenShown = qstrcmp(argv[2], "close") == 0;

    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [closeWhenShown] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            std::printf("%s\n%s\n", box->windowTitle().toUtf8().constData(), box->text().toUtf8().constData());
            std::fflush(stdout);
            box->accept();
        } else if (closeWhenShown && platform::IsLoaded(platform::Window::Main)
                   && QApplication::activeModalWidget() == nullptr) {
            std::printf("shown\n");
            std::fflush(stdout);
            platform::RequestClose(platform::Window::Main);
        }
    });
    user.start(20);

    mainwin::StartProgram();
    return platform::NormalEnd();
}
